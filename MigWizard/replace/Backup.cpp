// Backup copies of changed originals, the undo file that pairs them, and the
// restore that copies them back.
//
// Nothing here ever overwrites a backup copy: the copy a folder already
// holds for an original is the older one, taken before any run changed it.
// The undo file is merged, never truncated, and it is written before the
// first original is replaced.
#include <algorithm>

#include "platform/TextCodec.h"
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
  std::vector<TUndoLine> lines = LoadUndoFile(undoFile);
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
    if (!adopted) BackupFile(file, backupPath);
    lines.push_back({file, backupPath});
    added = true;
  }
  undoFileName_ = undoFile;
  if (added) WriteUndoFile(lines);
  LogLine(FormatStr(Res::SLogBackupFile, {undoFileName_}));
}

// The lines of an undo file already in the backup folder (none when there
// is no file). One that cannot be read or understood stops the run: it is
// somebody's way back.
std::vector<TUndoLine> TComponentReplacer::LoadUndoFile(const std::string& undoFile) {
  std::vector<TUndoLine> lines;
  if (env_.fs->KindOf(undoFile) == platform::FileKind::Missing) return lines;
  std::string bytes, err;
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

bool TComponentReplacer::PerformRestore(const std::string& undoFile) {
  restoreError_.clear();
  restored_.clear();
  warnings_.clear();
  std::string bytes, err;
  if (!env_.fs->ReadFile(undoFile, bytes, err)) throw EFOpenError(err);
  unitList_ = SplitTextLines(ReadTextFile(bytes).text);
  struct ClearOnExit {
    std::vector<std::string>& list;
    ~ClearOnExit() { list.clear(); }
  } clear{unitList_};

  std::vector<TUndoLine> lines;
  if (!CheckRestoreLines(undoFile, lines)) return false;
  for (const TUndoLine& line : lines) {
    if (OnRestoring) OnRestoring(line.File, restored_.size(), lines.size());
    if (!RestoreFile(line)) return false;
    restored_.push_back(line.File);
  }
  RetireRestored(undoFile, lines);
  return true;
}

// Every line is checked before anything is copied. A line is taken only
// when its backup copy lies inside the folder of the undo file (a run
// always puts it there) and it names a unit or form file, the only files a
// run backs up: an undo file from elsewhere cannot write anywhere else.
bool TComponentReplacer::CheckRestoreLines(const std::string& undoFile,
                                           std::vector<TUndoLine>& lines) {
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
    if (!IsUnitOrFormName(line.File)) {
      restoreError_ = FormatStr(Res::SRestoreRefusedLine, {number, Res::SRestoreNotUnitOrForm, unitList_[n]});
      return false;
    }
    if (env_.fs->KindOf(line.Backup) != platform::FileKind::Regular) {
      restoreError_ = FormatStr(Res::SRestoreMissingBackup, {line.Backup});
      return false;
    }
    if (!IsInsideFolder(env_.fs->RealPath(line.Backup), folder)) {
      restoreError_ = FormatStr(Res::SRestoreRefusedLine, {number, Res::SRestoreOutsideFolder, unitList_[n]});
      return false;
    }
    if (!FindLine(lines, line.File)) lines.push_back(std::move(line));  // the first line wins
  }
  return true;
}

// A file that already holds its backup's bytes is left alone (a read-only
// original the run could not replace is one); a file that no longer exists
// is made again.
bool TComponentReplacer::RestoreFile(const TUndoLine& line) {
  std::string bytes, current, err;
  if (!env_.fs->ReadFile(line.Backup, bytes, err)) {
    restoreError_ = FormatStr(Res::SRestoreCopyFailed, {line.Backup, line.File}) + " " + err;
    return false;
  }
  if (env_.fs->KindOf(line.File) == platform::FileKind::Regular &&
      env_.fs->ReadFile(line.File, current, err) && current == bytes)
    return true;
  const std::string dir = ExtractFileDir(line.File);
  if (!dir.empty() && !env_.fs->DirectoryExists(dir) && !ForceDirectory(dir, *env_.fs, &err)) {
    restoreError_ = std::string(Res::SFailedToCreateDirectory) + " " + err;
    return false;
  }
  if (!env_.fs->OverwriteFile(line.File, bytes, err)) {
    restoreError_ = FormatStr(Res::SRestoreCopyFailed, {line.Backup, line.File}) + " " + err;
    return false;
  }
  return true;
}

// A restore that succeeded leaves no way back to follow again: the undo file
// goes first (so that a stop in between leaves it whole), then the backup
// copies and the folders they leave empty. A later run then backs up the
// originals as they are at that time.
void TComponentReplacer::RetireRestored(const std::string& undoFile,
                                        const std::vector<TUndoLine>& lines) {
  if (!env_.fs->DeleteFile(undoFile)) {
    warnings_.push_back(FormatStr(Res::SUndoFileNotRetired, {undoFile, "it could not be deleted"}));
    return;
  }
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
