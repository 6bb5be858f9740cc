#include "profile/ProfileLoader.h"

#include "profile/ProfileConsistency.h"

#define TOML_HEADER_ONLY 1
#include <toml++/toml.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <sstream>

namespace migwiz::profile {

std::string TProfileIssue::Text() const {
  return File + ":" + std::to_string(Line) + ":" + std::to_string(Column) + ": " + Message;
}

namespace {

std::string JoinIssues(const std::vector<TProfileIssue>& issues) {
  std::string text;
  for (const TProfileIssue& i : issues) text += (text.empty() ? "" : "\n") + i.Text();
  return text;
}

TSourcePlace PlaceOf(const toml::source_region& r) {
  return {static_cast<int>(r.begin.line), static_cast<int>(r.begin.column)};
}

const char* TypeName(const toml::node& n) {
  switch (n.type()) {
    case toml::node_type::table: return "a table";
    case toml::node_type::array: return "an array";
    case toml::node_type::string: return "a string";
    case toml::node_type::integer: return "an integer";
    case toml::node_type::floating_point: return "a number";
    case toml::node_type::boolean: return "a boolean";
    default: return "a date or time";
  }
}

bool IsIdentifier(std::string_view s, bool dotted) {
  if (s.empty()) return false;
  bool start = true;
  for (char c : s) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    bool digit = c >= '0' && c <= '9';
    if (c == '.' && dotted && !start) {
      start = true;
      continue;
    }
    if (!(letter || (digit && !start))) return false;
    start = false;
  }
  return !start;
}

// Reads one profile document into a profile, noting every issue.
class TReader {
 public:
  TReader(std::string file, std::vector<TProfileIssue>& issues) : file_(std::move(file)), issues_(issues) {}

  void Read(const toml::table& doc, TMigrationProfile& p, bool& extends) {
    CheckKeys(doc, {"format", "extends", "source", "units", "pair", "class", "translate", "uncovered",
                    "descendant"},
              "the profile");
    if (const toml::node* f = doc.get("format")) {
      if (!f->is_integer()) TypeError(*f, "format", "an integer");
      else if (f->as_integer()->get() != 1)
        Error(*f, "format " + std::to_string(f->as_integer()->get()) + " is not known (this program reads format 1)");
    } else {
      Error(doc.source(), "format is missing (format = 1)");
    }
    extends = false;
    if (auto e = Text(doc, "extends", kMaxNameLength)) {
      if (*e != kBuiltinProfileName) Error(*doc.get("extends"), "extends must be \"built-in\"");
      else extends = true;
    }
    if (auto s = Text(doc, "source", kMaxNameLength)) {
      if (!IsIdentifier(*s, false)) Error(*doc.get("source"), "source must be a name (letters, digits, _)");
      p.SourceName = *s;
    } else if (!extends && !doc.get("source")) {
      Error(doc.source(), "source is missing");
    }
    ReadUnits(doc, p, extends);
    ForEachTable(doc, "pair", [&](const toml::table& t) { ReadPair(t, p); });
    if (const toml::table* classes = Table(doc, "class")) {
      if (classes->size() > kMaxProfileListItems) Error(*classes, "too many classes");
      for (auto&& [key, node] : *classes) ReadClass(key, node, p);
    }
    if (const toml::table* tr = Table(doc, "translate")) {
      CheckKeys(*tr, {"always-kept", "rule"}, "[translate]");
      if (auto kept = Names(*tr, "always-kept", false)) p.AlwaysKept = *kept;
      std::vector<TPropertyRule> rules;
      ForEachTable(*tr, "rule", [&](const toml::table& t) { ReadRule(t, rules); });
      // Rules of an extending profile come first: the first that fits decides.
      p.Rules.insert(p.Rules.begin(), rules.begin(), rules.end());
    }
    ForEachTable(doc, "uncovered", [&](const toml::table& t) {
      CheckKeys(t, {"class", "kind", "advice"}, "[[uncovered]]");
      TUncoveredClass u;
      u.Place = PlaceOf(t.source());
      u.Class = ClassName(t, "class");
      if (auto kind = Text(t, "kind", kMaxNameLength)) {
        if (!IsIdentifier(*kind, false)) Error(*t.get("kind"), "kind must be a name");
        u.Kind = *kind;
      }
      if (auto a = Text(t, "advice", kMaxTextLength)) u.Advice = *a;
      p.Uncovered.push_back(std::move(u));
    });
    ForEachTable(doc, "descendant", [&](const toml::table& t) {
      CheckKeys(t, {"class", "ancestor", "published"}, "[[descendant]]");
      TDescendant d;
      d.Place = PlaceOf(t.source());
      d.Class = ClassName(t, "class");
      d.Ancestor = ClassName(t, "ancestor");
      if (auto pub = Names(t, "published", false)) d.Published = *pub;
      p.Descendants.push_back(std::move(d));
    });
  }

