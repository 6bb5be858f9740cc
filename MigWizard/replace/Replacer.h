// The replace run: converts the selected unit sources and the form files they
// name in a temporary folder, keeps backups with an undo file, and copies the
// converted files over the originals only when every file was converted.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "grammar/FormParser.h"
#include "streams/ComponentStream.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "replace/ReplaceOptions.h"
#include "replace/ReportRecorder.h"
#include "replace/UnconvertedObject.h"
#include "replace/RunReport.h"
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

// A form file as read: its text (UTF-8) and how to write it back.
struct TFormFileContents {
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
  std::vector<TUnconvertedObject> Unconverted;
  std::vector<std::pair<std::string, std::string>> DatabaseNames;  // in the order found
  std::unique_ptr<TFormFileContents> Form;  // as read (by this pass or the one before)
  std::exception_ptr Error;
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
  // (16 MB unless set), the others in the temporary folder.
  void SetMemoryForCopies(size_t bytes) { memoryForCopies_ = bytes; }
  std::function<void(const std::string& file, size_t index, size_t count)> OnProgress;
  // Before each original is replaced by its converted copy.
  std::function<void(const std::string& file, size_t index, size_t count)> OnReplacing;
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
  void TakeFormFile(const std::string& formFile);
  void TakeReport(const TRunReport& part);
  grammar::TFormParser& ParserOf(size_t thread);
  void MakeTempFolder(const std::string& tempDir, const std::string& folder);
  void ProcessFile(TFileConversion& c);
  TFormFileContents ReadForm(const std::string& fileName) const;
  std::unique_ptr<TFormFileContents> TakeKeptForm(TPass pass, size_t i);
  bool OriginalsWritable();
  bool ReplaceOriginalFiles(const std::string& tempDir);
  void RemoveTempFolder(const std::string& tempDir) noexcept;
  // Where a file of the run goes below the temporary and backup folders.
  std::string RelativePath(const std::string& fileName) const;
  void CheckStop();
  void LogLine(const std::string& line);
  void Warn(const std::string& line);
  void NoteChanges(const std::string& fileName, int changes);
  void WriteOutput(const std::string& original, const std::string& fileName, const std::string& bytes);

  // Unit sources
  void ProcessUnit(TFileConversion& c, const std::string& text, support::TEncoding encoding) const;
  void ProcessComment(TFileConversion& c, std::string& comment, int& changes) const;

  // Form files
  TFormFileContents ReadFormFile(const std::string& bytes) const;
  void ProcessForm(TFileConversion& c, const std::string& text, const TFormFileContents& form) const;
  void WriteFormFile(TFileConversion& c, const std::string& output,
                     const TFormFileContents& form) const;
  void CollectDatabaseNames(TFileConversion& c) const;
  std::string GetPropertyValue(TFileConversion& c, const std::string& propName,
                               const std::string& oldPropValue) const;

  // The run report
  void BeginReport();
  void FinishReport() noexcept;

  // Backup and undo file
  void MakeBackups();
  void CheckUndoNames() const;
  std::vector<TUndoLine> LoadUndoFile(const std::string& undoFile);
  std::string FreeBackupPath(const std::string& fileName, const std::string& rel, bool& adopted);
  void BackupFile(const std::string& fileName, const std::string& backupPath);
  void WriteUndoFile(const std::vector<TUndoLine>& lines);
  bool CheckRestoreLines(const std::string& undoFile, std::vector<TUndoLine>& lines);
  bool RestoreFile(const TUndoLine& line);
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
  grammar::TFormParserClass formParserClass_;
  std::unique_ptr<grammar::TFormParser> formParser_;
  std::vector<std::unique_ptr<grammar::TFormParser>> threadParsers_;  // of the pool's threads after the first
  std::string oldUsesUnit_;
  std::string newUsesList_;
  TReplaceOptions* replaceOptions_;
  TReplaceEnvironment env_;

  bool dryRun_ = false;
  unsigned jobs_ = 0;
  bool copyBackStarted_ = false;
  std::set<std::string> listed_;  // the unit list's entries, to list each file once
  support::TFolderListings listings_;       // of the folders the run looked into
  std::set<std::string> tempFolders_;       // made below the temporary folder
  std::set<std::string> backupFolders_;     // known to exist below the backup folder
  static constexpr size_t kKeptFormBytes = size_t{16} << 20;
  std::map<size_t, std::unique_ptr<TFormFileContents>> keptForms_;  // by unit list entry
  size_t keptFormBytes_ = 0;
  size_t memoryForCopies_ = size_t{16} << 20;
  std::map<size_t, std::string> keptOutputs_;  // converted copies, by unit list entry
  size_t keptOutputBytes_ = 0;
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
  TRunReport report_;
  std::string reportFileName_;
  std::string reportError_;
};

}  // namespace migwiz::replace
