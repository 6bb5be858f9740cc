#include "replace/RunReportJson.h"

#include <nlohmann/json.hpp>

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
          {"manualWork", r.ManualWork().size()}};
}

json Place(const TRunReport& r, const std::string& file, const TFormPlace& place) {
  return {{"file", r.Relative(file)}, {"line", place.Line}, {"path", place.Path}, {"binary", place.Binary}};
}

json Objects(const TRunReport& r) {
  json objects = json::array();
  for (const TConvertedObject& o : r.ConvertedObjects()) {
    json object = Place(r, o.File, o.Place);
    object["name"] = o.Name;
    object["oldClass"] = o.OldClass;
    object["newClass"] = o.NewClass;
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

json Unlinked(const TRunReport& r, const std::vector<TUnlinkedDataset>& unlinked) {
  json groups = json::array();
  std::vector<std::string> keys;
  const std::vector<TDatabaseObject> databases = r.DatabaseObjects();
  for (const TUnlinkedDataset& d : unlinked) {
    std::string key = support::UpperCase(d.DatabaseName);
    size_t at = 0;
    while (at < keys.size() && keys[at] != key) ++at;
    if (at == keys.size()) {
      keys.push_back(key);
      const TDatabaseObject* db = r.FindDatabase(databases, d.DatabaseName);
      groups.push_back({{"databaseName", d.DatabaseName},
                        {"database", db ? json{{"reference", db->Reference}, {"file", r.Relative(db->File)}}
                                        : json(nullptr)},
                        {"hint", UnlinkedHint(r, db)},
                        {"datasets", json::array()}});
    }
    json dataset = Place(r, d.File, d.Place);
    dataset["name"] = d.ObjectName;
    groups[at]["datasets"].push_back(std::move(dataset));
  }
  return groups;
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
                    {"usesExtended", u.UsesExtended}});
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
                 {"manualWork", ManualWork(r)}};
  if (!r.ProfileFile().empty()) report["run"]["profile"] = r.ProfileFile();
  if (!r.Descendants().empty()) report["descendants"] = Descendants(r);
  // Text that is not valid UTF-8 is written with replacement characters
  // rather than stopping the report.
  return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace migwiz::replace