  void Error(const toml::source_region& r, std::string message) {
    issues_.push_back({file_, static_cast<int>(r.begin.line), static_cast<int>(r.begin.column), std::move(message)});
  }
  void Error(const toml::node& n, std::string message) { Error(n.source(), std::move(message)); }

 private:
  void TypeError(const toml::node& n, std::string_view key, std::string_view wanted) {
    Error(n, std::string(key) + " must be " + std::string(wanted) + ", not " + TypeName(n));
  }

  void CheckKeys(const toml::table& t, std::initializer_list<std::string_view> allowed, std::string_view where) {
    for (auto&& [key, node] : t) {
      (void)node;
      if (std::find(allowed.begin(), allowed.end(), key.str()) == allowed.end())
        Error(key.source(), "unknown key \"" + std::string(key.str()) + "\" in " + std::string(where));
    }
  }

  const toml::table* Table(const toml::table& t, std::string_view key) {
    const toml::node* n = t.get(key);
    if (!n) return nullptr;
    if (!n->is_table()) {
      TypeError(*n, key, "a table");
      return nullptr;
    }
    return n->as_table();
  }

  template <class F>
  void ForEachTable(const toml::table& t, std::string_view key, F&& f) {
    const toml::node* n = t.get(key);
    if (!n) return;
    const toml::array* a = n->as_array();
    if (!a || !a->is_array_of_tables()) {
      TypeError(*n, key, "an array of tables ([[" + std::string(key) + "]])");
      return;
    }
    if (a->size() > kMaxProfileListItems) {
      Error(*n, "too many entries in " + std::string(key) + " (at most " + std::to_string(kMaxProfileListItems) + ")");
      return;
    }
    for (const toml::node& item : *a) f(*item.as_table());
  }

  std::optional<std::string> Text(const toml::table& t, std::string_view key, size_t maxLength) {
    const toml::node* n = t.get(key);
    if (!n) return std::nullopt;
    if (!n->is_string()) {
      TypeError(*n, key, "a string");
      return std::nullopt;
    }
    const std::string& s = n->as_string()->get();
    if (s.size() > maxLength) {
      Error(*n, std::string(key) + " is too long (" + std::to_string(s.size()) + " characters, at most " +
                    std::to_string(maxLength) + ")");
      return std::nullopt;
    }
    return s;
  }

  std::string RequiredText(const toml::table& t, std::string_view key, size_t maxLength) {
    if (!t.get(key)) {
      Error(t.source(), std::string(key) + " is missing");
      return std::string();
    }
    return Text(t, key, maxLength).value_or(std::string());
  }

  std::string ClassName(const toml::table& t, std::string_view key) {
    std::string name = RequiredText(t, key, kMaxNameLength);
    if (!name.empty() && !IsIdentifier(name, false))
      Error(*t.get(key), std::string(key) + " \"" + name + "\" is not a class name");
    return name;
  }

  std::optional<bool> Flag(const toml::table& t, std::string_view key) {
    const toml::node* n = t.get(key);
    if (!n) return std::nullopt;
    if (!n->is_boolean()) {
      TypeError(*n, key, "true or false");
      return std::nullopt;
    }
    return n->as_boolean()->get();
  }

