// The replace run: converts the selected unit sources and the form files they
// name in a temporary folder, keeps backups with an undo file, and copies the
// converted files over the originals only when every file was converted.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "grammar/FormParser.h"
#include "replace/ConnectionResolver.h"
#include "replace/CopyBudget.h"
#include "streams/ComponentStream.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "profile/MigrationProfile.h"
#include "replace/ReplaceOptions.h"
#include "replace/ReportRecorder.h"
#include "replace/RunLocks.h"
#include "replace/RunRecord.h"
#include "replace/UnconvertedObject.h"
#include "replace/RunReport.h"
#include "replace/SpillFile.h"
#include "support/LogWriter.h"
#include "support/NameValueList.h"
#include "support/FileUtils.h"
#include "support/TextFile.h"

namespace migwiz::replace {

struct TFormObject {
  std::string Name;
  std::string ClassName;
  std::string LastIdent;
  bool ReadingName = false;
  bool ReadingType = false;
};

using platform::TRCData;

// What a run needs from its surroundings; tests put fakes in.
struct TReplaceEnvironment {
  platform::FileSystem* fs = &platform::SystemFileSystem();
  platform::IBusyCursor* cursor = &platform::DefaultBusyCursor();
  platform::IShell* shell = &platform::DefaultShell();
  support::TLogWriter::Clock clock;
};

// An original as the run read it: what it was on disk just before, and
// the checksum of the bytes read. Before it is replaced, it must still be so.
struct TOriginalRead {
  std::optional<platform::FileStamp> Stamp;
  std::uint64_t Checksum = 0;
};

// A form file as read: its text (UTF-8) and how to write it back.
struct TFormFileContents {
  TOriginalRead read;
  std::string refusal;  // why the form is not converted ("" when it is)
  std::string trailer;  // bytes after a binary form's root object, kept as they are
  std::string outsideTrailer;  // the same beyond the size in its header
  TRCData header;
  std::string text;
  support::TEncoding encoding = support::TEncoding::Ansi;
  bool binary = false;
  platform::TStringKinds stringKinds = platform::TStringKinds::Unicode;  // of a binary form
};

// A dataset whose DatabaseName found no connection (it was dropped).
struct TUnresolvedDatabase {
  std::string FormFile;
  std::string ObjectName;
  std::string DatabaseName;
  bool operator==(const TUnresolvedDatabase&) const = default;
};

struct TFileChanges {
  std::string FileName;
  int Changes = 0;
};

// A unit read (and decoded) before the conversion, by the scan for its
// class declarations, kept so that the conversion does not read it again.
struct TKeptUnit {
  TOriginalRead Read;
  support::TextFileContents Unit;
};

// One file of a run converted, on whichever thread: everything it adds to
// the run is gathered here, and the run takes it in the order of its list.
struct TFileConversion {
  explicit TFileConversion(std::string file) : File(std::move(file)) {}
  TFileConversion(const TFileConversion&) = delete;
  TFileConversion& operator=(const TFileConversion&) = delete;

  std::string File;  // the original
  grammar::TFormParser* Parser = nullptr;  // the converting thread's own
  TRunReport Report;
  TReportRecorder Recorder{Report};
  int Changes = 0;
  bool Noted = false;    // Changes is final (what fails later is logged after it)
  bool Changed = false;  // Output replaces the original
  std::string Output;
  std::vector<std::string> FormFiles;  // named by a unit's resource directives, as written
  std::vector<TUnresolvedDatabase> Unresolved;
  // Where each object name and database name of Unresolved stands (when
  // still there: the list may have been cut back since), so that a form of
  // many datasets is not searched from the start for each of them.
  std::unordered_map<std::string, size_t> UnresolvedAt;
  std::vector<TUnconvertedObject> Unconverted;
  struct DatabaseName {
    std::string Name, Root, Object;
  };
  std::vector<DatabaseName> DatabaseNames;  // in the order found
  std::string RootName;                    // of a form
  std::vector<std::string> UsedUnits;      // of a unit's uses clauses
  std::vector<std::string> ProjectUnits;   // the units a project source lists
  // How the DatabaseName of the object being parsed was resolved (no
  // DatabaseName until it is asked for).
  TConnectionChoice Choice;
  std::unique_ptr<TFormFileContents> Form;  // as read (by this pass or the one before)
  std::unique_ptr<TKeptUnit> Unit;          // as read before the conversion
  TOriginalRead Read;
  std::vector<std::string> Warnings;
  std::exception_ptr Error;
  // A dry run's converted binary form as the text its stream reads as,
  // made for the report's lines and kept for the check of the copy.
  std::optional<std::string> ShownText;
};

class TConversionPool;

// A run stopped on request (StopRequested) before any original was changed.
class ERunStopped : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One line of an undo file: a changed file and its backup copy.
struct TUndoLine {
  std::string File;
  std::string Backup;
};

class TComponentReplacer {
 public:
  TComponentReplacer(grammar::TFormParserClass formParserClass, const std::string& oldUsesUnit,
                     std::string newUsesList, TReplaceOptions* replaceOptions,
                     TReplaceEnvironment env = {});
  virtual ~TComponentReplacer();
  TComponentReplacer(const TComponentReplacer&) = delete;
  TComponentReplacer& operator=(const TComponentReplacer&) = delete;

