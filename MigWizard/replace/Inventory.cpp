#include "replace/Inventory.h"

#include <nlohmann/json.hpp>

#include <map>

#include "replace/ConnectionResolver.h"
#include "replace/ManualWorkScan.h"
#include "replace/RunReportJson.h"
#include "replace/RunReportText.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

namespace {

using json = nlohmann::ordered_json;

// The objects of one class met in forms.
struct TClassCount {
  std::string ClassName;
  std::string NewClass;      // empty: not converted
  std::string DescendantOf;  // the paired class a descendant is converted as
  int Text = 0, Binary = 0, Unparsed = 0;
};

// A TDatabase: what defines its name. Passwords never appear: only the
// names of the parameters are kept.
struct TDefinition {
  const TConvertedObject* Object;
  std::string Alias, Driver;
  std::vector<std::string> Parameters;
};

struct TDatabaseName {
  std::string Name;
  std::vector<TDefinition> DefinedBy;
  std::vector<const TConvertedObject*> UsedBy;
};

class TInventory {
 public:
  TInventory(const TRunReport& r, const profile::TMigrationProfile& p) : r_(r), p_(p) {
    for (const TConvertedObject& o : r.ConvertedObjects()) {
      TClassCount& c = Count(o.OldClass);
      c.NewClass = o.NewClass;
      (o.Place.Binary ? c.Binary : c.Text)++;
      const profile::TClassPair* as = p.ConvertedAs(o.OldClass);
      if (as && !support::SameText(as->OldClass, o.OldClass)) c.DescendantOf = as->OldClass;
      if (as && as->Kind == "connection") Define(o);
    }
    for (const TConvertedObject& o : r.ConvertedObjects())
      if (o.NeedsConnection && !o.Connection.DatabaseName.empty()) Name(o.Connection.DatabaseName).UsedBy.push_back(&o);
    for (const TUnparsedObject& u : r.UnparsedObjects()) Count(u.ClassName).Unparsed++;
    for (const TObjectWithoutCounterpart& w : r.ObjectsWithoutCounterpart()) {
      TClassCount& c = Count(w.ClassName);
      (w.Place.Binary ? c.Binary : c.Text)++;
    }
  }

  const std::vector<TClassCount>& Classes() const { return classes_; }
  const std::vector<TDatabaseName>& Names() const { return names_; }

 private:
  TClassCount& Count(const std::string& className) {
    for (TClassCount& c : classes_)
      if (support::SameText(c.ClassName, className)) return c;
    classes_.push_back({className, "", "", 0, 0, 0});
    return classes_.back();
  }

  TDatabaseName& Name(const std::string& name) {
    for (TDatabaseName& n : names_)
      if (support::SameText(n.Name, name)) return n;
    names_.push_back({name, {}, {}});
    return names_.back();
  }

  void Define(const TConvertedObject& o) {
    TDefinition d{&o, "", "", {}};
    std::string name;
    for (const TDroppedProperty& p : o.Dropped) {
      if (p.ParamLine) d.Parameters.push_back(p.Name);
      else if (p.Name == "DatabaseName") name = Unquoted(p.Value);
      else if (p.Name == "AliasName") d.Alias = Unquoted(p.Value);
      else if (p.Name == "DriverName") d.Driver = Unquoted(p.Value);
    }
    for (const TTranslatedProperty& t : o.Translated)
      if (t.OldName.rfind("Params ", 0) == 0) d.Parameters.push_back(t.OldName.substr(7));
    if (!name.empty()) Name(name).DefinedBy.push_back(std::move(d));
  }

  static std::string Unquoted(const std::string& v) {
    return v.size() >= 2 && v.front() == '\'' && v.back() == '\'' ? v.substr(1, v.size() - 2) : v;
  }

