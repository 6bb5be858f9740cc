#include "replace/RunReportText.h"

#include <map>

#include "resources/RExpertRes.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

namespace {

constexpr size_t kMaxValue = 200;

// A value on one line: its lines joined by blanks, cut when very long.
std::string OneLine(const std::string& value) {
  std::string line;
  for (const std::string& part : support::SplitTextLines(value)) {
    size_t b = part.find_first_not_of(" \t");
    if (b == std::string::npos) continue;
    if (!line.empty() && line.back() != '(' && part[b] != ')') line += ' ';
    line += part.substr(b);
  }
  if (line.size() > kMaxValue) line = line.substr(0, kMaxValue) + "...";
  return line;
}

std::string Place(const TRunReport& r, const std::string& file, const TFormPlace& place) {
  const std::string converted =
      place.ConvertedLine > 0 ? "converted: line " + std::to_string(place.ConvertedLine) : std::string();
  if (place.Binary)
    return r.Relative(file) + " " + place.Path + " (line " + std::to_string(place.Line) + " of its text form" +
           (converted.empty() ? "" : "; " + converted) + ")";
  return r.Relative(file) + ":" + std::to_string(place.Line) + (converted.empty() ? "" : " (" + converted + ")") +
         " " + place.Path;
}

void Heading(std::string& out, const std::string& title, size_t count) {
  out += "\n" + title + " (" + std::to_string(count) + ")\n";
  if (count == 0) out += "  none\n";
}

void Summary(std::string& out, const TRunReport& r, size_t unlinked) {
  auto row = [&out](const char* what, size_t n) {
    std::string label = std::string("  ") + what + ":";
    label.resize(44, ' ');
    out += label + std::to_string(n) + "\n";
  };
  out += "\nSummary\n";
  row(r.DryRun() ? "files that would change" : "files changed", r.ChangedFiles().size());
  row("units changed", r.UnitChanges().size());
  row("objects converted", r.ConvertedObjects().size());
  row("properties translated", r.TranslatedCount());
  row("properties dropped", r.DroppedCount());
  row("datasets without a connection", unlinked);
  row("objects left with their BDE body", r.UnparsedObjects().size());
  row("places in units to rewrite by hand", r.ManualWork().size());
  row("objects with properties not checked", r.UncheckedObjectsCount());
  row("BDE objects with no counterpart", r.ObjectsWithoutCounterpart().size());
  row("class names renamed in comments", r.RenamedInCommentsCount());
  row("self-check findings", r.SelfCheckFindings().size());
}

void ConvertedObjects(std::string& out, const TRunReport& r) {
  Heading(out, "Objects converted", r.ConvertedObjects().size());
  for (const TConvertedObject& o : r.ConvertedObjects()) {
    out += "  " + Place(r, o.File, o.Place) + ": " + o.OldClass + " -> " + o.NewClass + "\n";
    if (!o.PropertiesChecked)
      out += "    properties not checked: " + o.NewClass + " is not a known class, so every property was kept\n";
    for (const TTranslatedProperty& t : o.Translated)
      out += "    translated  " + t.OldName + " = " + OneLine(t.OldValue) + "  ->  " + t.NewName + " = " +
             OneLine(t.NewValue) + "\n";
    for (const TDroppedProperty& d : o.Dropped)
      out += std::string("    dropped     ") + (d.ParamLine ? "Params line " + d.Name + "=" + OneLine(d.Value)
                                                           : d.Name + " = " + OneLine(d.Value)) + "\n";
  }
}

void UnlinkedDatasets(std::string& out, const TRunReport& r, const std::vector<TUnlinkedDataset>& unlinked) {
  Heading(out, "Datasets without a connection: set Connection by hand", unlinked.size());
  // Grouped by database name (letter case ignored), in the order first met.
  std::vector<std::string> names;
  std::map<std::string, std::vector<const TUnlinkedDataset*>> groups;
  for (const TUnlinkedDataset& d : unlinked) {
    std::string key = support::UpperCase(d.DatabaseName);
    if (!groups.count(key)) names.push_back(d.DatabaseName);
    groups[key].push_back(&d);
  }
  for (const std::string& name : names) {
    out += name.empty() ? std::string("  no DatabaseName\n") : "  database '" + name + "'\n";
    const std::vector<const TUnlinkedDataset*>& group = groups[support::UpperCase(name)];
    // One hint for the group when it holds for each dataset alike.
    const std::string first = UnlinkedHint(r, *group.front());
    bool alike = true;
    for (const TUnlinkedDataset* d : group)
      alike = alike && d->Choice.Candidates.empty() && UnlinkedHint(r, *d) == first;
    if (alike) out += "    " + first + "\n";
    for (const TUnlinkedDataset* d : group) {
      out += "    " + Place(r, d->File, d->Place) + "\n";
      if (alike) continue;
      out += "      " + UnlinkedHint(r, *d) + "\n";
      for (const TDatabaseCandidate& c : d->Choice.Candidates)
        out += "      candidate " + c.Reference + " (" + r.Relative(c.FormFile) + ")\n";
    }
  }
}

void NoCounterpart(std::string& out, const TRunReport& r) {
  Heading(out, "BDE objects with no counterpart: left as they were, deal with them by hand",
          r.ObjectsWithoutCounterpart().size());
  for (const TObjectWithoutCounterpart& o : r.ObjectsWithoutCounterpart())
    out += "  " + Place(r, o.File, o.Place) + ": " + o.ClassName + ": " + o.Advice + "\n";
}

void SelfCheck(std::string& out, const TRunReport& r) {
  if (!r.SelfChecked()) return;
  Heading(out, "Self-check: the converted forms read again", r.SelfCheckFindings().size());
  for (const TSelfCheckFinding& f : r.SelfCheckFindings())
    out += "  " + r.Relative(f.File) + (f.Object.empty() ? "" : " " + f.Object) + ": " + f.Finding + "\n";
}

void UnparsedObjects(std::string& out, const TRunReport& r) {
  Heading(out, "Objects left with their BDE body: fix by hand before the form loads", r.UnparsedObjects().size());
  for (const TUnparsedObject& u : r.UnparsedObjects())
    out += "  " + r.Relative(u.File) + ":" + std::to_string(u.Line) + ":" + std::to_string(u.Column) + " " +
           u.ObjectName + ": " + u.ClassName + ": " +
           (u.Reason.empty() ? "its text does not follow the form grammar" : u.Reason) + "\n";
}

void Units(std::string& out, const TRunReport& r) {
  Heading(out, "Units changed", r.UnitChanges().size());
  for (const TUnitChange& u : r.UnitChanges())
    out += "  " + r.Relative(u.File) + ": " + std::to_string(u.IdentifiersRenamed) + " identifier(s) renamed" +
           (u.RenamedInComments ? ", " + std::to_string(u.RenamedInComments) + " in comments" : "") +
           (u.UsesExtended ? ", uses clause extended" : "") + "\n";
}

const char* KindText(TManualWorkKind kind) {
  switch (kind) {
    case TManualWorkKind::mwBdeApi: return "BDE API";
    case TManualWorkKind::mwBdeUnit: return "BDE unit in uses";
    case TManualWorkKind::mwSession: return "session";
    case TManualWorkKind::mwBdeParameter: return "BDE parameter set in code";
    case TManualWorkKind::mwDatabaseName: return "DatabaseName set in code";
    case TManualWorkKind::mwBdeProperty: return "BDE-only property set in code";
    case TManualWorkKind::mwBdeCreate: return "BDE dataset made in code, without a connection";
    case TManualWorkKind::mwBatchMove: return "BatchMove call";
    case TManualWorkKind::mwDatabaseParams: return "BDE parameters of a database set in code";
  }
  return "";
}

void ManualWork(std::string& out, const TRunReport& r) {
  Heading(out, "In units, to rewrite by hand", r.ManualWork().size());
  for (const TManualWork& m : r.ManualWork())
    out += "  " + r.Relative(m.File) + ":" + std::to_string(m.Item.Line) + ":" + std::to_string(m.Item.Column) +
           " " + KindText(m.Item.Kind) + ": " + m.Item.Text + "\n";
}

// Only in runs that met descendants of paired classes.
void Descendants(std::string& out, const TRunReport& r) {
  if (r.Descendants().empty()) return;
  Heading(out, "Descendants of BDE classes, converted as their ancestors", r.Descendants().size());
  for (const TDescendantClass& d : r.Descendants()) {
    out += "  " + d.Class + " = class(" + d.Ancestor + ")" +
           (d.File.empty() ? " (named by the profile)" : " " + r.Relative(d.File) + ":" + std::to_string(d.Line)) +
           ", converted as " + d.ConvertedAs + "\n";
    for (const TConvertedObject& o : r.ConvertedObjects())
      if (support::SameText(o.OldClass, d.Class)) out += "    " + Place(r, o.File, o.Place) + "\n";
  }
}

}  // namespace

