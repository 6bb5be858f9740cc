#include "grammar/TranslationRules.h"

#include <algorithm>

#include "support/StrUtils.h"

namespace migwiz::grammar {

const std::vector<TBdeClass>& BdeClasses() {
  static const std::vector<TBdeClass> classes = {
      {"TDatabase", TBdeKind::bkConnection, ""},
      {"TQuery", TBdeKind::bkQuery, ""},
      {"TwwQuery", TBdeKind::bkQuery, ""},
      {"TTable", TBdeKind::bkTable, ""},
      {"TwwTable", TBdeKind::bkTable, ""},
      {"TStoredProc", TBdeKind::bkStoredProc, ""},
      {"TUpdateSQL", TBdeKind::bkUpdateSQL, ""},
      {"TBatchMove", TBdeKind::bkBatchMove, ""},
      {"TwwDataSource", TBdeKind::bkDataSource, ""},
      {"TSession", TBdeKind::bkSession,
       "remove it; move its settings (private directory, network directory, session name, "
       "callbacks) to the TTarnConnection objects, and drop SessionName from the datasets"},
      {"TNestedTable", TBdeKind::bkOther,
       "no counterpart: read the nested data set through a TTarnQuery on its parent's connection"},
  };
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

const std::vector<TPropertyRename>& PropertyRenames() {
  static const std::vector<TPropertyRename> renames = {
      {"DataSource", {TBdeKind::bkQuery}, "MasterSource"},
      {"ParamData", {TBdeKind::bkQuery, TBdeKind::bkStoredProc}, "ParamData"},
  };
  return renames;
}

const TPropertyRename* FindPropertyRename(std::string_view property, TBdeKind kind) {
  for (const TPropertyRename& r : PropertyRenames())
    if (property == r.Property && std::find(r.Kinds.begin(), r.Kinds.end(), kind) != r.Kinds.end())
      return &r;
  return nullptr;
}

}  // namespace migwiz::grammar
