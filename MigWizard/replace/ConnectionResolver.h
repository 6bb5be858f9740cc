// Which TDatabase a dataset's DatabaseName means. Several applications in
// one tree may each hold a TDatabase of the same name, so a name alone does
// not decide: the TDatabase objects of that name are narrowed to the one in
// the dataset's own form, else to those in forms of a project that lists
// the dataset's unit, and among them to those whose unit the dataset's unit
// uses. A link is made only when exactly one remains.
//
// Everything is gathered once per run into hash maps, so that a run with
// thousands of database names and datasets costs linear time; Resolve only
// reads and may be called from several threads at once.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace migwiz::replace {

// A TDatabase met in a form of the run.
struct TDatabaseCandidate {
  std::string FormFile;
  std::string Reference;  // FormName.ComponentName
  bool operator==(const TDatabaseCandidate&) const = default;
};

enum class TLinkReason {
  lrLinked,          // the connection was set
  lrNoDatabaseName,  // the dataset has no DatabaseName in the form
  lrNoDatabase,      // no TDatabase of the run carries its name
  lrAmbiguous,       // two or more carry it, none nearer than the others
  lrSharedRoot,      // the one found is on a form whose name another form shares
  lrNotLinking,      // a folder run without --link-connections
};

// The report's name of a reason ("linked", "no-database-name", ...).
const char* LinkReasonName(TLinkReason reason);

struct TConnectionChoice {
  TLinkReason Reason = TLinkReason::lrNoDatabaseName;
  std::string DatabaseName;
  // The TDatabase linked, or the one a linking run would link.
  TDatabaseCandidate Chosen;
  // The equally good ones, when none was chosen.
  std::vector<TDatabaseCandidate> Candidates;
  bool operator==(const TConnectionChoice&) const = default;
};

class TConnectionResolver {
 public:
  void Clear();

  // In a project run every unit is in the one project.
  void SetOneProject(bool oneProject) { oneProject_ = oneProject; }
  void AddDatabase(const std::string& databaseName, const std::string& formFile,
                   const std::string& rootName, const std::string& objectName);
  // A form of the run: its root object's name and the unit that names it.
  void AddForm(const std::string& formFile, const std::string& rootName);
  void AddFormUnit(const std::string& formFile, const std::string& unitFile);
  // The unit names of a unit's uses clauses.
  void AddUses(const std::string& unitFile, const std::vector<std::string>& usedUnits);
  // A project file (.dpr, .dproj) and the unit files it lists.
  void AddProject(const std::string& projectFile, const std::vector<std::string>& unitFiles);
  bool HasDatabases() const { return !databases_.empty(); }

  // The TDatabase for a dataset of formFile whose DatabaseName is
  // databaseName (letter case ignored).
  TConnectionChoice Resolve(const std::string& formFile, const std::string& databaseName) const;

 private:
  struct Database {
    TDatabaseCandidate candidate;
    std::string root;  // upper-cased
  };
  std::string UnitOf(const std::string& formFile) const;
  bool ShareProject(const std::string& unitA, const std::string& unitB) const;
  bool Uses(const std::string& unit, const std::string& usedUnitFile) const;

  bool oneProject_ = false;
  std::vector<Database> databases_;
  std::unordered_map<std::string, std::vector<size_t>> byName_;           // upper-cased name
  std::unordered_map<std::string, std::string> formUnit_;                 // form file -> unit file
  std::unordered_map<std::string, std::unordered_set<std::string>> rootForms_;  // root -> forms
  std::unordered_map<std::string, std::unordered_set<std::string>> uses_;  // unit file -> used names
  std::unordered_map<std::string, std::vector<size_t>> unitProjects_;      // unit file (upper) -> projects
  size_t projects_ = 0;
};

}  // namespace migwiz::replace