// The choice that links a folder run's datasets, as the user made the run.
static std::string LinkChoice(const TRunReport& r) {
  if (!r.FromWizard()) return "--link-connections";
  return RExpertRes::SLinkConnectionsHint;
}

std::string UnlinkedHint(const TRunReport& r, const TUnlinkedDataset& d) {
  const TConnectionChoice& c = d.Choice;
  const std::string where = c.Chosen.Reference + " (" + r.Relative(c.Chosen.FormFile) + ")";
  switch (c.Reason) {
    case TLinkReason::lrLinked: break;
    case TLinkReason::lrNoDatabaseName:
      return "It names no database in the form: set its Connection to the TTarnConnection it reads through.";
    case TLinkReason::lrNoDatabase:
      return "No TDatabase of the run carries this name: set its Connection to the TTarnConnection "
             "that reaches this database.";
    case TLinkReason::lrAmbiguous:
      return std::to_string(c.Candidates.size()) +
             " TDatabase objects carry this name and none is nearer to it than the others (its own "
             "form, a project with its unit, a unit its unit uses): set its Connection to the one it "
             "means.";
    case TLinkReason::lrSharedRoot:
      return "The TDatabase " + where + " carries this name, but another form of the run has the name " +
             c.Chosen.Reference.substr(0, c.Chosen.Reference.find('.')) +
             " too, so a reference to it could mean either: set its Connection once the forms' names differ.";
    case TLinkReason::lrNotLinking:
      if (!c.Chosen.Reference.empty())
        return "The TDatabase " + where + " carries this name: run again with " + LinkChoice(r) +
               ", or as a project run, to link it, or set its Connection to " + c.Chosen.Reference + ".";
      return "No TDatabase of the run carries this name: set its Connection to the TTarnConnection "
             "that reaches this database.";
  }
  return std::string();
}

std::string RunReportText(const TRunReport& r) {
  const std::vector<TUnlinkedDataset> unlinked = r.UnlinkedDatasets();
  std::string out = "BDE Migration Wizard report\n";
  out += r.Mode() == TReportMode::rmProject ? "Project run: " : "Folder run: ";
  out += r.Source() + "\n";
  out += "Paths are relative to " + r.Root() + "\n";
  if (r.DryRun()) out += "Dry run: no file was changed.\n";
  if (!r.LogFile().empty()) out += "Log: " + r.LogFile() + "\n";
  if (!r.UndoFile().empty()) out += "Undo file: " + r.UndoFile() + "\n";
  if (!r.ProfileFile().empty()) out += "Profile: " + r.ProfileFile() + "\n";
  Summary(out, r, unlinked.size());
  ConvertedObjects(out, r);
  UnlinkedDatasets(out, r, unlinked);
  UnparsedObjects(out, r);
  NoCounterpart(out, r);
  Units(out, r);
  ManualWork(out, r);
  SelfCheck(out, r);
  Descendants(out, r);
  return out;
}

}  // namespace migwiz::replace
