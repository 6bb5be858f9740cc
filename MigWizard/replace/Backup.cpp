// Backup copies of changed originals, the undo file that pairs them, and the
// restore that copies them back.
//
// Nothing here ever overwrites a backup copy: the copy a folder already
// holds for an original is the older one, taken before any run changed it.
// The undo file is merged, never truncated, and it is written before the
// first original is replaced.
#include <algorithm>
#include <set>

#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "support/Checksum.h"
#include "replace/Replacer.h"
#include "resources/RExpertRes.h"
#include "support/FileErrors.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using namespace support;
namespace Res = RExpertRes;

namespace {

bool ParseUndoLine(const std::string& line, TUndoLine& out) {
  size_t eq = line.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == line.size()) return false;
  out.File = line.substr(0, eq);
  out.Backup = line.substr(eq + 1);
  return true;
}

// Names are compared as they are spelt: on a file system that tells letter
// case apart, Unit1.pas and UNIT1.pas are two files.
const TUndoLine* FindLine(const std::vector<TUndoLine>& lines, const std::string& file) {
  auto it = std::find_if(lines.begin(), lines.end(),
                         [&](const TUndoLine& l) { return l.File == file; });
  return it == lines.end() ? nullptr : &*it;
}

bool IsUnitOrFormName(const std::string& file) {
  std::string ext = UpperCase(ExtractFileExt(file));
  return ext == ".PAS" || ext == ".DPR" || ext == ".DFM" || ext == ".NFM";
}

// An absolute path with no empty, "." or ".." level, of a length a real
// tree has, written with the host's delimiter alone: what a run writes into
// an undo file, and nothing else. On Windows the root is a drive's ("C:\")
// or a share's; a bare "\" would name the root of whichever drive is
// current, and a ":" after the root names a stream of a file, never a file.
bool IsPlainAbsolutePath(const std::string& path) {
  constexpr size_t kMaxPath = 4096, kMaxName = 255;
  const size_t root = platform::PathRootLength(path);
  if (root == 0 || path.size() <= root || path.size() > kMaxPath ||
      path[root - 1] != platform::kPathDelim || (root == 1 && platform::kPathDelim == '\\'))
    return false;
  size_t begin = root;
  for (;;) {
    size_t end = path.find(platform::kPathDelim, begin);
    const std::string_view name = std::string_view(path).substr(begin, end - begin);
    if (name.empty() || name == "." || name == ".." || name.size() > kMaxName ||
        name.find('/') != std::string_view::npos ||
        (platform::kPathDelim == '\\' && name.find(':') != std::string_view::npos))
      return false;
    if (end == std::string::npos) return true;
    begin = end + 1;
  }
}

std::string RecordFileOf(const std::string& undoFile) {
  return ConcatPath(ExtractFileDir(undoFile), RExpertRes::SRunRecordFileName);
}

}  // namespace

void TComponentReplacer::CheckUndoNames() const {
  for (size_t i : changed_) {
    const std::string& file = unitList_[i];
    if (file.find_first_of("=\r\n") != std::string::npos)
      throw EFCreateError(FormatStr(Res::SUndoNameRefused, {file}));
  }
}

void TComponentReplacer::MakeBackups() {
  const TReplaceOptions& opt = *replaceOptions_;
  CheckUndoNames();
  LogLine(Res::SLogCreatingBackupFolder);
  std::string err;
  if (!ForceDirectory(opt.BackupDir, *env_.fs, &err))
    throw EFCreateError(std::string(Res::SFailedToCreateDirectory) + " " + err);
  const std::string undoFile = ConcatPath(opt.BackupDir, Res::SUndoFileName);
  locks_.Take(*env_.fs, TRunLocks::UndoLockFile(undoFile), undoFile);
  // What is there now, to be put back if the run is undone.
  backupsBefore_ = {};
  backupsBefore_.undoExisted = env_.fs->KindOf(undoFile) != platform::FileKind::Missing;
  const std::string recordFile = RecordFileOf(undoFile);
  backupsBefore_.recordExisted = env_.fs->KindOf(recordFile) != platform::FileKind::Missing;
  if (backupsBefore_.recordExisted && !env_.fs->ReadFile(recordFile, backupsBefore_.recordBytes, err))
    throw EFOpenError(err);
  std::vector<TUndoLine> lines = LoadUndoFile(undoFile, backupsBefore_.undoBytes);
  backupsBefore_.done = true;
  undoFileName_ = undoFile;
  bool added = false;
  size_t n = 0;
  for (size_t i : changed_) {
    const std::string& file = unitList_[i];
    if (OnBackingUp) OnBackingUp(file, n++, changed_.size());
    if (const TUndoLine* listed = FindLine(lines, file)) {
      // A listed copy that went missing is made again where the line says.
      if (env_.fs->KindOf(listed->Backup) == platform::FileKind::Missing)
        BackupFile(file, listed->Backup);
      continue;
    }
    bool adopted = false;
    std::string backupPath = FreeBackupPath(file, RelativePath(file), adopted);
    if (!adopted) {
      backupsBefore_.newCopies.push_back(backupPath);
      BackupFile(file, backupPath);
    }
    lines.push_back({file, backupPath});
    added = true;
  }
  if (added) WriteUndoFile(lines);
  WriteRunRecord();
  LogLine(FormatStr(Res::SLogBackupFile, {undoFileName_}));
}