  const TRunReport& r_;
  const profile::TMigrationProfile& p_;
  std::vector<TClassCount> classes_;
  std::vector<TDatabaseName> names_;
};

std::string PlaceText(const TRunReport& r, const std::string& file, const TFormPlace& place) {
  if (place.Binary) return r.Relative(file) + " " + place.Path + " (line " + std::to_string(place.Line) + " of its text form)";
  return r.Relative(file) + ":" + std::to_string(place.Line) + " " + place.Path;
}

void Heading(std::string& out, const std::string& title, size_t count) {
  out += "\n" + title + " (" + std::to_string(count) + ")\n";
  if (count == 0) out += "  none\n";
}

std::string LinkText(const TConvertedObject& o) {
  const TConnectionChoice& c = o.Connection;
  switch (c.Reason) {
    case TLinkReason::lrLinked: return "linked to " + c.Chosen.Reference;
    case TLinkReason::lrNotLinking:
      return c.Chosen.Reference.empty() ? "not linked (folder run without --link-connections)"
                                        : "would be linked to " + c.Chosen.Reference + " with --link-connections";
    case TLinkReason::lrAmbiguous: {
      std::string text = "not linked: " + std::to_string(c.Candidates.size()) + " equally near:";
      for (const TDatabaseCandidate& k : c.Candidates) text += " " + k.Reference;
      return text;
    }
    case TLinkReason::lrSharedRoot: return "not linked: the form name of " + c.Chosen.Reference + " is shared";
    case TLinkReason::lrNoDatabase: return "not linked: no TDatabase defines the name";
    case TLinkReason::lrNoDatabaseName: return "names no database";
  }
  return std::string();
}

const char* KindText(TManualWorkKind kind) { return ManualWorkKindName(kind); }

}  // namespace

std::string InventoryText(const TRunReport& r, const profile::TMigrationProfile& p) {
  TInventory inv(r, p);
  std::string out = "Inventory: what a run would face (nothing was written)\n";
  out += (r.Mode() == TReportMode::rmProject ? "Project: " : "Folder: ") + r.Source() + "\n";
  out += "Paths are relative to " + r.Root() + "\n";
  out += "Profile: " + p.Origin + "\n";

  Heading(out, "Objects in forms by class", inv.Classes().size());
  for (const TClassCount& c : inv.Classes()) {
    out += "  " + c.ClassName;
    if (!c.DescendantOf.empty()) out += " (descendant, converted as " + c.DescendantOf + ")";
    out += c.NewClass.empty() ? std::string(" (no counterpart)") : " -> " + c.NewClass;
    out += ": " + std::to_string(c.Text) + " in text forms, " + std::to_string(c.Binary) + " in binary forms";
    if (c.Unparsed) out += ", " + std::to_string(c.Unparsed) + " the form grammar refuses";
    out += "\n";
  }

  Heading(out, "Database names", inv.Names().size());
  for (const TDatabaseName& n : inv.Names()) {
    out += "  '" + n.Name + "'" + (n.DefinedBy.empty() ? " (no TDatabase defines it)" : "") + "\n";
    for (const TDefinition& d : n.DefinedBy) {
      out += "    defined by " + PlaceText(r, d.Object->File, d.Object->Place);
      if (!d.Alias.empty()) out += ", alias " + d.Alias;
      if (!d.Driver.empty()) out += ", driver " + d.Driver;
      for (size_t i = 0; i < d.Parameters.size(); ++i) out += (i == 0 ? ", parameters " : ", ") + d.Parameters[i];
      out += "\n";
    }
    for (const TConvertedObject* o : n.UsedBy)
      out += "    used by " + PlaceText(r, o->File, o->Place) + ": " + LinkText(*o) + "\n";
  }
  size_t nameless = 0;
  for (const TConvertedObject& o : r.ConvertedObjects()) nameless += o.NeedsConnection && o.Connection.DatabaseName.empty();
  Heading(out, "Datasets that name no database", nameless);
  for (const TConvertedObject& o : r.ConvertedObjects())
    if (o.NeedsConnection && o.Connection.DatabaseName.empty()) out += "  " + PlaceText(r, o.File, o.Place) + "\n";

  Heading(out, "Objects of classes without counterpart", r.ObjectsWithoutCounterpart().size());
  for (const TObjectWithoutCounterpart& w : r.ObjectsWithoutCounterpart())
    out += "  " + PlaceText(r, w.File, w.Place) + ": " + w.ClassName + ": " + w.Advice + "\n";

  Heading(out, "Descendants of paired classes", r.Descendants().size());
  for (const TDescendantClass& d : r.Descendants())
    out += "  " + d.Class + " = class(" + d.Ancestor + ")" +
           (d.File.empty() ? " (named by the profile)" : " " + r.Relative(d.File) + ":" + std::to_string(d.Line)) +
           ", converted as " + d.ConvertedAs + "\n";

  Heading(out, "In units, to rewrite by hand", r.ManualWork().size());
  for (const TManualWork& m : r.ManualWork())
    out += "  " + r.Relative(m.File) + ":" + std::to_string(m.Item.Line) + ":" + std::to_string(m.Item.Column) + " " +
           KindText(m.Item.Kind) + ": " + m.Item.Text + "\n";

  Heading(out, "Files that would change", r.ChangedFiles().size());
  for (const auto& f : r.ChangedFiles()) out += "  " + r.Relative(f.File) + " (" + std::to_string(f.Changes) + " change(s))\n";

  Heading(out, "Objects the form grammar would refuse", r.UnparsedObjects().size());
  for (const TUnparsedObject& u : r.UnparsedObjects())
    out += "  " + r.Relative(u.File) + ":" + std::to_string(u.Line) + ":" + std::to_string(u.Column) + " " +
           u.ObjectName + ": " + u.ClassName + ": " + u.Reason + "\n";
  return out;
}

