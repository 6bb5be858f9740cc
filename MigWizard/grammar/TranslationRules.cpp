#include "grammar/TranslationRules.h"

#include <algorithm>

#include "profile/ProfileLoader.h"
#include "support/StrUtils.h"

namespace migwiz::grammar {

TBdeKind BdeKindNamed(std::string_view kind) {
  static const std::pair<const char*, TBdeKind> kKinds[] = {
      {"connection", TBdeKind::bkConnection}, {"query", TBdeKind::bkQuery},
      {"table", TBdeKind::bkTable},           {"storedproc", TBdeKind::bkStoredProc},
      {"update", TBdeKind::bkUpdateSQL},      {"batchmove", TBdeKind::bkBatchMove},
      {"datasource", TBdeKind::bkDataSource}, {"session", TBdeKind::bkSession}};
  for (const auto& [name, value] : kKinds)
    if (kind == name) return value;
  return TBdeKind::bkOther;
}

// The classes of the built-in profile: its pairs met in forms, by their
// kind, and the classes it has no counterpart for, with its advice.
const std::vector<TBdeClass>& BdeClasses() {
  static const std::vector<TBdeClass> classes = [] {
    const profile::TProfilePtr p = profile::BuiltinProfile();  // lives as long as the program
    std::vector<TBdeClass> list;
    for (const profile::TClassPair& pair : p->Pairs)
      if (!pair.CodeOnly) list.push_back({pair.OldClass.c_str(), BdeKindNamed(pair.Kind), ""});
    for (const profile::TUncoveredClass& u : p->Uncovered)
      list.push_back({u.Class.c_str(), u.Kind.empty() ? TBdeKind::bkOther : BdeKindNamed(u.Kind), u.Advice.c_str()});
    return list;
  }();
  return classes;
}

const TBdeClass* FindBdeClass(std::string_view className) {
  for (const TBdeClass& c : BdeClasses())
    if (support::SameText(c.Name, className)) return &c;
  return nullptr;
}

TBdeKind BdeKindOf(std::string_view className) {
  const TBdeClass* c = FindBdeClass(className);
  return c ? c->Kind : TBdeKind::bkNone;
}

bool IsConnectedDataset(TBdeKind kind) {
  return kind == TBdeKind::bkQuery || kind == TBdeKind::bkTable || kind == TBdeKind::bkStoredProc;
}

// The built-in profile's rules that store a property under a name of its
// choosing, whatever the target class publishes, for objects of given kinds.
const std::vector<TPropertyRename>& PropertyRenames() {
  static const std::vector<TPropertyRename> renames = [] {
    const profile::TProfilePtr p = profile::BuiltinProfile();
    std::vector<TPropertyRename> list;
    for (const profile::TPropertyRule& rule : p->Rules) {
      if (rule.Kinds.empty()) continue;
      const std::string* to = rule.Action == profile::TRuleAction::Rename ? &rule.To
                              : rule.Action == profile::TRuleAction::Keep ? &rule.Property
                                                                          : nullptr;
      if (!to) continue;
      TPropertyRename r{rule.Property.c_str(), {}, to->c_str()};
      for (const std::string& kind : rule.Kinds) r.Kinds.push_back(BdeKindNamed(kind));
      list.push_back(std::move(r));
    }
    return list;
  }();
  return renames;
}

const TPropertyRename* FindPropertyRename(std::string_view property, TBdeKind kind) {
  for (const TPropertyRename& r : PropertyRenames())
    if (property == r.Property && std::find(r.Kinds.begin(), r.Kinds.end(), kind) != r.Kinds.end())
      return &r;
  return nullptr;
}

}  // namespace migwiz::grammar
