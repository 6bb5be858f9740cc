#include "replace/Replacer.h"

#include <strings.h>

#include "host/IDEUtils.h"
#include "resources/RExpertRes.h"
#include "support/Assert.h"
#include "support/FileErrors.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using host::TIDEUtils;
using namespace support;
namespace Res = RExpertRes;

bool TComponentReplacer::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return strcasecmp(a.c_str(), b.c_str()) < 0;
}

TComponentReplacer::TComponentReplacer(grammar::TFormParserClass formParserClass,
                                       const std::string& oldUsesUnit, std::string newUsesList,
                                       TReplaceOptions* replaceOptions, TReplaceEnvironment env)
    : log_(*env.fs, env.clock),
      formParser_(formParserClass(grammar::ParseStateClassOf<grammar::TFormParseState>())),
      oldUsesUnit_(UpperCase(oldUsesUnit)),
      newUsesList_(std::move(newUsesList)),
      replaceOptions_(replaceOptions),
      env_(env) {
  formParser_->SetOnGetPropertyValue(
      [this](const std::string& name, const std::string& old) { return GetPropertyValue(name, old); });
  formParser_->SetPropertyObserver(&recorder_);
  log_.SetHeader(replaceOptions_->Caption() + Res::SLogHeaderSuffix);
  log_.SetCreationTimeString(Res::SLogCreatedAt);
  log_.SetEmptyLineAfterString(true);
}

TComponentReplacer::~TComponentReplacer() = default;

void TComponentReplacer::AddReplacePair(const std::string& oldComp, const std::string& newComp) {
  newComps_.push_back(newComp);
  oldComps_.emplace(oldComp, newComps_.size() - 1);  // the first pair for a name wins
}

void TComponentReplacer::ClearPairs() {
  newComps_.clear();
  oldComps_.clear();
}

bool TComponentReplacer::FindPair(const std::string& oldComp, std::string& newComp) const {
  auto it = oldComps_.find(oldComp);
  if (it == oldComps_.end()) return false;
  newComp = newComps_[it->second];
  return true;
}

std::string TComponentReplacer::ReplaceClassName(const std::string&, const std::string& newClassName) {
  return newClassName;
}

void TComponentReplacer::LogLine(const std::string& line) { log_.WriteLine(line); }

bool TComponentReplacer::PerformReplace() {
  TReplaceOptions& opt = *replaceOptions_;
  undoList_.Clear();
  changedFilesCount_ = 0;
  changedFiles_.clear();
  unresolved_.clear();
  logFileName_.clear();
  undoFileName_.clear();
  BeginReport();

  OpenLog();
  env_.cursor->StartWait();
  bool result = false;
  try {
    InitUnitList();
    CreateBackupFolder();
    std::string tempDir = AllocateTempFolder();
    try {
      ConvertFiles(tempDir);
      result = ReplaceOriginalFiles(tempDir);
      if (opt.MakeBackup && !dryRun_) WriteUndoFile();
    } catch (...) {
      RemoveTempFolder(tempDir);
      throw;
    }
    RemoveTempFolder(tempDir);
    unitList_.clear();
    if (result) LogLine(Res::SReplaceSucceeded);
    if (result) FinishReport();
  } catch (...) {
    unitList_.clear();
    log_.CloseLogFile();
    env_.cursor->StopWait();
    throw;
  }
  log_.CloseLogFile();
  env_.cursor->StopWait();
  if (result && opt.WriteLog && opt.ViewLog && !logFileName_.empty()) env_.shell->Open(logFileName_);
  return result;
}

void TComponentReplacer::OpenLog() {
  const TReplaceOptions& opt = *replaceOptions_;
  if (!opt.WriteLog || dryRun_) return;
  std::string folder = opt.Dest == TSearchDestination::sdDirectory
                           ? opt.Directory
                           : ExtractFileDir(TIDEUtils::GetProjectName());
  logFileName_ = ConcatPath(folder, Res::SLogFileName);
  log_.OpenLogFile(logFileName_);
}

void TComponentReplacer::InitUnitList() {
  const TReplaceOptions& opt = *replaceOptions_;
  LogLine(Res::SLogInitUnitList);
  unitList_.clear();
  if (opt.Dest == TSearchDestination::sdDirectory) {
    std::set<platform::FolderId> seen;
    FindUnits(opt.Directory, opt.IncludeSubDirs, seen);
    return;
  }
  unitList_ = SplitTextLines(opt.ModuleList);
  for (int i = 0; i < TIDEUtils::GetUnitCount(); ++i) {
    std::string name = TIDEUtils::GetUnitName(i);
    if (name.size() < 4 || UpperCase(name.substr(name.size() - 4)) != ".PAS") continue;
    std::string fileName = ExtractFileName(name);
    for (std::string& entry : unitList_) {
      if (SameText(entry, fileName)) {
        entry = name;
        break;
      }
    }
  }
}

// Depth first, in the order the file system lists the entries; a folder
// reached again through a link is not searched twice.
void TComponentReplacer::FindUnits(const std::string& dir, bool includeSubDirs,
                                   std::set<platform::FolderId>& seen) {
  auto id = env_.fs->GetFolderId(dir);
  if (id && !seen.insert(*id).second) return;
  std::vector<platform::DirEntry> entries;
  if (!env_.fs->ListDirectory(dir, entries)) return;
  for (const platform::DirEntry& e : entries) {
    std::string path = ConcatPath(dir, e.name);
    bool isDir = e.isDirectory || (e.isLink && env_.fs->DirectoryExists(path));
    if (isDir) {
      if (includeSubDirs) FindUnits(path, includeSubDirs, seen);
      continue;
    }
    std::string ext = UpperCase(ExtractFileExt(e.name));
    if (ext == ".PAS" || ext == ".DPR") unitList_.push_back(path);
  }
}

