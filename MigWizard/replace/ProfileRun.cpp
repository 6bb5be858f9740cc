// What a run takes from its migration profile beyond the pairs: the
// descendants of paired classes its units declare.
#include "grammar/TranslationRules.h"
#include "profile/ProfileLoader.h"
#include "resources/RExpertRes.h"
#include "replace/DescendantScan.h"
#include "replace/Replacer.h"
#include "support/FileErrors.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"
#include "support/TextFile.h"

namespace migwiz::replace {

using namespace support;
namespace Res = RExpertRes;

void TComponentReplacer::FindDescendants() {
  foundDescendants_.clear();
  runProfile_ = profile_;
  if (!profile_) return;
  std::vector<profile::TDescendant> declarations;
  std::string scratch;
  for (size_t i = 0; i < unitList_.size(); ++i) {
    const std::string& file = unitList_[i];
    if (UpperCase(ExtractFileExt(file)) != ".PAS") continue;
    const std::string* text = ReadUnitAhead(i, scratch);
    if (!text) continue;  // the conversion reports it
    std::vector<profile::TDescendant> found = ScanClassDeclarations(*text, file);
    declarations.insert(declarations.end(), found.begin(), found.end());
  }
  runProfile_ = WithDescendants(profile_, declarations, foundDescendants_);
  if (profile_->Origin != profile::kBuiltinProfileName) report_.SetProfile(profile_->Origin);
  for (const profile::TDescendant& d : runProfile_->Descendants) {
    const profile::TClassPair* as = runProfile_->ConvertedAs(d.Class);
    if (as) report_.AddDescendant({d.Class, d.Ancestor, as->OldClass, d.File, d.Line});
  }
}

void TComponentReplacer::SetUsesUnits(const std::string& oldUsesUnit, std::string newUsesList) {
  oldUsesUnit_ = UpperCase(oldUsesUnit);
  newUsesList_ = std::move(newUsesList);
}

bool TComponentReplacer::FindFormClass(const std::string& className, std::string& newClass) const {
  if (FindPair(className, newClass)) return true;
  if (!runProfile_ || !runProfile_->FindDescendant(className) || !runProfile_->ConvertedAs(className))
    return false;
  newClass = className;  // a descendant keeps its class
  return true;
}

bool TComponentReplacer::IsConnectionClass(const std::string& className) const {
  if (className == "TDatabase") return true;
  if (!runProfile_ || profile::SameName(className, "TDatabase")) return false;
  const profile::TClassPair* as = runProfile_->ConvertedAs(className);
  return as && as->Kind == "connection";
}

bool TComponentReplacer::WithoutCounterpart(const std::string& className, std::string& advice) const {
  if (runProfile_) {
    if (const profile::TUncoveredClass* u = runProfile_->FindUncovered(className)) {
      advice = u->Advice.empty() ? Res::SNoCounterpartAdvice : u->Advice;
      return true;
    }
  }
  // A class of the family the built-in profile knows but this one does not.
  const grammar::TBdeClass* bde = grammar::FindBdeClass(className);
  if (!bde) return false;
  advice = *bde->Advice ? bde->Advice : Res::SNoCounterpartAdvice;
  return true;
}

}  // namespace migwiz::replace