  void AddReplacePair(const std::string& oldComp, const std::string& newComp);
  void ClearPairs();
  // The new class of an old one (letter case ignored); false when none.
  bool FindPair(const std::string& oldComp, std::string& newComp) const;

  // True when every converted file replaced its original. Errors that stop
  // the run leave as exceptions; every original is then as it was.
  bool PerformReplace();
  // True when every file of the undo file was restored.
  bool PerformRestore(const std::string& undoFile);
  // A restore writes over files changed since the run wrote them.
  void SetRestoreOverEdits(bool force) { restoreOverEdits_ = force; }
  // Of the last restore: the files it refused because they were changed
  // after the run that converted them.
  const std::vector<std::string>& EditedFiles() const { return edited_; }
  // Of the last replace that returned false: every original is as it was
  // (the files already replaced were put back).
  bool OriginalsUnchanged() const { return originalsUnchanged_; }

  // --- The migration profile ---
  // The profile whose translations, descendants and classes without
  // counterpart the run uses (its pairs are added with AddReplacePair);
  // null: the form parser's own.
  void SetProfile(profile::TProfilePtr profile) { profile_ = std::move(profile); }
  const profile::TProfilePtr& Profile() const { return profile_; }
  // The unit behind which the new units are added in uses clauses.
  void SetUsesUnits(const std::string& oldUsesUnit, std::string newUsesList);
  // Of the last run: the classes its units declare that derive from a
  // paired class, in the order found, and the profile the run used.
  const std::vector<profile::TDescendant>& FoundDescendants() const { return foundDescendants_; }
  const profile::TProfilePtr& RunProfile() const { return runProfile_; }

  // What a run with these options would face, read without writing
  // anything (no log, temporary folder, backup or copy; forms are parsed,
  // not rebuilt): Report() then holds what the run's report would.
  void TakeInventory();

  TReplaceOptions& ReplaceOptions() { return *replaceOptions_; }
  const support::TNameValueList& DBList() const { return dbList_; }

