#include "replace/TarnReplacer.h"

#include "grammar/TarnFormParser.h"
#include "profile/ProfileLoader.h"
#include "profile/TarnClasses.h"

namespace migwiz::replace {

std::unique_ptr<TComponentReplacer> CreateProfileReplacer(const profile::TProfilePtr& profile,
                                                          TReplaceOptions& options,
                                                          TReplaceEnvironment env) {
  static const bool registered = [] {
    profile::RegisterTarnClasses();
    return true;
  }();
  (void)registered;
  auto replacer = std::make_unique<TComponentReplacer>(
      grammar::FormParserClassOf<grammar::TTarnFormParser>(), profile->OldUsesUnit, profile->NewUsesList,
      &options, env);
  UseProfile(*replacer, profile);
  return replacer;
}

std::unique_ptr<TComponentReplacer> CreateTarnReplacer(TReplaceOptions& options, TReplaceEnvironment env) {
  return CreateProfileReplacer(profile::BuiltinProfile(), options, env);
}

void UseProfile(TComponentReplacer& replacer, const profile::TProfilePtr& profile) {
  replacer.ClearPairs();
  for (const profile::TClassPair& pair : profile->Pairs) replacer.AddReplacePair(pair.OldClass, pair.NewClass);
  replacer.SetUsesUnits(profile->OldUsesUnit, profile->NewUsesList);
  replacer.SetProfile(profile);
}

profile::TProfilePtr ProfileFromFile(const std::string& fileName) {
  return fileName.empty() ? profile::BuiltinProfile() : profile::LoadProfileFile(fileName);
}

TTarnProfile& TarnProfile() {
  static TTarnProfile profile;
  if (!profile.replacer) profile.replacer = CreateTarnReplacer(profile.options);
  return profile;
}

}  // namespace migwiz::replace
