#include "profile/ProfileConsistency.h"

#include <algorithm>

namespace migwiz::profile {

namespace {

// What only the whole profile can tell: pairs, classes and rules that do not
// fit together, descendants that lead nowhere.
class TConsistency {
 public:
  TConsistency(const TMigrationProfile& p, const std::string& file, std::vector<TProfileIssue>& issues)
      : p_(p), file_(file), issues_(issues) {}

  void Check() {
    CheckPairs();
    CheckRules();
    CheckDescendants();
    for (const TUncoveredClass& u : p_.Uncovered)
      if (p_.FindPair(u.Class)) Error(u.Place, u.Class + " is paired, so it cannot be without counterpart");
  }

 private:
  void CheckPairs() {
    for (size_t i = 0; i < p_.Pairs.size(); ++i) {
      const TClassPair& pair = p_.Pairs[i];
      if (pair.OldClass.empty() || pair.NewClass.empty()) continue;
      if (SameName(pair.OldClass, pair.NewClass))
        Error(pair.Place, pair.OldClass + " is paired to itself");
      const TClassPair* first = p_.FindPair(pair.OldClass);
      if (first != &pair)
        Error(pair.Place, pair.OldClass + " is paired twice (first " +
                              (first->Place.Builtin ? std::string("in the built-in profile")
                                                    : "at line " + std::to_string(first->Place.Line)) + ")");
      if (!pair.CodeOnly && !p_.FindClass(pair.NewClass))
        Error(pair.Place, "the new class " + pair.NewClass + " of " + pair.OldClass +
                                      " is not registered (add [class." + pair.NewClass + "] or code-only = true)");
    }
  }

  // The new classes of the objects a rule is for.
  std::vector<const TTargetClass*> TargetsOf(const TPropertyRule& rule) {
    std::vector<const TTargetClass*> targets;
    for (const TClassPair& pair : p_.Pairs) {
      bool named = std::find(rule.Classes.begin(), rule.Classes.end(), pair.OldClass) != rule.Classes.end() ||
                   (!pair.Kind.empty() && std::find(rule.Kinds.begin(), rule.Kinds.end(), pair.Kind) != rule.Kinds.end());
      if (!named) continue;
      if (const TTargetClass* c = p_.FindClass(pair.NewClass)) targets.push_back(c);
    }
    return targets;
  }

  // Of a dotted name, the published property is the part before the dot.
  void CheckPublished(const TPropertyRule& rule, const std::string& stored) {
    const std::string property = stored.substr(0, stored.find('.'));
    if (rule.Classes.empty() && rule.Kinds.empty()) {
      bool anyone = std::any_of(p_.Classes.begin(), p_.Classes.end(),
                                [&](const TTargetClass& c) { return !c.Checked || c.Publishes(property); });
      if (!anyone) Error(rule.Place, "no class of the profile publishes " + property);
      return;
    }
    for (const TTargetClass* c : TargetsOf(rule))
      if (c->Checked && !c->Publishes(property))
        Error(rule.Place, rule.Property + " becomes " + property + ", which " + c->Name + " does not publish");
  }

  void CheckRules() {
    for (const TPropertyRule& rule : p_.Rules) {
      for (const std::string& c : rule.Classes)
        if (!p_.FindPair(c) && !p_.FindDescendant(c))
          Error(rule.Place, "the rule is for " + c + ", which the profile does not pair");
      for (const std::string& k : rule.Kinds)
        if (std::none_of(p_.Pairs.begin(), p_.Pairs.end(), [&](const TClassPair& pr) { return pr.Kind == k; }))
          Error(rule.Place, "no pair is of the kind " + k);
      switch (rule.Action) {
        case TRuleAction::Keep: CheckPublished(rule, rule.Property); break;
        case TRuleAction::Rename:
        case TRuleAction::Connection:
        case TRuleAction::Values: CheckPublished(rule, rule.To); break;
        case TRuleAction::Params:
          for (const TParamMapping& m : rule.Params) CheckPublished(rule, m.Property);
          break;
        case TRuleAction::Drop: break;
      }
    }
  }

  void CheckDescendants() {
    for (const TDescendant& d : p_.Descendants) {
      if (d.Class.empty() || d.Ancestor.empty()) continue;
      if (p_.FindPair(d.Class)) {
        Error(d.Place, d.Class + " is paired, so it cannot be a descendant");
        continue;
      }
      if (SameName(d.Class, d.Ancestor)) {
        Error(d.Place, d.Class + " derives from itself");
        continue;
      }
      if (p_.FindDescendant(d.Class) != &d) {
        Error(d.Place, d.Class + " is named twice as a descendant");
        continue;
      }
      if (!p_.ConvertedAs(d.Class)) {
        if (Cycles(d))
          Error(d.Place, "the descendants of " + d.Class + " form a cycle: " + CyclePath(d));
        else
          Error(d.Place, d.Class + " derives from " + d.Ancestor + ", which the profile neither pairs nor names as a descendant");
      }
    }
  }

  bool Cycles(const TDescendant& d) const {
    const TDescendant* at = &d;
    for (size_t steps = 0; steps <= p_.Descendants.size() && at; ++steps) {
      at = p_.FindDescendant(at->Ancestor);
      if (at == &d) return true;
    }
    return false;
  }

  std::string CyclePath(const TDescendant& d) const {
    std::string path = d.Class;
    for (const TDescendant* at = p_.FindDescendant(d.Ancestor); at; at = p_.FindDescendant(at->Ancestor)) {
      path += " -> " + at->Class;
      if (at == &d) break;
    }
    return path;
  }

  void Error(TSourcePlace at, std::string message) { issues_.push_back({file_, at.Line, at.Column, std::move(message)}); }

  const TMigrationProfile& p_;
  const std::string& file_;
  std::vector<TProfileIssue>& issues_;
};

}  // namespace

void CheckProfileConsistency(const TMigrationProfile& profile, const std::string& file,
                             std::vector<TProfileIssue>& issues) {
  TConsistency(profile, file, issues).Check();
}

}  // namespace migwiz::profile
