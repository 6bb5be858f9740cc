// Backup copies of changed originals, the undo file that pairs them, and the
// restore that copies them back.
#include "platform/TextCodec.h"
#include "replace/Replacer.h"
#include "resources/RExpertRes.h"
#include "support/FileErrors.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using namespace support;
namespace Res = RExpertRes;

// Copies the (still unconverted) original into the backup folder. A copy
// that fails stops the run before any original is replaced.
void TComponentReplacer::BackupFile(const std::string& fileName, const std::string& rel) {
  const TReplaceOptions& opt = *replaceOptions_;
  std::string backupPath;
  if (opt.Dest == TSearchDestination::sdDirectory) {
    ForceDirectory(ConcatPath(opt.BackupDir, ExtractFilePath(rel)), *env_.fs);
    backupPath = GetBackupFileName(ConcatPath(opt.BackupDir, rel));
  } else {
    backupPath = ConcatPath(opt.BackupDir, ExtractFileName(GetBackupFileName(fileName)));
  }
  if (!env_.fs->CopyFile(fileName, backupPath))
    throw EFCreateError(FormatStr(Res::SBackupCopyFailed, {fileName, backupPath}));
  undoList_.SetValue(fileName, backupPath);
}

// In the ANSI code page without a mark; when a path does not fit the code
// page, in UTF-8 with its mark, which a restore reads just as well.
void TComponentReplacer::WriteUndoFile() {
  undoFileName_ = ConcatPath(replaceOptions_->BackupDir, Res::SUndoFileName);
  const std::string text = undoList_.Text();
  std::string bytes = EncodeText(text, TEncoding::Ansi);
  if (DecodeText(bytes, TEncoding::Ansi) != text)
    bytes = ByteOrderMark(TEncoding::Utf8) + text;
  std::string err;
  if (!env_.fs->WriteFile(undoFileName_, bytes, err))
    throw EFCreateError(FormatStr(Res::SFailedToWriteUndoFile, {undoFileName_}) + " " + err);
  LogLine(FormatStr(Res::SLogBackupFile, {undoFileName_}));
}

bool TComponentReplacer::PerformRestore(const std::string& undoFile) {
  restoreError_.clear();
  std::string bytes, err;
  if (!env_.fs->ReadFile(undoFile, bytes, err)) throw EFOpenError(err);
  unitList_ = SplitTextLines(ReadTextFile(bytes).text);
  struct ClearOnExit {
    std::vector<std::string>& list;
    ~ClearOnExit() { list.clear(); }
  } clear{unitList_};

  TNameValueList lines;
  for (const std::string& line : unitList_) lines.Add(line);
  if (lines.Count() == 0) {
    restoreError_ = FormatStr(Res::SRestoreNoLines, {undoFile});
    return false;
  }
  // Check everything before copying anything.
  for (size_t i = 0; i < lines.Count(); ++i) {
    std::string name = lines.Name(i);
    if (lines.Line(i).find('=') == std::string::npos || name.empty() || lines.ValueAt(i).empty()) {
      restoreError_ = FormatStr(Res::SRestoreBadLine, {std::to_string(i + 1)});
      return false;
    }
    std::string backup = lines.Value(name);
    if (!env_.fs->FileExists(backup)) {
      restoreError_ = FormatStr(Res::SRestoreMissingBackup, {backup});
      return false;
    }
    if (!env_.fs->FileExists(name)) {
      restoreError_ = FormatStr(Res::SRestoreMissingOriginal, {name});
      return false;
    }
  }
  bool result = false;
  for (size_t i = 0; i < lines.Count(); ++i) {
    result = env_.fs->CopyFile(lines.ValueAt(i), lines.Name(i));
    if (!result) {
      restoreError_ = FormatStr(Res::SRestoreCopyFailed, {lines.ValueAt(i), lines.Name(i)});
      break;
    }
  }
  return result;
}

}  // namespace migwiz::replace