void TComponentReplacer::CreateBackupFolder() {
  const TReplaceOptions& opt = *replaceOptions_;
  if (!opt.MakeBackup || dryRun_) return;
  LogLine(Res::SLogCreatingBackupFolder);
  if (!ForceDirectory(opt.BackupDir, *env_.fs)) throw EFCreateError(Res::SFailedToCreateDirectory);
}

std::string TComponentReplacer::AllocateTempFolder() {
  LogLine(Res::SLogAllocatingTempFolder);
  std::string tempDir = CreateTempDirectory(Res::STempFolderPrefix, 1, *env_.fs);
  if (tempDir.empty())
    throw EFCreateError(FormatStr(Res::SFailedToCreateTempFolder, {env_.fs->TempDirectory()}));
  return tempDir;
}

void TComponentReplacer::RemoveTempFolder(const std::string& tempDir) noexcept {
  try {
    LogLine(Res::SLogRemovingTempFolder);
  } catch (...) {
    // The folder goes whether or not the log can take the line.
  }
  RemoveTempDirectory(tempDir, *env_.fs);
}

std::string TComponentReplacer::RelativePath(const std::string& fileName) const {
  std::string base = ConcatPath(replaceOptions_->Directory, "");
  Assert(fileName.compare(0, base.size(), base) == 0, "Replacer", "file outside the folder of the run");
  return fileName.substr(base.size());
}

void TComponentReplacer::ConvertFiles(const std::string& tempDir) {
  const TReplaceOptions& opt = *replaceOptions_;
  const bool inFolder = opt.Dest == TSearchDestination::sdDirectory;
  dbList_.Clear();
  const size_t unitCount = unitList_.size();
  bool collecting = !inFolder || opt.LinkConnections;
  size_t i = 0;
  while (i < unitList_.size()) {
    const std::string file = unitList_[i];
    std::string rel;
    std::string destDir = tempDir;
    if (inFolder) {
      rel = RelativePath(file);
      destDir = ConcatPath(tempDir, ExtractFilePath(rel));
      ForceDirectory(destDir, *env_.fs);
    }
    if (collecting && i >= unitCount) {
      CollectDatabaseNames(file);
      if (i + 1 == unitList_.size()) {
        collecting = false;
        i = unitCount;
        continue;
      }
    } else {
      int before = changedFilesCount_;
      // Units, then forms: each phase counted on its own, so its total is known.
      if (OnProgress) OnProgress(file, i < unitCount ? i : i - unitCount, i < unitCount ? unitCount : unitList_.size() - unitCount);
      ProcessFile(file, destDir);
      if (changedFilesCount_ > before && opt.MakeBackup && !dryRun_) BackupFile(file, rel);
    }
    ++i;
  }
}

void TComponentReplacer::ProcessFile(const std::string& fileName, const std::string& destDir) {
  LogLine(FormatStr(Res::SLogProcessingFile, {fileName}));
  std::string bytes, err;
  if (!env_.fs->ReadFile(fileName, bytes, err)) throw EFOpenError(err);
  currentFile_ = fileName;
  std::string destFile = ConcatPath(destDir, ExtractFileName(fileName));
  std::string ext = UpperCase(ExtractFileExt(fileName));
  if (ext == ".PAS" || ext == ".DPR") {
    TextFileContents unit = ReadTextFile(bytes);
    recorder_.UnitRead(fileName, unit.text);
    ProcessUnit(unit.text, fileName, destFile, unit.encoding);
    return;
  }
  TFormFileContents form;
  try {
    form = ReadFormFile(bytes);
  } catch (const platform::EStreamError& e) {
    throw EFOpenError(fileName + ": " + e.what());
  }
  form.text = form.text.substr(0, form.text.find('\0'));
  ProcessForm(form.text, destFile, form);
}

void TComponentReplacer::NoteChanges(const std::string& fileName, int changes) {
  LogLine(changes == 0 ? std::string(Res::SLogNoChanges) : std::to_string(changes) + Res::SLogChanges);
  if (changes > 0) changedFiles_.push_back({fileName, changes});
}

void TComponentReplacer::WriteOutput(const std::string& fileName, const std::string& bytes) {
  std::string err;
  if (!env_.fs->WriteFile(fileName, bytes, err)) throw EFCreateError(err);
  if (OnFileConverted) OnFileConverted(currentFile_, bytes);
}

// Copies each converted file over its original, in the order of the run.
// The first copy that fails stops the rest: every original not replaced is
// logged and stays as it was.
bool TComponentReplacer::ReplaceOriginalFiles(const std::string& tempDir) {
  if (changedFilesCount_ > 0 && !dryRun_) LogLine(Res::SLogReplacingOriginals);
  if (dryRun_) return true;
  const bool inFolder = replaceOptions_->Dest == TSearchDestination::sdDirectory;
  bool ok = true;
  for (const std::string& file : unitList_) {
    std::string converted = ConcatPath(tempDir, inFolder ? RelativePath(file) : ExtractFileName(file));
    if (!env_.fs->FileExists(converted)) continue;
    if (ok && env_.fs->CopyFile(converted, file)) continue;
    ok = false;
    LogLine(FormatStr(Res::SLogNotReplaced, {file}));
  }
  return ok;
}

}  // namespace migwiz::replace