// Written after the undo file: a line the record does not know yet is
// restored without the check for edits, never refused.
void TComponentReplacer::WriteRunRecord() {
  TRunRecord record;
  const std::string recordFile = RecordFileOf(undoFileName_);
  if (backupsBefore_.recordExisted && !record.Parse(backupsBefore_.recordBytes))
    throw EFOpenError(FormatStr(Res::SRestoreRecordDamaged, {recordFile}));
  record.AddFolder(RunFolder());
  // What the run read may stay there too: a restore after a run stopped
  // half-way finds files it did not reach yet as they were.
  for (size_t i : changed_) record.SetChecksums(unitList_[i], {reads_[i].Checksum, writtenSums_[i]});
  std::string err;
  if (!env_.fs->WriteFile(recordFile, record.Serialize(), err))
    throw EFCreateError(FormatStr(Res::SFailedToWriteUndoFile, {recordFile}) + " " + err);
}

// The run is undone: the undo file and the record get back what they held,
// and the copies made by this run go. What fails here is only told: every
// original is as it was, so a leftover copy or line loses nothing.
void TComponentReplacer::UndoBackups() noexcept {
  if (!backupsBefore_.done) return;
  backupsBefore_.done = false;
  try {
    const std::string recordFile = RecordFileOf(undoFileName_);
    std::string err;
    auto putBack = [&](const std::string& file, bool existed, const std::string& bytes) {
      bool ok = existed ? env_.fs->WriteFile(file, bytes, err) : env_.fs->DeleteFile(file) ||
                                                                     env_.fs->KindOf(file) == platform::FileKind::Missing;
      if (!ok) warnings_.push_back(FormatStr(Res::SUndoFileNotRetired, {file, err}));
    };
    putBack(recordFile, backupsBefore_.recordExisted, backupsBefore_.recordBytes);
    putBack(undoFileName_, backupsBefore_.undoExisted, backupsBefore_.undoBytes);
    for (const std::string& copy : backupsBefore_.newCopies) env_.fs->DeleteFile(copy);
    if (!backupsBefore_.undoExisted) undoFileName_.clear();
  } catch (...) {
  }
}

// The lines of an undo file already in the backup folder (none when there
// is no file). One that cannot be read or understood stops the run: it is
// somebody's way back.
std::vector<TUndoLine> TComponentReplacer::LoadUndoFile(const std::string& undoFile, std::string& bytes) {
  std::vector<TUndoLine> lines;
  if (env_.fs->KindOf(undoFile) == platform::FileKind::Missing) return lines;
  std::string err;
  if (!env_.fs->ReadFile(undoFile, bytes, err)) throw EFOpenError(err);
  std::vector<std::string> text = SplitTextLines(ReadTextFile(bytes).text);
  for (size_t n = 0; n < text.size(); ++n) {
    TUndoLine line;
    if (!ParseUndoLine(text[n], line))
      throw EFOpenError(FormatStr(Res::SUndoFileDamaged, {undoFile, std::to_string(n + 1)}));
    lines.push_back(std::move(line));
  }
  return lines;
}

// The backup name of the file below the backup folder; when something of
// that name is already there (a copy no undo line lists, left by a run that
// was stopped), it is kept: a copy with the same bytes as the original is
// taken as this file's backup, otherwise a numbered name is used.
std::string TComponentReplacer::FreeBackupPath(const std::string& fileName, const std::string& rel,
                                               bool& adopted) {
  const std::string base = GetBackupFileName(ConcatPath(replaceOptions_->BackupDir, rel));
  std::string original;
  for (unsigned n = 1;; ++n) {
    std::string candidate = n == 1 ? base : base + ".~" + std::to_string(n);
    platform::FileKind kind = env_.fs->KindOf(candidate);
    if (kind == platform::FileKind::Missing) return candidate;
    if (kind != platform::FileKind::Regular) continue;
    std::string existing, err;
    if (original.empty() && !env_.fs->ReadFile(fileName, original, err)) throw EFOpenError(err);
    if (env_.fs->ReadFile(candidate, existing, err) && existing == original) {
      adopted = true;
      return candidate;
    }
  }
}