  // An array of names (identifiers; dotted ones when allowed).
  std::optional<std::vector<std::string>> Names(const toml::table& t, std::string_view key, bool dotted) {
    const toml::node* n = t.get(key);
    if (!n) return std::nullopt;
    const toml::array* a = n->as_array();
    if (!a) {
      TypeError(*n, key, "an array of names");
      return std::nullopt;
    }
    if (a->size() > kMaxProfileListItems) {
      Error(*n, "too many entries in " + std::string(key) + " (at most " + std::to_string(kMaxProfileListItems) + ")");
      return std::nullopt;
    }
    std::vector<std::string> names;
    for (const toml::node& item : *a) {
      if (!item.is_string()) {
        Error(item, "the entries of " + std::string(key) + " must be strings, not " + TypeName(item));
        continue;
      }
      const std::string& s = item.as_string()->get();
      if (s.size() > kMaxNameLength || !IsIdentifier(s, dotted)) {
        Error(item, "\"" + s.substr(0, 40) + "\" in " + std::string(key) + " is not a name");
        continue;
      }
      names.push_back(s);
    }
    return names;
  }

  void ReadUnits(const toml::table& doc, TMigrationProfile& p, bool extends) {
    const toml::table* units = Table(doc, "units");
    if (!units) {
      if (!extends && !doc.get("units")) Error(doc.source(), "[units] is missing");
      return;
    }
    CheckKeys(*units, {"after", "add"}, "[units]");
    if (auto after = Text(*units, "after", kMaxNameLength)) {
      if (!IsIdentifier(*after, true)) Error(*units->get("after"), "after must be a unit name");
      p.OldUsesUnit = *after;
    } else if (!extends && !units->get("after")) {
      Error(units->source(), "after is missing");
    }
    if (auto add = Text(*units, "add", kMaxTextLength)) p.NewUsesList = *add;
    else if (!extends && !units->get("add")) Error(units->source(), "add is missing");
  }

  void ReadPair(const toml::table& t, TMigrationProfile& p) {
    CheckKeys(t, {"old", "new", "kind", "code-only"}, "[[pair]]");
    TClassPair pair;
    pair.Place = PlaceOf(t.source());
    pair.OldClass = ClassName(t, "old");
    pair.NewClass = ClassName(t, "new");
    if (auto kind = Text(t, "kind", kMaxNameLength)) {
      if (!IsIdentifier(*kind, false)) Error(*t.get("kind"), "kind must be a name");
      pair.Kind = *kind;
    }
    pair.CodeOnly = Flag(t, "code-only").value_or(false);
    p.Pairs.push_back(std::move(pair));
  }

  void ReadClass(const toml::key& key, const toml::node& node, TMigrationProfile& p) {
    std::string name(key.str());
    if (name.size() > kMaxNameLength || !IsIdentifier(name, false)) {
      Error(key.source(), "\"" + name.substr(0, 40) + "\" is not a class name");
      return;
    }
    if (!node.is_table()) {
      TypeError(node, "class." + name, "a table");
      return;
    }
    const toml::table& t = *node.as_table();
    CheckKeys(t, {"published", "checked"}, "[class." + name + "]");
    TTargetClass cls;
    cls.Name = name;
    cls.Place = PlaceOf(key.source());
    cls.Checked = Flag(t, "checked").value_or(true);
    if (auto pub = Names(t, "published", false)) cls.Published = *pub;
    else if (cls.Checked && !t.get("published"))
      Error(key.source(), "class " + name + " needs published = [...] or checked = false");
    for (TTargetClass& known : p.Classes) {
      if (SameName(known.Name, name)) {  // an extending profile adds to a class
        for (std::string& prop : cls.Published)
          if (!known.Publishes(prop)) known.Published.push_back(prop);
        known.Checked = known.Checked && cls.Checked;
        return;
      }
    }
    p.Classes.push_back(std::move(cls));
  }