  // --- Additions for running without the IDE ---
  // Convert into the temporary folder only: no original, backup, undo file
  // or log is written.
  void SetDryRun(bool dryRun) { dryRun_ = dryRun; }
  // How many files are converted at a time: 0 (the default) for as many as
  // the machine has cores, 1 for one after the other on the caller's
  // thread. What a run writes, logs and reports does not depend on it.
  void SetJobs(unsigned jobs) { jobs_ = jobs; }
  unsigned Jobs() const { return jobs_; }
  // Converted copies wait for the copy back in memory up to this many bytes
  // (16 MB unless set), besides one larger than that on its own (unless 0),
  // the others in one file of the temporary folder (up to 64 KB more of them
  // in memory to be written together); so do, during the copy back, the
  // originals' bytes held to undo it.
  void SetMemoryForCopies(size_t bytes) {
    keptOutputBudget_.SetBound(bytes);
    heldOriginalBudget_.SetBound(bytes);
  }
  std::function<void(const std::string& file, size_t index, size_t count)> OnProgress;
  // Before each original is replaced by its converted copy.
  std::function<void(const std::string& file, size_t index, size_t count)> OnReplacing;
  // Before each changed original is copied into the backup folder.
  std::function<void(const std::string& file, size_t index, size_t count)> OnBackingUp;
  // Before each file a restore copies back.
  std::function<void(const std::string& file, size_t index, size_t count)> OnRestoring;
  // Asked between the files of the conversion; true stops the run there
  // (ERunStopped), with every original as it was. Once backups are being
  // made the run is finished whatever it answers.
  std::function<bool()> StopRequested;
  // Of the last run: each file written changed, datasets left without a
  // connection, and where the log and undo file went ("" when none).
  const std::vector<TFileChanges>& ChangedFiles() const { return changedFiles_; }
  const std::vector<TUnresolvedDatabase>& UnresolvedDatabases() const { return unresolved_; }
  const std::vector<TUnconvertedObject>& UnconvertedObjects() const { return unconverted_; }
  const std::string& LogFileName() const { return logFileName_; }
  const std::string& UndoFileName() const { return undoFileName_; }
  // Why the last restore refused or failed.
  const std::string& RestoreError() const { return restoreError_; }
  // The files the last restore gave back, in the order of the undo file.
  const std::vector<std::string>& RestoredFiles() const { return restored_; }
  // What the last run or restore left out or could not do without failing
  // (links out of the folder, unreadable folders, a log that could not be
  // written after the originals were replaced), one line each.
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // What the last run did, for the user to act on; the report file written
  // ("" when none) and why it could not be written ("" when it was).
  const TRunReport& Report() const { return report_; }
  const std::string& ReportFileName() const { return reportFileName_; }
  const std::string& ReportError() const { return reportError_; }
  // The last run changed nothing and left the report of the run before it
  // in place (at ReportPath), instead of writing its own.
  bool ReportKept() const { return reportKept_; }
  std::string ReportPath() const;
  // Each file converted: the original's name and the bytes that replace it.
  std::function<void(const std::string& original, const std::string& converted)> OnFileConverted;

 protected:
  // Called by the threads that convert, at the same time: it must not
  // change the replacer.
  virtual std::string ReplaceClassName(const std::string& ident, const std::string& newClassName) const;

 private:
  // The run
  bool RunSteps();
  void OpenLog();
  void InitUnitList();
  void FindUnits(const std::string& dir, bool includeSubDirs, std::set<platform::FolderId>& seen);
  // hint: the file's entry in its folder's listing, when known.
  bool AcceptFile(const std::string& path, const platform::DirEntry* hint = nullptr);
  void AddToUnitList(const std::string& path);
  std::string AllocateTempFolder();
  void ConvertFiles(const std::string& tempDir);
  // The conversion and the collection of database names: each file is done
  // on any thread, then taken into the run on this one, in list order.
  enum class TPass { Convert, CollectNames };
  // Entries begin.. of the unit list (end: SIZE_MAX for the whole list as it
  // grows while they are taken in).
  void RunPass(TPass pass, size_t begin, size_t end, size_t unitCount, const std::string& tempDir,
               TConversionPool* pool);
  // Does the file's work; touches nothing of the run but what it reads.
  void DoPass(TPass pass, TFileConversion& c, grammar::TFormParser& parser) noexcept;
  // Takes entry i's work into the run.
  void TakePass(TPass pass, size_t i, TFileConversion& c, const std::string& tempDir);
  void BeginFile(size_t i, size_t unitCount);
  void TakeConversion(size_t i, TFileConversion& c, const std::string& tempDir);
  void TakeFormFile(const std::string& formFile, const std::string& unitFile);
  void ScanProjectSources();
  // The .dproj files of a folder run, for the units each lists.
  void ReadFolderProjects();
  // Datasets are linked to connections: a project run, or a folder run
  // with LinkConnections. The forms are then read for their TDatabase
  // objects before any is converted.
  bool Linking() const;
  // What a linking run would have linked each dataset of a run without
  // linking to, for the report's hints.
  void SuggestConnections();
  void TakeReport(const TRunReport& part);
  grammar::TFormParser& ParserOf(size_t thread);
  // The run's spill file in its temporary folder.
  TSpillFile& Spill(const std::string& tempDir);
  void ProcessFile(TFileConversion& c);
  TFormFileContents ReadForm(const std::string& fileName) const;
  std::unique_ptr<TFormFileContents> TakeKeptForm(TPass pass, size_t i);
  // Reads a unit for the scan before the conversion and keeps it, within a
  // bound, for the conversion; the text to scan, or null when unreadable.
  const std::string* ReadUnitAhead(size_t i, std::string& scratch);
  std::unique_ptr<TKeptUnit> TakeKeptUnit(TPass pass, size_t i);
  void DropFilesOfTheRun();
  bool OriginalsWritable();
  bool ReplaceOriginalFiles(const std::string& tempDir);
  // Copy back, one file
  struct TReplaced;
  bool ReplaceOne(size_t i, const std::string& tempDir, std::vector<TReplaced>& done,
                  std::string& err);
  bool StillAsRead(size_t i, std::string& current, std::string& err);
  void HoldOriginal(std::string current, const std::string& tempDir, TReplaced& r);
  bool PutBack(const TReplaced& r, bool& untouched, std::string& err);
  bool RollBack(std::vector<TReplaced>& done);
  void GiveBackSpecialBits(const std::string& file, const std::optional<platform::FileStamp>& before);
  void FlushOriginals();
  void LockRun();
  void CheckRunFileNames();
  void RemoveTempFolder(const std::string& tempDir) noexcept;
  // Where a file of the run goes below the temporary and backup folders.
  std::string RelativePath(const std::string& fileName) const;
  void CheckStop();
  void LogLine(const std::string& line);
  void Warn(const std::string& line);
  void NoteChanges(const std::string& fileName, int changes);

