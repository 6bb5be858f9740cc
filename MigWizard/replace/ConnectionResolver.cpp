#include "replace/ConnectionResolver.h"

#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using support::UpperCase;

namespace {

// A unit's name as a uses clause writes it: its file name without extension.
std::string UnitNameOf(const std::string& unitFile) {
  return UpperCase(support::ChangeFileExt(support::ExtractFileName(unitFile), ""));
}

}  // namespace

const char* LinkReasonName(TLinkReason reason) {
  switch (reason) {
    case TLinkReason::lrLinked: return "linked";
    case TLinkReason::lrNoDatabaseName: return "no-database-name";
    case TLinkReason::lrNoDatabase: return "no-database";
    case TLinkReason::lrAmbiguous: return "ambiguous";
    case TLinkReason::lrSharedRoot: return "shared-form-name";
    case TLinkReason::lrNotLinking: return "not-linking";
  }
  return "?";
}

void TConnectionResolver::Clear() { *this = TConnectionResolver(); }

void TConnectionResolver::AddDatabase(const std::string& databaseName, const std::string& formFile,
                                      const std::string& rootName, const std::string& objectName) {
  byName_[UpperCase(databaseName)].push_back(databases_.size());
  databases_.push_back({{formFile, rootName + "." + objectName}, UpperCase(rootName)});
  AddForm(formFile, rootName);
}

void TConnectionResolver::AddForm(const std::string& formFile, const std::string& rootName) {
  if (!rootName.empty()) rootForms_[UpperCase(rootName)].insert(formFile);
}

void TConnectionResolver::AddFormUnit(const std::string& formFile, const std::string& unitFile) {
  formUnit_.emplace(formFile, unitFile);  // the first unit naming a form is its own
}

void TConnectionResolver::AddUses(const std::string& unitFile, const std::vector<std::string>& usedUnits) {
  auto& names = uses_[unitFile];
  for (const std::string& u : usedUnits) names.insert(UpperCase(u));
}

void TConnectionResolver::AddProject(const std::string& projectFile, const std::vector<std::string>& unitFiles) {
  const size_t id = projects_++;
  unitProjects_[UpperCase(projectFile)].push_back(id);  // the project source is in its project
  for (const std::string& unit : unitFiles) {
    std::vector<size_t>& in = unitProjects_[UpperCase(unit)];
    if (in.empty() || in.back() != id) in.push_back(id);
  }
}

std::string TConnectionResolver::UnitOf(const std::string& formFile) const {
  auto it = formUnit_.find(formFile);
  return it == formUnit_.end() ? std::string() : it->second;
}

bool TConnectionResolver::ShareProject(const std::string& unitA, const std::string& unitB) const {
  if (oneProject_) return true;
  auto a = unitProjects_.find(UpperCase(unitA));
  auto b = unitProjects_.find(UpperCase(unitB));
  if (a == unitProjects_.end() || b == unitProjects_.end()) return false;
  for (size_t p : a->second)
    for (size_t q : b->second)
      if (p == q) return true;
  return false;
}

bool TConnectionResolver::Uses(const std::string& unit, const std::string& usedUnitFile) const {
  auto it = uses_.find(unit);
  return it != uses_.end() && !usedUnitFile.empty() && it->second.count(UnitNameOf(usedUnitFile)) > 0;
}

TConnectionChoice TConnectionResolver::Resolve(const std::string& formFile,
                                               const std::string& databaseName) const {
  TConnectionChoice choice;
  choice.DatabaseName = databaseName;
  auto found = byName_.find(UpperCase(databaseName));
  if (found == byName_.end()) {
    choice.Reason = TLinkReason::lrNoDatabase;
    return choice;
  }
  auto keep = [&](const std::vector<size_t>& from, auto pred) {
    std::vector<size_t> kept;
    for (size_t i : from)
      if (pred(databases_[i])) kept.push_back(i);
    return kept;
  };
  std::vector<size_t> pool = found->second;
  std::vector<size_t> own = keep(pool, [&](const Database& d) { return d.candidate.FormFile == formFile; });
  const bool inOwnForm = !own.empty();
  if (inOwnForm) {
    pool = own;
  } else {
    const std::string unit = UnitOf(formFile);
    // In a project with the dataset's unit, where there are such.
    std::vector<size_t> inProject =
        keep(pool, [&](const Database& d) { return ShareProject(unit, UnitOf(d.candidate.FormFile)); });
    if (!inProject.empty()) pool = inProject;
    // A form reaches the components of the units it uses.
    std::vector<size_t> used = keep(pool, [&](const Database& d) { return Uses(unit, UnitOf(d.candidate.FormFile)); });
    if (!used.empty()) pool = used;
  }
  if (pool.size() != 1) {
    choice.Reason = TLinkReason::lrAmbiguous;
    for (size_t i : pool) choice.Candidates.push_back(databases_[i].candidate);
    return choice;
  }
  const Database& d = databases_[pool.front()];
  choice.Chosen = d.candidate;
  // A reference names the form by its root name: two forms of that name
  // make it mean either, unless it is the dataset's own form.
  auto forms = rootForms_.find(d.root);
  if (!inOwnForm && forms != rootForms_.end() && forms->second.size() > 1) {
    choice.Reason = TLinkReason::lrSharedRoot;
    return choice;
  }
  choice.Reason = TLinkReason::lrLinked;
  return choice;
}

}  // namespace migwiz::replace
