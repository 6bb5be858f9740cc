// What a replace run did, per form, object and unit, kept for the report a
// user works through afterwards (Wiz_Report.txt, or JSON for scripts). The
// replacer feeds it while it converts; the writers only read it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "replace/ConnectionResolver.h"
#include "replace/ManualWorkScan.h"

namespace migwiz::replace {

// Where an object stands in its form: the line of its header in the text
// form (for a binary form, in the text it converts to) and its path from the
// root ("DM.qryOrders"), which is what names it in a binary form.
struct TFormPlace {
  int Line = 0;
  std::string Path;
  bool Binary = false;
  // The line of its header in the converted form (for a binary form, in the
  // text the converted form converts to); 0 when not known.
  int ConvertedLine = 0;
};

// A property stored under a new name or with a new value. Secrets are
// already masked ("***") when they reach the report.
struct TTranslatedProperty {
  std::string OldName;
  std::string OldValue;
  std::string NewName;
  std::string NewValue;
};

// A property that the target class has no place for. A line of a
// TDatabase's Params list is dropped on its own (ParamLine set, Name the
// parameter's name).
struct TDroppedProperty {
  std::string Name;
  std::string Value;
  bool ParamLine = false;
};

struct TConvertedObject {
  std::string File;
  TFormPlace Place;
  std::string Name;
  std::string OldClass;
  std::string NewClass;
  std::vector<TTranslatedProperty> Translated;
  std::vector<TDroppedProperty> Dropped;
  // A dataset that reads through a connection, and how its DatabaseName
  // was resolved (the reason is "no DatabaseName" when it had none).
  bool NeedsConnection = false;
  TConnectionChoice Connection;
  // Its new class is registered, so what it keeps was checked against
  // what the class publishes.
  bool PropertiesChecked = true;
};

// An object of a BDE class the profile has no counterpart for (TSession):
// it stays as it was and must be dealt with by hand.
struct TObjectWithoutCounterpart {
  std::string File;
  TFormPlace Place;
  std::string Name;
  std::string ClassName;
  std::string Advice;
};

// What reading the converted forms again found wrong: the run's own check
// of its output, which is expected to find nothing.
struct TSelfCheckFinding {
  std::string File;
  std::string Object;  // empty for the whole form
  std::string Finding;
};

// An object of an old class whose body the form grammar could not parse:
// its class was renamed and its body kept as it was.
struct TUnparsedObject {
  std::string File;
  int Line = 0;    // where the parse stopped (for a binary form, in its text form)
  int Column = 0;  // 1-based, in characters
  std::string ObjectName;
  std::string ClassName;
  int Position = 0;  // 1-based character position in the form text
  std::string Reason;
};

// A dataset whose DatabaseName found no connection and was dropped.
struct TUnlinkedDataset {
  std::string File;
  TFormPlace Place;
  std::string ObjectName;
  std::string DatabaseName;  // empty when it had none
  TConnectionChoice Choice;
};

// A TDatabase met in the forms of the run.
struct TDatabaseObject {
  std::string File;
  std::string DatabaseName;
  std::string Reference;  // FormName.ComponentName
};

struct TUnitChange {
  std::string File;
  int IdentifiersRenamed = 0;  // in code
  bool UsesExtended = false;
  int RenamedInComments = 0;   // class names in comments, renamed as well
};

struct TManualWork {
  std::string File;
  TManualWorkItem Item;
};

// A class of the run's units (or named by the profile) that derives from a
// paired class; its objects were converted as its ancestor's.
struct TDescendantClass {
  std::string Class;
  std::string Ancestor;   // as declared
  std::string ConvertedAs;  // the paired class it is converted as
  std::string File;       // empty when the profile names it
  int Line = 0;
};

// The report file of a run, beside its log.
inline constexpr const char* kReportFileName = "Wiz_Report.txt";

enum class TReportMode { rmFolder, rmProject };

class TRunReport {
 public:
  // The version of the report's layout; raised when a field changes meaning
  // or goes away (new fields keep it).
  static constexpr int kSchemaVersion = 2;

  // A new run: forgets the last one.
  // Source is the folder of a folder run or the project file of a project run.
  void Begin(TReportMode mode, std::string source, bool dryRun, bool linkConnections);

