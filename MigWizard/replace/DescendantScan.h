// Classes a unit declares with an ancestor (TMyQuery = class(TQuery)), with
// the properties each publishes itself; and from them, the descendants of a
// profile's paired classes that a run's units hold.
#pragma once

#include <string>
#include <vector>

#include "profile/MigrationProfile.h"

namespace migwiz::replace {

// Every class declaration with an ancestor in a unit text (UTF-8), in the
// order of the text; File is set to file.
std::vector<profile::TDescendant> ScanClassDeclarations(const std::string& text, const std::string& file);

// The profile with the declarations that derive (directly or through one
// another, letter case ignored) from a class it pairs added as descendants;
// classes it already pairs or names stay as it has them. found gets the
// declarations added, in the order given.
profile::TProfilePtr WithDescendants(const profile::TProfilePtr& profile,
                                     const std::vector<profile::TDescendant>& declarations,
                                     std::vector<profile::TDescendant>& found);

}  // namespace migwiz::replace
