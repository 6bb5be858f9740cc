// The migration profile: what makes the general replacer a BDE-to-Tarnbase
// wizard.
#pragma once

#include <memory>

#include "replace/Replacer.h"

namespace migwiz::replace {

inline constexpr const char* kTarnSourceName = "BDE";
inline constexpr const char* kTarnOldUsesUnit = "DBTables";
inline constexpr const char* kTarnNewUsesList = ", TarnAccess, TarnClasses, TarnCall, Quarry, Cellar";

// A replacer set up with the profile's data, on the given options.
std::unique_ptr<TComponentReplacer> CreateTarnReplacer(TReplaceOptions& options,
                                                       TReplaceEnvironment env = {});

// The profile of the wizard: its options and replacer, set up once.
struct TTarnProfile {
  TReplaceOptions options{kTarnSourceName};
  std::unique_ptr<TComponentReplacer> replacer;
};
TTarnProfile& TarnProfile();

}  // namespace migwiz::replace
