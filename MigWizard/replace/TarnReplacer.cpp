#include "replace/TarnReplacer.h"

#include "grammar/TarnFormParser.h"
#include "platform/TarnClasses.h"

namespace migwiz::replace {

std::unique_ptr<TComponentReplacer> CreateTarnReplacer(TReplaceOptions& options,
                                                       TReplaceEnvironment env) {
  static const bool registered = [] {
    platform::RegisterTarnClasses();
    return true;
  }();
  (void)registered;
  auto replacer = std::make_unique<TComponentReplacer>(
      grammar::FormParserClassOf<grammar::TTarnFormParser>(), kTarnOldUsesUnit, kTarnNewUsesList,
      &options, env);
  static const std::pair<const char*, const char*> kPairs[] = {
      {"TDatabase", "TTarnConnection"},   {"TQuery", "TTarnQuery"},
      {"TwwQuery", "TTarnQuery"},         {"TTable", "TTarnTable"},
      {"TwwTable", "TTarnTable"},         {"TwwDataSource", "TTarnDataSource"},
      {"TUpdateSQL", "TTarnUpdateSQL"},   {"TStoredProc", "TTarnStoredProc"},
      {"EDBEngineError", "ETarnError"},   {"TBatchMove", "TKryBatchMove"},
  };
  for (const auto& [oldClass, newClass] : kPairs) replacer->AddReplacePair(oldClass, newClass);
  return replacer;
}

TTarnProfile& TarnProfile() {
  static TTarnProfile profile;
  if (!profile.replacer) profile.replacer = CreateTarnReplacer(profile.options);
  return profile;
}

}  // namespace migwiz::replace
