// A migration profile: the data that makes the general replacer a wizard
// from one component set to another. What classes become, which units are
// added, what the new classes publish and how properties are translated.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace migwiz::profile {

// Where a value was written in a profile file (1-based; 0 when not from a file).
struct TSourcePlace {
  int Line = 0;
  int Column = 0;
  bool Builtin = false;  // in the built-in profile an extending profile starts from
};

struct TClassPair {
  std::string OldClass;
  std::string NewClass;
  std::string Kind;       // what an object of the class is ("query"); may be empty
  bool CodeOnly = false;  // never met in forms (an exception class)
  TSourcePlace Place;
};

struct TTargetClass {
  std::string Name;
  std::vector<std::string> Published;
  bool Checked = true;  // false: every property of a converted object is kept
  TSourcePlace Place;
  // Letter case ignored, as the class registry does.
  bool Publishes(std::string_view property) const;
};

enum class TRuleAction { Drop, Keep, Rename, Connection, Params, Values };

struct TParamMapping {
  std::string Param;     // the parameter's name, letter case ignored
  std::string Property;  // stored as, quoted
};

struct TPropertyRule {
  std::string Property;              // as written in the form, exact
  std::vector<std::string> Classes;  // old classes the rule is for, exact
  std::vector<std::string> Kinds;    // kinds the rule is for
  TRuleAction Action = TRuleAction::Keep;
  std::string To;
  std::vector<TParamMapping> Params;
  std::vector<std::pair<std::string, std::string>> Values;
  TSourcePlace Place;
  // Neither classes nor kinds: every object.
  bool AppliesTo(std::string_view oldClass, std::string_view kind) const;
};

// A class that derives from a paired class (directly or through other
// descendants). Its objects keep their class and are converted as its
// ancestor's; what it publishes itself is kept.
struct TDescendant {
  std::string Class;
  std::string Ancestor;
  std::vector<std::string> Published;
  std::string File;  // the unit that declares it; empty when the profile names it
  int Line = 0;      // of its declaration in File
  TSourcePlace Place;
};

// A class of the old family that has no counterpart: its objects stay.
struct TUncoveredClass {
  std::string Class;
  std::string Kind;  // may be empty
  std::string Advice;
  TSourcePlace Place;
};

struct TMigrationProfile {
  std::string Origin;  // "built-in" or the file it was read from
  std::string SourceName;
  std::string OldUsesUnit;
  std::string NewUsesList;
  std::vector<TClassPair> Pairs;
  std::vector<TTargetClass> Classes;
  std::vector<TPropertyRule> Rules;
  std::vector<std::string> AlwaysKept;
  std::vector<TDescendant> Descendants;
  std::vector<TUncoveredClass> Uncovered;

  // Letter case ignored; the first pair for a name wins.
  const TClassPair* FindPair(std::string_view oldClass) const;
  const TTargetClass* FindClass(std::string_view name) const;
  const TDescendant* FindDescendant(std::string_view name) const;
  const TUncoveredClass* FindUncovered(std::string_view name) const;
  // The pair a class is converted by: its own, or for a descendant its
  // nearest paired ancestor's; null for neither (or a cycle).
  const TClassPair* ConvertedAs(std::string_view className) const;
  // Whether a descendant (or one of the descendants it derives through)
  // publishes the property itself.
  bool DescendantPublishes(std::string_view className, std::string_view property) const;
  bool IsAlwaysKept(std::string_view property) const;
};

using TProfilePtr = std::shared_ptr<const TMigrationProfile>;

bool SameName(std::string_view a, std::string_view b);

}  // namespace migwiz::profile
