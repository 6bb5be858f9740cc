#include "replace/RunReportJson.h"

#include <nlohmann/json.hpp>
#include <unordered_map>

#include "replace/RunReportText.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

namespace {

using json = nlohmann::ordered_json;

json FileOrNull(const std::string& path) { return path.empty() ? json(nullptr) : json(path); }

json Run(const TRunReport& r) {
  return {{"mode", r.Mode() == TReportMode::rmProject ? "project" : "folder"},
          {"source", r.Source()},
          {"root", r.Root()},
          {"dryRun", r.DryRun()},
          {"linkConnections", r.LinkConnections()},
          {"logFile", FileOrNull(r.LogFile())},
          {"undoFile", FileOrNull(r.UndoFile())},
          {"reportFile", FileOrNull(r.ReportFile())}};
}

json Summary(const TRunReport& r, size_t unlinked) {
  return {{"filesChanged", r.ChangedFiles().size()},
          {"unitsChanged", r.UnitChanges().size()},
          {"objectsConverted", r.ConvertedObjects().size()},
          {"propertiesTranslated", r.TranslatedCount()},
          {"propertiesDropped", r.DroppedCount()},
          {"unlinkedDatasets", unlinked},
          {"unparsedObjects", r.UnparsedObjects().size()},
          {"manualWork", r.ManualWork().size()},
          {"uncheckedObjects", r.UncheckedObjectsCount()},
          {"objectsWithoutCounterpart", r.ObjectsWithoutCounterpart().size()},
          {"renamedInComments", r.RenamedInCommentsCount()},
          {"selfCheckFindings", r.SelfCheckFindings().size()}};
}

json Place(const TRunReport& r, const std::string& file, const TFormPlace& place) {
  json j = {{"file", r.Relative(file)}, {"line", place.Line}, {"path", place.Path}, {"binary", place.Binary}};
  if (place.ConvertedLine > 0) j["convertedLine"] = place.ConvertedLine;
  return j;
}

json Objects(const TRunReport& r) {
  json objects = json::array();
  for (const TConvertedObject& o : r.ConvertedObjects()) {
    json object = Place(r, o.File, o.Place);
    object["name"] = o.Name;
    object["oldClass"] = o.OldClass;
    object["newClass"] = o.NewClass;
    object["propertiesChecked"] = o.PropertiesChecked;
    object["connection"] = o.NeedsConnection ? json(LinkReasonName(o.Connection.Reason)) : json(nullptr);
    object["translated"] = json::array();
    for (const TTranslatedProperty& t : o.Translated)
      object["translated"].push_back(
          {{"oldName", t.OldName}, {"oldValue", t.OldValue}, {"newName", t.NewName}, {"newValue", t.NewValue}});
    object["dropped"] = json::array();
    for (const TDroppedProperty& d : o.Dropped)
      object["dropped"].push_back({{"name", d.Name}, {"value", d.Value}, {"paramLine", d.ParamLine}});
    objects.push_back(std::move(object));
  }
  return objects;
}

json Candidate(const TRunReport& r, const TDatabaseCandidate& c) {
  return {{"reference", c.Reference}, {"file", r.Relative(c.FormFile)}};
}

json Unlinked(const TRunReport& r, const std::vector<TUnlinkedDataset>& unlinked) {
  json groups = json::array();
  std::unordered_map<std::string, size_t> keys;  // database name, upper-cased -> group
  for (const TUnlinkedDataset& d : unlinked) {
    auto [it, added] = keys.emplace(support::UpperCase(d.DatabaseName), keys.size());
    const size_t at = it->second;
    const json chosen = d.Choice.Chosen.Reference.empty() ? json(nullptr) : Candidate(r, d.Choice.Chosen);
    if (added) {
      groups.push_back({{"databaseName", d.DatabaseName},
                        {"database", chosen},
                        {"hint", UnlinkedHint(r, d)},
                        {"datasets", json::array()}});
    }
    json dataset = Place(r, d.File, d.Place);
    dataset["name"] = d.ObjectName;
    dataset["reason"] = LinkReasonName(d.Choice.Reason);
    dataset["hint"] = UnlinkedHint(r, d);
    dataset["database"] = chosen;
    dataset["candidates"] = json::array();
    for (const TDatabaseCandidate& c : d.Choice.Candidates) dataset["candidates"].push_back(Candidate(r, c));
    groups[at]["datasets"].push_back(std::move(dataset));
  }
  return groups;
}

json NoCounterpart(const TRunReport& r) {
  json list = json::array();
  for (const TObjectWithoutCounterpart& o : r.ObjectsWithoutCounterpart()) {
    json object = Place(r, o.File, o.Place);
    object["name"] = o.Name;
    object["className"] = o.ClassName;
    object["advice"] = o.Advice;
    list.push_back(std::move(object));
  }
  return list;
}

json SelfCheck(const TRunReport& r) {
  json findings = json::array();
  for (const TSelfCheckFinding& f : r.SelfCheckFindings())
    findings.push_back({{"file", r.Relative(f.File)}, {"object", f.Object}, {"finding", f.Finding}});
  return {{"done", r.SelfChecked()}, {"findings", std::move(findings)}};
}

json Unparsed(const TRunReport& r) {
  json list = json::array();
  for (const TUnparsedObject& u : r.UnparsedObjects())
    list.push_back({{"file", r.Relative(u.File)}, {"line", u.Line}, {"column", u.Column}, {"position", u.Position},
                    {"name", u.ObjectName}, {"className", u.ClassName}, {"reason", u.Reason}});
  return list;
}

json Units(const TRunReport& r) {
  json list = json::array();
  for (const TUnitChange& u : r.UnitChanges())
    list.push_back({{"file", r.Relative(u.File)}, {"identifiersRenamed", u.IdentifiersRenamed},
                    {"renamedInComments", u.RenamedInComments}, {"usesExtended", u.UsesExtended}});
  return list;
}

json ManualWork(const TRunReport& r) {
  json list = json::array();
  for (const TManualWork& m : r.ManualWork())
    list.push_back({{"file", r.Relative(m.File)}, {"line", m.Item.Line}, {"column", m.Item.Column},
                    {"kind", ManualWorkKindName(m.Item.Kind)}, {"text", m.Item.Text}});
  return list;
}

json ChangedFiles(const TRunReport& r) {
  json list = json::array();
  for (const auto& f : r.ChangedFiles()) list.push_back({{"file", r.Relative(f.File)}, {"changes", f.Changes}});
  return list;
}

// Present only when the run met descendants.
json Descendants(const TRunReport& r) {
  json list = json::array();
  for (const TDescendantClass& d : r.Descendants()) {
    json objects = json::array();
    for (const TConvertedObject& o : r.ConvertedObjects())
      if (support::SameText(o.OldClass, d.Class)) objects.push_back(Place(r, o.File, o.Place));
    list.push_back({{"className", d.Class}, {"ancestor", d.Ancestor}, {"convertedAs", d.ConvertedAs},
                    {"file", d.File.empty() ? json(nullptr) : json(r.Relative(d.File))}, {"line", d.Line},
                    {"objects", std::move(objects)}});
  }
  return list;
}

}  // namespace

std::string RunReportJson(const TRunReport& r) {
  const std::vector<TUnlinkedDataset> unlinked = r.UnlinkedDatasets();
  json report = {{"schema", "migwiz-run-report"},
                 {"version", TRunReport::kSchemaVersion},
                 {"run", Run(r)},
                 {"summary", Summary(r, unlinked.size())},
                 {"changedFiles", ChangedFiles(r)},
                 {"objects", Objects(r)},
                 {"unlinkedDatasets", Unlinked(r, unlinked)},
                 {"unparsedObjects", Unparsed(r)},
                 {"units", Units(r)},
                 {"manualWork", ManualWork(r)},
                 {"objectsWithoutCounterpart", NoCounterpart(r)},
                 {"selfCheck", SelfCheck(r)}};
  if (!r.ProfileFile().empty()) report["run"]["profile"] = r.ProfileFile();
  if (!r.Descendants().empty()) report["descendants"] = Descendants(r);
  // Text that is not valid UTF-8 is written with replacement characters
  // rather than stopping the report.
  return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace migwiz::replace