std::string InventoryJson(const TRunReport& r, const profile::TMigrationProfile& p) {
  TInventory inv(r, p);
  auto place = [&r](const std::string& file, const TFormPlace& at) {
    return json{{"file", r.Relative(file)}, {"line", at.Line}, {"path", at.Path}, {"binary", at.Binary}};
  };
  json classes = json::array();
  for (const TClassCount& c : inv.Classes())
    classes.push_back({{"className", c.ClassName},
                       {"newClass", c.NewClass.empty() ? json(nullptr) : json(c.NewClass)},
                       {"descendantOf", c.DescendantOf.empty() ? json(nullptr) : json(c.DescendantOf)},
                       {"text", c.Text}, {"binary", c.Binary}, {"refused", c.Unparsed}});
  json names = json::array();
  for (const TDatabaseName& n : inv.Names()) {
    json defined = json::array(), used = json::array();
    for (const TDefinition& d : n.DefinedBy) {
      json def = place(d.Object->File, d.Object->Place);
      def["alias"] = d.Alias.empty() ? json(nullptr) : json(d.Alias);
      def["driver"] = d.Driver.empty() ? json(nullptr) : json(d.Driver);
      def["parameters"] = d.Parameters;
      defined.push_back(std::move(def));
    }
    for (const TConvertedObject* o : n.UsedBy) {
      json use = place(o->File, o->Place);
      use["link"] = LinkReasonName(o->Connection.Reason);
      use["connection"] = o->Connection.Chosen.Reference.empty() ? json(nullptr) : json(o->Connection.Chosen.Reference);
      use["candidates"] = json::array();
      for (const TDatabaseCandidate& k : o->Connection.Candidates) use["candidates"].push_back(k.Reference);
      used.push_back(std::move(use));
    }
    names.push_back({{"databaseName", n.Name}, {"definedBy", std::move(defined)}, {"usedBy", std::move(used)}});
  }
  json nameless = json::array();
  for (const TConvertedObject& o : r.ConvertedObjects())
    if (o.NeedsConnection && o.Connection.DatabaseName.empty()) nameless.push_back(place(o.File, o.Place));
  json uncovered = json::array();
  for (const TObjectWithoutCounterpart& w : r.ObjectsWithoutCounterpart()) {
    json u = place(w.File, w.Place);
    u["className"] = w.ClassName;
    u["advice"] = w.Advice;
    uncovered.push_back(std::move(u));
  }
  json descendants = json::array();
  for (const TDescendantClass& d : r.Descendants())
    descendants.push_back({{"className", d.Class}, {"ancestor", d.Ancestor}, {"convertedAs", d.ConvertedAs},
                           {"file", d.File.empty() ? json(nullptr) : json(r.Relative(d.File))}, {"line", d.Line}});
  // The rest as the run's report gives it, so that the figures agree; but
  // for the run's check of its own output, which the inventory does not make.
  json report = json::parse(RunReportJson(r));
  report["summary"].erase("selfCheckFindings");
  json out = {{"schema", "migwiz-inventory"},
              {"version", 1},
              {"source", r.Source()},
              {"root", r.Root()},
              {"profile", p.Origin},
              {"classes", std::move(classes)},
              {"databaseNames", std::move(names)},
              {"datasetsWithoutDatabaseName", std::move(nameless)},
              {"objectsWithoutCounterpart", std::move(uncovered)},
              {"descendants", std::move(descendants)},
              {"manualWork", report["manualWork"]},
              {"changedFiles", report["changedFiles"]},
              {"unparsedObjects", report["unparsedObjects"]},
              {"summary", report["summary"]}};
  return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace migwiz::replace