  // Fed by the replacer.
  void AddConvertedObject(TConvertedObject object);
  // Where the converted object of that index stands in the converted form.
  void SetConvertedLine(size_t object, int line);
  void AddUnparsedObject(TUnparsedObject object);
  void AddUnitChange(TUnitChange change);
  void AddManualWork(const std::string& file, const std::vector<TManualWorkItem>& items);
  void AddChangedFile(const std::string& file, int changes);
  void SetFiles(std::string logFile, std::string undoFile, std::string reportFile);
  void AddObjectWithoutCounterpart(TObjectWithoutCounterpart object);
  void AddSelfCheckFinding(TSelfCheckFinding finding);
  // For what is learnt of the objects once the whole run is known.
  std::vector<TConvertedObject>& ConvertedObjectsToAmend() { return converted_; }
  // The migration profile of a run that used a file of the user's (none:
  // the built-in one), and the descendants the run knew.
  void SetProfile(std::string profileFile) { profileFile_ = std::move(profileFile); }
  void AddDescendant(TDescendantClass d) { descendants_.push_back(std::move(d)); }
  const std::string& ProfileFile() const { return profileFile_; }
  const std::vector<TDescendantClass>& Descendants() const { return descendants_; }

  TReportMode Mode() const { return mode_; }
  const std::string& Source() const { return source_; }
  // The folder the report's paths are relative to.
  const std::string& Root() const { return root_; }
  bool DryRun() const { return dryRun_; }
  bool LinkConnections() const { return linkConnections_; }
  // Set up in the wizard: hints name the wizard's choices, not the command's options.
  void SetFromWizard(bool fromWizard) { fromWizard_ = fromWizard; }
  bool FromWizard() const { return fromWizard_; }
  const std::string& LogFile() const { return logFile_; }
  const std::string& UndoFile() const { return undoFile_; }
  const std::string& ReportFile() const { return reportFile_; }

  struct TChangedFile {
    std::string File;
    int Changes = 0;
  };
  const std::vector<TChangedFile>& ChangedFiles() const { return changedFiles_; }
  const std::vector<TConvertedObject>& ConvertedObjects() const { return converted_; }
  const std::vector<TUnparsedObject>& UnparsedObjects() const { return unparsed_; }
  const std::vector<TUnitChange>& UnitChanges() const { return units_; }
  const std::vector<TManualWork>& ManualWork() const { return manualWork_; }
  const std::vector<TObjectWithoutCounterpart>& ObjectsWithoutCounterpart() const { return noCounterpart_; }
  const std::vector<TSelfCheckFinding>& SelfCheckFindings() const { return selfCheck_; }
  bool SelfChecked() const { return selfChecked_; }
  void SetSelfChecked() { selfChecked_ = true; }
  size_t RenamedInCommentsCount() const;
  // Converted objects whose new class is not registered.
  size_t UncheckedObjectsCount() const;

  // Derived from the converted objects.
  std::vector<TUnlinkedDataset> UnlinkedDatasets() const;
  std::vector<TDatabaseObject> DatabaseObjects() const;
  // The TDatabase of the run that carries this database name (letter case
  // ignored; the last one met wins, as in linking); null when none.
  const TDatabaseObject* FindDatabase(const std::vector<TDatabaseObject>& databases,
                                      const std::string& databaseName) const;
  size_t TranslatedCount() const;
  size_t DroppedCount() const;

  // A path as the report shows it: relative to the folder or project.
  std::string Relative(const std::string& file) const;

 private:
  TReportMode mode_ = TReportMode::rmFolder;
  std::string source_;
  std::string root_;
  bool dryRun_ = false;
  bool linkConnections_ = false;
  bool fromWizard_ = false;
  std::string logFile_, undoFile_, reportFile_;
  std::vector<TChangedFile> changedFiles_;
  std::vector<TConvertedObject> converted_;
  std::vector<TUnparsedObject> unparsed_;
  std::vector<TUnitChange> units_;
  std::vector<TManualWork> manualWork_;
  std::vector<TObjectWithoutCounterpart> noCounterpart_;
  std::vector<TSelfCheckFinding> selfCheck_;
  bool selfChecked_ = false;
  std::string profileFile_;
  std::vector<TDescendantClass> descendants_;
};

}  // namespace migwiz::replace