  // Unit sources
  void ProcessUnit(TFileConversion& c, const std::string& text, support::TEncoding encoding) const;
  void ProcessComment(TFileConversion& c, std::string& comment, int& changes) const;

  // Form files
  TFormFileContents ReadFormFile(const std::string& bytes) const;
  void ProcessForm(TFileConversion& c, const std::string& text, const TFormFileContents& form) const;
  void PlaceObjectsInBinaryText(TFileConversion& c, const std::string& output) const;
  void WriteFormFile(TFileConversion& c, const std::string& output,
                     const TFormFileContents& form) const;
  void CollectDatabaseNames(TFileConversion& c) const;
  std::string GetPropertyValue(TFileConversion& c, const std::string& propName,
                               const std::string& oldPropValue) const;

  // The run's check of its own output, after the copy back.
  void ResetRunState();
  void CheckOwnOutput() noexcept;
  // A dry run's converted form, checked as it is taken into the run; its
  // bytes are given up to the check, as they are not kept.
  void CheckConvertedCopy(TFileConversion& c) noexcept;
  // bytes are freed once they are read, so a large form is not held twice.
  void CheckConvertedForm(const std::string& file, std::string bytes,
                          const std::vector<const TConvertedObject*>& converted);
  // The converted objects against the form's text as read again.
  void CheckReadObjects(const std::string& file, const std::string& text,
                        const std::vector<const TConvertedObject*>& converted);
  bool KeptByClass(const TConvertedObject& o, const std::string& property, const std::string& head) const;
  // Descendants of paired classes among the run's units, before any
  // conversion, into the run's profile.
  void FindDescendants();
  // The new class of an object's class in a form: its pair's, or for a
  // descendant its own name; false when the object is not converted.
  bool FindFormClass(const std::string& className, std::string& newClass) const;
  // A class of the old family that the run's profile does not convert:
  // true, with what to do by hand.
  bool WithoutCounterpart(const std::string& className, std::string& advice) const;
  // Whether objects of the class define database names: TDatabase as the
  // form writes it, and the run profile's other connections (descendants of
  // TDatabase, another package's connection classes).
  bool IsConnectionClass(const std::string& className) const;

  // The run report
  void BeginReport();
  void FinishReport() noexcept;
  bool KeepsEarlierReport(const std::string& file) const;
  // The last line of the log of a run that failed.
  void LogFailure(const std::string& reason) noexcept;