  void ReadRule(const toml::table& t, std::vector<TPropertyRule>& rules) {
    CheckKeys(t, {"property", "classes", "kinds", "action", "to", "params", "values"}, "[[translate.rule]]");
    TPropertyRule rule;
    rule.Place = PlaceOf(t.source());
    rule.Property = RequiredText(t, "property", kMaxNameLength);
    if (!rule.Property.empty() && !IsIdentifier(rule.Property, true))
      Error(*t.get("property"), "property \"" + rule.Property + "\" is not a property name");
    if (auto c = Names(t, "classes", false)) rule.Classes = *c;
    if (auto k = Names(t, "kinds", false)) rule.Kinds = *k;
    static const std::map<std::string, TRuleAction, std::less<>> kActions = {
        {"drop", TRuleAction::Drop},     {"keep", TRuleAction::Keep},
        {"rename", TRuleAction::Rename}, {"connection", TRuleAction::Connection},
        {"params", TRuleAction::Params}, {"values", TRuleAction::Values}};
    std::string action = RequiredText(t, "action", kMaxNameLength);
    auto found = kActions.find(action);
    if (found == kActions.end()) {
      if (!action.empty())
        Error(*t.get("action"), "action \"" + action + "\" is not one of drop, keep, rename, connection, params, values");
      return;
    }
    rule.Action = found->second;
    if (auto to = Text(t, "to", kMaxNameLength)) {
      if (!IsIdentifier(*to, true)) Error(*t.get("to"), "to must be a property name");
      rule.To = *to;
    }
    bool needsTo = rule.Action == TRuleAction::Rename || rule.Action == TRuleAction::Connection ||
                   rule.Action == TRuleAction::Values;
    if (needsTo && rule.To.empty() && !t.get("to")) Error(t.source(), "action " + action + " needs to = \"...\"");
    if (!needsTo && t.get("to")) Error(*t.get("to"), "action " + action + " takes no to");
    if (rule.Action == TRuleAction::Connection && rule.Property != "DatabaseName")
      Error(t.source(), "action connection is for the property DatabaseName only");
    ReadParams(t, rule, action);
    ReadValues(t, rule, action);
    rules.push_back(std::move(rule));
  }

  void ReadParams(const toml::table& t, TPropertyRule& rule, const std::string& action) {
    const toml::node* n = t.get("params");
    if (rule.Action != TRuleAction::Params) {
      if (n) Error(*n, "action " + action + " takes no params");
      return;
    }
    if (!n) {
      Error(t.source(), "action params needs params = [{ name = \"...\", to = \"...\" }, ...]");
      return;
    }
    const toml::array* a = n->as_array();
    if (!a || !a->is_array_of_tables() || a->size() > kMaxProfileListItems) {
      Error(*n, a && a->size() > kMaxProfileListItems ? "too many params" : "params must be an array of { name, to } tables, not " + std::string(TypeName(*n)));
      return;
    }
    for (const toml::node& item : *a) {
      const toml::table& m = *item.as_table();
      CheckKeys(m, {"name", "to"}, "params");
      TParamMapping mapping;
      mapping.Param = RequiredText(m, "name", kMaxNameLength);
      mapping.Property = RequiredText(m, "to", kMaxNameLength);
      if (!mapping.Property.empty() && !IsIdentifier(mapping.Property, false))
        Error(*m.get("to"), "to must be a property name");
      rule.Params.push_back(std::move(mapping));
    }
  }

  void ReadValues(const toml::table& t, TPropertyRule& rule, const std::string& action) {
    const toml::node* n = t.get("values");
    if (rule.Action != TRuleAction::Values) {
      if (n) Error(*n, "action " + action + " takes no values");
      return;
    }
    if (!n) {
      Error(t.source(), "action values needs values = { old = \"new\", ... }");
      return;
    }
    if (!n->is_table()) {
      TypeError(*n, "values", "a table");
      return;
    }
    for (auto&& [key, value] : *n->as_table()) {
      if (!value.is_string()) {
        Error(value, "the value for " + std::string(key.str()) + " must be a string, not " + TypeName(value));
        continue;
      }
      rule.Values.emplace_back(std::string(key.str()), value.as_string()->get());
    }
  }

