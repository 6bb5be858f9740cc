// The replace run: converts the selected unit sources and the form files they
// name in a temporary folder, keeps backups with an undo file, and copies the
// converted files over the originals only when every file was converted.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "grammar/FormParser.h"
#include "platform/ComponentStream.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "replace/ReplaceOptions.h"
#include "replace/ReportRecorder.h"
#include "replace/UnconvertedObject.h"
#include "replace/RunReport.h"
#include "support/LogWriter.h"
#include "support/NameValueList.h"
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
  virtual std::string ReplaceClassName(const std::string& ident, const std::string& newClassName);

 private:
  // The run
  bool RunSteps();
  void OpenLog();
  void InitUnitList();
  void FindUnits(const std::string& dir, bool includeSubDirs, std::set<platform::FolderId>& seen);
  bool AcceptFile(const std::string& path);
  void AddToUnitList(const std::string& path);
  std::string AllocateTempFolder();
  void ConvertFiles(const std::string& tempDir);
  // Converts entry i of the unit list into the temporary folder; the
  // conversion of one file touches no other file.
  void ConvertFile(size_t i, size_t unitCount, const std::string& tempDir);
  void ProcessFile(const std::string& fileName, const std::string& destDir);
  bool OriginalsWritable();
  bool ReplaceOriginalFiles(const std::string& tempDir);
  void RemoveTempFolder(const std::string& tempDir) noexcept;
  // Where a file of the run goes below the temporary and backup folders.
  std::string RelativePath(const std::string& fileName) const;
  void CheckStop();
  void LogLine(const std::string& line);
  void Warn(const std::string& line);
  void NoteChanges(const std::string& fileName, int changes);
  void WriteOutput(const std::string& fileName, const std::string& bytes);

  // Unit sources
  void ProcessUnit(const std::string& text, const std::string& fileName,
                   const std::string& destFile, support::TEncoding encoding);
  void ProcessComment(std::string& comment, const std::string& fileName, int& changes);

  // Form files
  TFormFileContents ReadFormFile(const std::string& bytes) const;
  void ProcessForm(const std::string& text, const std::string& destFile,
                   const TFormFileContents& form);
  void WriteFormFile(const std::string& destFile, const std::string& output,
                     const TFormFileContents& form);
  void CollectDatabaseNames(const std::string& fileName);
  std::string GetPropertyValue(const std::string& propName, const std::string& oldPropValue);

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
  std::unique_ptr<grammar::TFormParser> formParser_;
  std::string oldUsesUnit_;
  std::string newUsesList_;
  TReplaceOptions* replaceOptions_;
  TReplaceEnvironment env_;

  bool dryRun_ = false;
  bool copyBackStarted_ = false;
  std::set<std::string> listed_;  // the unit list's entries, to list each file once
  std::string projectDir_;
  std::string rootRealPath_;  // of the folder of a folder run
  std::vector<std::string> warnings_;
  std::vector<std::string> restored_;
  std::string currentFile_;
  std::vector<TFileChanges> changedFiles_;
  std::vector<TUnresolvedDatabase> unresolved_;
  std::vector<TUnconvertedObject> unconverted_;
  std::string logFileName_;
  std::string undoFileName_;
  std::string restoreError_;
  TRunReport report_;
  TReportRecorder recorder_{report_};
  std::string reportFileName_;
  std::string reportError_;
};

}  // namespace migwiz::replace