  // Backup and undo file
  void MakeBackups();
  void CheckUndoNames() const;
  std::vector<TUndoLine> LoadUndoFile(const std::string& undoFile, std::string& bytes);
  std::string FreeBackupPath(const std::string& fileName, const std::string& rel, bool& adopted);
  void BackupFile(const std::string& fileName, const std::string& backupPath);
  void WriteUndoFile(const std::vector<TUndoLine>& lines);
  void WriteRunRecord();
  void UndoBackups() noexcept;
  std::string RunFolder() const;
  bool CheckRestoreLines(const std::string& undoFile, std::vector<TUndoLine>& lines,
                         const TRunRecord& record);
  struct TRestoreStep;
  bool CheckRestoreTargets(const std::vector<TUndoLine>& lines, const TRunRecord& record,
                           std::vector<TRestoreStep>& steps);
  bool RestoreFile(TRestoreStep& step);
  void UnrestoreFiles(std::vector<TRestoreStep>& steps, size_t count) noexcept;
  bool RunRestore(const std::string& undoFile);
  void RetireRestored(const std::string& undoFile, const std::vector<TUndoLine>& lines);

  struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, size_t, NoCaseLess> oldComps_;
  std::vector<std::string> newComps_;
  std::vector<std::string> unitList_;
  support::TLogWriter log_;
  int changedFilesCount_ = 0;
  std::vector<size_t> changed_;  // entries of the unit list written changed, in order
  support::TNameValueList dbList_;
  TConnectionResolver resolver_;  // of the current run
  std::vector<std::string> dprojFiles_;  // found by a folder run
  grammar::TFormParserClass formParserClass_;
  std::unique_ptr<grammar::TFormParser> formParser_;
  std::vector<std::unique_ptr<grammar::TFormParser>> threadParsers_;  // of the pool's threads after the first
  std::string oldUsesUnit_;
  std::string newUsesList_;
  TReplaceOptions* replaceOptions_;
  TReplaceEnvironment env_;

  bool dryRun_ = false;
  bool restoreOverEdits_ = false;
  TCopyBudget heldOriginalBudget_;
  bool originalsUnchanged_ = false;
  TRunLocks locks_;
  std::map<size_t, TOriginalRead> reads_;           // of the changed files, by unit list entry
  std::map<size_t, std::uint64_t> writtenSums_;     // checksums of their converted copies
  std::map<std::string, std::string> formOwners_;   // form file -> the unit that named it first
  // What the backup stage added, taken away again when the run is undone.
  struct TBackupsBefore {
    bool done = false;
    bool undoExisted = false, recordExisted = false;
    std::string undoBytes, recordBytes;
    std::vector<std::string> newCopies;
  } backupsBefore_;
  std::vector<std::string> edited_;
  unsigned jobs_ = 0;
  bool copyBackStarted_ = false;
  std::set<std::string> listed_;  // the unit list's entries, to list each file once
  support::TFolderListings listings_;       // of the folders the run looked into
  std::set<std::string> backupFolders_;     // known to exist below the backup folder
  static constexpr size_t kKeptFormBytes = size_t{16} << 20;
  std::map<size_t, std::unique_ptr<TFormFileContents>> keptForms_;  // by unit list entry
  size_t keptFormBytes_ = 0;
  std::map<size_t, std::unique_ptr<TKeptUnit>> keptUnits_;  // by unit list entry
  size_t keptUnitBytes_ = 0;
  std::map<size_t, std::string> keptOutputs_;  // converted copies, by unit list entry
  TCopyBudget keptOutputBudget_;
  std::unique_ptr<TSpillFile> spill_;          // of the current run, once it is needed
  // Small pieces written to the spill file together, and read so far ahead.
  static constexpr size_t kSpillBuffer = size_t{64} << 10;
  std::map<size_t, TSpillFile::TPiece> spilledOutputs_;  // the other copies, by unit list entry
  std::string projectDir_;
  std::string rootRealPath_;  // of the folder of a folder run
  std::vector<std::string> warnings_;
  std::vector<std::string> restored_;
  std::vector<TFileChanges> changedFiles_;
  std::vector<TUnresolvedDatabase> unresolved_;
  std::vector<TUnconvertedObject> unconverted_;
  std::string logFileName_;
  std::string undoFileName_;
  std::string restoreError_;
  profile::TProfilePtr profile_;
  profile::TProfilePtr runProfile_;
  std::vector<profile::TDescendant> foundDescendants_;
  bool inventory_ = false;  // TakeInventory: converted text is neither made nor kept
  TRunReport report_;
  std::string reportFileName_;
  std::string reportError_;
  bool reportKept_ = false;
};

}  // namespace migwiz::replace
