// The migration profile: what makes the general replacer a BDE-to-Tarnbase
// wizard. Its data is the built-in profile file, or a profile file of the
// user's.
#pragma once

#include <memory>

#include "profile/MigrationProfile.h"
#include "replace/Replacer.h"

namespace migwiz::replace {

inline constexpr const char* kTarnSourceName = "BDE";
inline constexpr const char* kTarnOldUsesUnit = "DBTables";
inline constexpr const char* kTarnNewUsesList = ", TarnAccess, TarnClasses, TarnCall, Quarry, Cellar";

// A replacer set up with the built-in profile's data, on the given options.
std::unique_ptr<TComponentReplacer> CreateTarnReplacer(TReplaceOptions& options,
                                                       TReplaceEnvironment env = {});
// A replacer set up with a profile's data.
std::unique_ptr<TComponentReplacer> CreateProfileReplacer(const profile::TProfilePtr& profile,
                                                          TReplaceOptions& options,
                                                          TReplaceEnvironment env = {});
// Gives an existing replacer a profile's data in place of what it had.
void UseProfile(TComponentReplacer& replacer, const profile::TProfilePtr& profile);
// The profile of a file named in settings or on the command line; the
// built-in one for an empty name. A profile that does not validate throws
// profile::EProfileError with every issue.
profile::TProfilePtr ProfileFromFile(const std::string& fileName);

// The profile of the wizard: its options and replacer, set up once.
struct TTarnProfile {
  TReplaceOptions options{kTarnSourceName};
  std::unique_ptr<TComponentReplacer> replacer;
};
TTarnProfile& TarnProfile();

}  // namespace migwiz::replace