// Copies the (still unconverted) original into the backup folder. A copy
// that fails stops the run before any original is replaced.
void TComponentReplacer::BackupFile(const std::string& fileName, const std::string& backupPath) {
  std::string err;
  const std::string dir = ExtractFileDir(backupPath);
  if (!backupFolders_.count(dir)) {  // each folder asked for once a run
    if (!env_.fs->DirectoryExists(dir) && !ForceDirectory(dir, *env_.fs, &err))
      throw EFCreateError(std::string(Res::SFailedToCreateDirectory) + " " + err);
    backupFolders_.insert(dir);
  }
  if (!env_.fs->CopyFile(fileName, backupPath, err))
    throw EFCreateError(FormatStr(Res::SBackupCopyFailed, {fileName, backupPath}) + " " + err);
}

// In the ANSI code page without a mark; when a path does not fit the code
// page, in UTF-8 with its mark, which a restore reads just as well.
void TComponentReplacer::WriteUndoFile(const std::vector<TUndoLine>& lines) {
  std::string text;
  for (const TUndoLine& line : lines) text += line.File + "=" + line.Backup + "\r\n";
  std::string bytes = EncodeText(text, TEncoding::Ansi);
  if (DecodeText(bytes, TEncoding::Ansi) != text) bytes = ByteOrderMark(TEncoding::Utf8) + text;
  std::string err;
  if (!env_.fs->WriteFile(undoFileName_, bytes, err))
    throw EFCreateError(FormatStr(Res::SFailedToWriteUndoFile, {undoFileName_}) + " " + err);
}

// One file of a restore: its backup's bytes, and what stood at its place
// before, to be put back if the restore fails later.
struct TComponentReplacer::TRestoreStep {
  const TUndoLine* line = nullptr;
  std::string backup;
  std::optional<platform::FileStamp> backupStamp;
  bool existed = false;
  bool same = false;      // already holds the backup's bytes
  bool written = false;   // written to, perhaps in part
  std::string held;       // what it held before
  std::vector<std::string> madeFolders;  // outermost first
};

bool TComponentReplacer::PerformRestore(const std::string& undoFile) {
  restoreError_.clear();
  restored_.clear();
  warnings_.clear();
  edited_.clear();
  struct ReleaseLocks {
    TRunLocks& locks;
    ~ReleaseLocks() { locks.Release(); }
  } releaseLocks{locks_};
  struct ClearOnExit {
    std::vector<std::string>& list;
    ~ClearOnExit() { list.clear(); }
  } clear{unitList_};
  // The folders first, as a replace takes them, so that of two runs that
  // meet one goes ahead: the record is read once before the locks for them.
  TRunRecord record;
  std::string bytes, err;
  if (env_.fs->KindOf(undoFile) == platform::FileKind::Missing && !env_.fs->ReadFile(undoFile, bytes, err))
    throw EFOpenError(err);  // no lock file made for an undo file that is not there
  if (env_.fs->ReadFile(RecordFileOf(undoFile), bytes, err) && record.Parse(bytes)) {
    for (const std::string& folder : record.Folders())
      if (env_.fs->DirectoryExists(folder))
        locks_.Take(*env_.fs, TRunLocks::FolderLockFile(folder), folder);
  }
  locks_.Take(*env_.fs, TRunLocks::UndoLockFile(undoFile), undoFile);
  return RunRestore(undoFile);
}

