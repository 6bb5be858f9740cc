#include "profile/MigrationProfile.h"

#include <strings.h>

#include <algorithm>

namespace migwiz::profile {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

namespace {

template <class T, class Name>
const T* FindByName(const std::vector<T>& items, std::string_view name, Name nameOf) {
  for (const T& item : items)
    if (SameName(nameOf(item), name)) return &item;
  return nullptr;
}

}  // namespace

bool TTargetClass::Publishes(std::string_view property) const {
  return std::any_of(Published.begin(), Published.end(),
                     [&](const std::string& p) { return SameName(p, property); });
}

bool TPropertyRule::AppliesTo(std::string_view oldClass, std::string_view kind) const {
  if (Classes.empty() && Kinds.empty()) return true;
  if (std::find(Classes.begin(), Classes.end(), oldClass) != Classes.end()) return true;
  return !kind.empty() && std::find(Kinds.begin(), Kinds.end(), kind) != Kinds.end();
}

const TClassPair* TMigrationProfile::FindPair(std::string_view oldClass) const {
  return FindByName(Pairs, oldClass, [](const TClassPair& p) -> const std::string& { return p.OldClass; });
}

const TTargetClass* TMigrationProfile::FindClass(std::string_view name) const {
  return FindByName(Classes, name, [](const TTargetClass& c) -> const std::string& { return c.Name; });
}

const TDescendant* TMigrationProfile::FindDescendant(std::string_view name) const {
  return FindByName(Descendants, name, [](const TDescendant& d) -> const std::string& { return d.Class; });
}

const TUncoveredClass* TMigrationProfile::FindUncovered(std::string_view name) const {
  return FindByName(Uncovered, name, [](const TUncoveredClass& u) -> const std::string& { return u.Class; });
}

const TClassPair* TMigrationProfile::ConvertedAs(std::string_view className) const {
  std::string_view name = className;
  for (size_t steps = 0; steps <= Descendants.size(); ++steps) {
    if (const TClassPair* pair = FindPair(name)) return pair;
    const TDescendant* d = FindDescendant(name);
    if (!d) return nullptr;
    name = d->Ancestor;
  }
  return nullptr;  // a cycle
}

bool TMigrationProfile::DescendantPublishes(std::string_view className, std::string_view property) const {
  std::string_view name = className;
  for (size_t steps = 0; steps < Descendants.size(); ++steps) {
    if (FindPair(name)) return false;
    const TDescendant* d = FindDescendant(name);
    if (!d) return false;
    if (std::any_of(d->Published.begin(), d->Published.end(),
                    [&](const std::string& p) { return SameName(p, property); }))
      return true;
    name = d->Ancestor;
  }
  return false;
}

bool TMigrationProfile::IsAlwaysKept(std::string_view property) const {
  return std::find(AlwaysKept.begin(), AlwaysKept.end(), property) != AlwaysKept.end();
}

}  // namespace migwiz::profile
