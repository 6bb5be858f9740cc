// What a run takes from its migration profile beyond the pairs: the
// descendants of paired classes its units declare.
#include "profile/ProfileLoader.h"
#include "replace/DescendantScan.h"
#include "replace/Replacer.h"
#include "support/FileErrors.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"
#include "support/TextFile.h"

namespace migwiz::replace {

using namespace support;

void TComponentReplacer::FindDescendants() {
  foundDescendants_.clear();
  runProfile_ = profile_;
  if (!profile_) return;
  std::vector<profile::TDescendant> declarations;
  for (const std::string& file : unitList_) {
    if (UpperCase(ExtractFileExt(file)) != ".PAS") continue;
    std::string bytes, err;
    if (!env_.fs->ReadFile(file, bytes, err)) continue;  // the conversion reports it
    std::vector<profile::TDescendant> found = ScanClassDeclarations(ReadTextFile(bytes).text, file);
    declarations.insert(declarations.end(), found.begin(), found.end());
  }
  runProfile_ = WithDescendants(profile_, declarations, foundDescendants_);
  if (profile_->Origin != profile::kBuiltinProfileName) report_.SetProfile(profile_->Origin);
  for (const profile::TDescendant& d : runProfile_->Descendants) {
    const profile::TClassPair* as = runProfile_->ConvertedAs(d.Class);
    if (as) report_.AddDescendant({d.Class, d.Ancestor, as->OldClass, d.File, d.Line});
  }
}

bool TComponentReplacer::FindFormClass(const std::string& className, std::string& newClass) const {
  if (FindPair(className, newClass)) return true;
  if (!runProfile_ || !runProfile_->FindDescendant(className) || !runProfile_->ConvertedAs(className))
    return false;
  newClass = className;  // a descendant keeps its class
  return true;
}

}  // namespace migwiz::replace