// Every line is checked, and every file to restore read, before anything is
// written; a failure while copying puts back what was already restored.
bool TComponentReplacer::RunRestore(const std::string& undoFile) {
  std::string bytes, err;
  if (!env_.fs->ReadFile(undoFile, bytes, err)) throw EFOpenError(err);
  unitList_ = SplitTextLines(ReadTextFile(bytes).text);
  TRunRecord record;
  const std::string recordFile = RecordFileOf(undoFile);
  if (env_.fs->KindOf(recordFile) != platform::FileKind::Missing) {
    std::string recordBytes;
    if (!env_.fs->ReadFile(recordFile, recordBytes, err)) throw EFOpenError(err);
    if (!record.Parse(recordBytes)) {
      restoreError_ = FormatStr(Res::SRestoreRecordDamaged, {recordFile});
      return false;
    }
  }
  // A replace over the same folders waits for the restore's end (the
  // record may have changed since the folders were locked).
  for (const std::string& folder : record.Folders())
    if (env_.fs->DirectoryExists(folder))
      locks_.Take(*env_.fs, TRunLocks::FolderLockFile(folder), folder);

  std::vector<TUndoLine> lines;
  if (!CheckRestoreLines(undoFile, lines, record)) return false;
  std::vector<TRestoreStep> steps;
  if (!CheckRestoreTargets(lines, record, steps)) return false;
  for (size_t k = 0; k < steps.size(); ++k) {
    if (OnRestoring) OnRestoring(steps[k].line->File, k, steps.size());
    if (RestoreFile(steps[k])) continue;
    UnrestoreFiles(steps, k + 1);
    restoreError_ = FormatStr(Res::SRestoreRolledBack, {restoreError_});
    return false;
  }
  for (const TUndoLine& line : lines) restored_.push_back(line.File);
  // On disk before the backups go.
  std::set<std::uint64_t> devices;
  bool flushed = true;
  for (const TRestoreStep& step : steps) {
    auto stamp = env_.fs->StampOf(step.line->File);
    if (stamp && !devices.insert(stamp->device).second) continue;
    if (!env_.fs->SyncFileSystem(ExtractFileDir(step.line->File), err)) {
      warnings_.push_back(FormatStr(Res::SNotFlushed, {err}));
      flushed = false;
    }
  }
  if (flushed) RetireRestored(undoFile, lines);
  return true;
}

// A line is taken only when its backup copy lies inside the folder of the
// undo file (a run always puts it there), it names a unit or form file (the
// only files a run backs up) by a plain absolute path, not a link, in a
// folder that exists or lies inside a folder of the run: an undo file from
// elsewhere cannot write anywhere else.
bool TComponentReplacer::CheckRestoreLines(const std::string& undoFile,
                                           std::vector<TUndoLine>& lines, const TRunRecord& record) {
  if (unitList_.empty()) {
    restoreError_ = FormatStr(Res::SRestoreNoLines, {undoFile});
    return false;
  }
  const std::string folder = env_.fs->RealPath(ExtractFileDir(undoFile));
  for (size_t n = 0; n < unitList_.size(); ++n) {
    const std::string number = std::to_string(n + 1);
    TUndoLine line;
    if (!ParseUndoLine(unitList_[n], line)) {
      restoreError_ = FormatStr(Res::SRestoreBadLine, {number});
      return false;
    }
    auto refuse = [&](const char* why) {
      restoreError_ = FormatStr(Res::SRestoreRefusedLine, {number, why, unitList_[n]});
      return false;
    };
    if (!IsUnitOrFormName(line.File)) return refuse(Res::SRestoreNotUnitOrForm);
    if (!IsPlainAbsolutePath(line.File)) return refuse(Res::SRestoreNotNormal);
    if (env_.fs->KindOf(line.Backup) != platform::FileKind::Regular) {
      restoreError_ = FormatStr(Res::SRestoreMissingBackup, {line.Backup});
      return false;
    }
    if (!IsInsideFolder(env_.fs->RealPath(line.Backup), folder)) return refuse(Res::SRestoreOutsideFolder);
    if (env_.fs->IsLink(line.File)) return refuse(Res::SRestoreOriginalIsLink);
    const std::string dir = ExtractFileDir(line.File);
    if (!env_.fs->DirectoryExists(dir) &&
        std::none_of(record.Folders().begin(), record.Folders().end(),
                     [&](const std::string& f) { return IsInsideFolder(dir, f); }))
      return refuse(Res::SRestoreNoFolder);
    if (!FindLine(lines, line.File)) lines.push_back(std::move(line));  // the first line wins
  }
  return true;
}