  std::string file_;
  std::vector<TProfileIssue>& issues_;
};

// What an extending profile starts from, each item marked as the built-in one's.
void StartFromBuiltin(TMigrationProfile& profile) {
  profile = *BuiltinProfile();
  for (TClassPair& x : profile.Pairs) x.Place.Builtin = true;
  for (TTargetClass& x : profile.Classes) x.Place.Builtin = true;
  for (TPropertyRule& x : profile.Rules) x.Place.Builtin = true;
  for (TDescendant& x : profile.Descendants) x.Place.Builtin = true;
  for (TUncoveredClass& x : profile.Uncovered) x.Place.Builtin = true;
}

std::shared_ptr<TMigrationProfile> ParseInto(std::string_view text, const std::string& fileName,
                                             std::vector<TProfileIssue>& issues, bool allowExtends,
                                             bool& extends) {
  auto profile = std::make_shared<TMigrationProfile>();
  TReader reader(fileName, issues);
  if (text.size() > kMaxProfileBytes) {
    issues.push_back({fileName, 1, 1, "the profile is too large (" + std::to_string(text.size()) +
                                          " bytes, at most " + std::to_string(kMaxProfileBytes) + ")"});
    return nullptr;
  }
  toml::table doc;
  try {
    doc = toml::parse(text, fileName);
  } catch (const toml::parse_error& e) {
    issues.push_back({fileName, static_cast<int>(e.source().begin.line),
                      static_cast<int>(e.source().begin.column), std::string(e.description())});
    return nullptr;
  }
  // Peek at extends first: an extending profile starts from the built-in one.
  const toml::node* e = doc.get("extends");
  if (allowExtends && e && e->is_string() && e->as_string()->get() == kBuiltinProfileName)
    StartFromBuiltin(*profile);
  profile->Origin = fileName;
  reader.Read(doc, *profile, extends);
  if (extends && !allowExtends) reader.Error(*doc.get("extends"), "the built-in profile extends nothing");
  if (!issues.empty()) return nullptr;
  CheckProfileConsistency(*profile, fileName, issues);
  return issues.empty() ? profile : nullptr;
}

}  // namespace

EProfileError::EProfileError(std::vector<TProfileIssue> issues)
    : std::runtime_error(JoinIssues(issues)), issues_(std::move(issues)) {}

TProfileCheck CheckProfileText(std::string_view text, const std::string& fileName) {
  TProfileCheck check;
  bool extends = false;
  check.Profile = ParseInto(text, fileName, check.Issues, true, extends);
  // The built-in profile given as a file is the built-in profile: a run
  // with it is the run without it, report included.
  if (check.Profile && text == BuiltinProfileText()) check.Profile->Origin = kBuiltinProfileName;
  return check;
}

TProfileCheck CheckProfileFile(const std::string& path) {
  TProfileCheck check;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    check.Issues.push_back({path, 1, 1, "cannot read the profile (no such file)"});
    return check;
  }
  if (static_cast<size_t>(st.st_size) > kMaxProfileBytes) {
    check.Issues.push_back({path, 1, 1, "the profile is too large (" + std::to_string(st.st_size) +
                                            " bytes, at most " + std::to_string(kMaxProfileBytes) + ")"});
    return check;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) {
    check.Issues.push_back({path, 1, 1, "cannot read the profile"});
    return check;
  }
  return CheckProfileText(text.str(), path);
}

TProfilePtr LoadProfileFile(const std::string& path) {
  TProfileCheck check = CheckProfileFile(path);
  if (!check.Ok()) throw EProfileError(std::move(check.Issues));
  return check.Profile;
}

TProfilePtr BuiltinProfile() {
  static const TProfilePtr profile = [] {
    std::vector<TProfileIssue> issues;
    bool extends = false;
    auto p = ParseInto(BuiltinProfileText(), kBuiltinProfileName, issues, false, extends);
    if (!p) throw EProfileError(std::move(issues));  // caught by the profile's own tests
    p->Origin = kBuiltinProfileName;
    return TProfilePtr(p);
  }();
  return profile;
}

}  // namespace migwiz::profile