// Reads each backup and each file it goes over. A file that holds neither
// its backup's bytes nor what a run left there was edited since: the
// restore refuses them all, naming each, unless told to write over them.
bool TComponentReplacer::CheckRestoreTargets(const std::vector<TUndoLine>& lines,
                                             const TRunRecord& record,
                                             std::vector<TRestoreStep>& steps) {
  for (const TUndoLine& line : lines) {
    TRestoreStep step;
    step.line = &line;
    std::string err;
    step.backupStamp = env_.fs->StampOf(line.Backup);
    if (!env_.fs->ReadFile(line.Backup, step.backup, err)) {
      restoreError_ = FormatStr(Res::SRestoreCopyFailed, {line.Backup, line.File}) + " " + err;
      return false;
    }
    switch (env_.fs->KindOf(line.File)) {
      case platform::FileKind::Missing:
        break;
      case platform::FileKind::Regular:
        step.existed = true;
        if (!env_.fs->ReadFile(line.File, step.held, err)) {
          restoreError_ = FormatStr(Res::SRestoreCopyFailed, {line.Backup, line.File}) + " " + err;
          return false;
        }
        step.same = step.held == step.backup;
        if (!step.same && record.Knows(line.File) &&
            !record.Accepts(line.File, ContentChecksum(step.held)))
          edited_.push_back(line.File);
        break;
      default:
        restoreError_ = FormatStr(Res::SRestoreCopyFailed, {line.Backup, line.File}) +
                        " it is not a regular file";
        return false;
    }
    steps.push_back(std::move(step));
  }
  if (edited_.empty() || restoreOverEdits_) return true;
  restoreError_ = FormatStr(Res::SRestoreEditedRefused, {std::to_string(edited_.size())});
  for (const std::string& file : edited_) restoreError_ += "\n" + FormatStr(Res::SRestoreEdited, {file});
  return false;
}

// A file that already holds its backup's bytes is left alone (a read-only
// original the run could not replace is one); a file that no longer exists
// is made again, with the levels of its folder that are missing.
bool TComponentReplacer::RestoreFile(TRestoreStep& step) {
  const TUndoLine& line = *step.line;
  if (step.same) return true;
  std::string err;
  std::vector<std::string> missing;
  for (std::string dir = ExtractFileDir(line.File); !dir.empty() && dir.size() > 1 &&
                                                    !env_.fs->DirectoryExists(dir);
       dir = ExtractFileDir(dir))
    missing.insert(missing.begin(), dir);
  for (const std::string& dir : missing) {
    if (env_.fs->MakeDirectory(dir) == platform::MakeDirResult::Failed) {
      restoreError_ = std::string(Res::SFailedToCreateDirectory) + " \"" + dir + "\"";
      return false;
    }
    step.madeFolders.push_back(dir);
  }
  step.written = true;
  if (!env_.fs->OverwriteFile(line.File, step.backup, err)) {
    restoreError_ = FormatStr(Res::SRestoreCopyFailed, {line.Backup, line.File}) + " " + err;
    return false;
  }
  GiveBackSpecialBits(line.File, step.backupStamp);
  return true;
}

// The first count steps, the last first: each file gets back what it held,
// a file that was not there goes, and so do the folders made for it.
void TComponentReplacer::UnrestoreFiles(std::vector<TRestoreStep>& steps, size_t count) noexcept {
  try {
    for (size_t k = count; k-- > 0;) {
      TRestoreStep& step = steps[k];
      std::string err;
      if (step.written) {
        bool ok = step.existed ? env_.fs->OverwriteFile(step.line->File, step.held, err)
                               : env_.fs->DeleteFile(step.line->File);
        if (!ok) warnings_.push_back(FormatStr(Res::SLogNotPutBack, {step.line->File, err}));
      }
      for (auto dir = step.madeFolders.rbegin(); dir != step.madeFolders.rend(); ++dir)
        env_.fs->RemoveDirectory(*dir);
    }
  } catch (...) {
  }
}

// A restore that succeeded leaves no way back to follow again: the undo file
// goes first (so that a stop in between leaves it whole), then the record of
// the runs, the backup copies and the folders they leave empty. A later run
// then backs up the originals as they are at that time.
void TComponentReplacer::RetireRestored(const std::string& undoFile,
                                        const std::vector<TUndoLine>& lines) {
  if (!env_.fs->DeleteFile(undoFile)) {
    warnings_.push_back(FormatStr(Res::SUndoFileNotRetired, {undoFile, "it could not be deleted"}));
    return;
  }
  env_.fs->DeleteFile(RecordFileOf(undoFile));
  const std::string folder = ExtractFileDir(undoFile);
  for (const TUndoLine& line : lines) {
    env_.fs->DeleteFile(line.Backup);
    for (std::string dir = ExtractFileDir(line.Backup);
         dir.size() > folder.size() && dir.compare(0, folder.size(), folder) == 0;
         dir = ExtractFileDir(dir)) {
      if (!env_.fs->RemoveDirectory(dir)) break;
    }
  }
}

}  // namespace migwiz::replace
