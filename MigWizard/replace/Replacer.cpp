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

// Once the copy back has begun the run is finished whatever happens to the
// log: a line that cannot be written becomes a warning.
void TComponentReplacer::LogLine(const std::string& line) {
  if (!copyBackStarted_) {
    log_.WriteLine(line);
    return;
  }
  try {
    log_.WriteLine(line);
  } catch (const EFileError& e) {
    warnings_.push_back(FormatStr(Res::SLogNotWritten, {e.what()}));
    log_.CloseLogFile();
  }
}

void TComponentReplacer::Warn(const std::string& line) {
  warnings_.push_back(line);
  LogLine(line);
}

void TComponentReplacer::CheckStop() {
  if (!StopRequested || !StopRequested()) return;
  LogLine(Res::SLogRunStopped);
  throw ERunStopped(Res::SRunStopped);
}

bool TComponentReplacer::PerformReplace() {
  changedFilesCount_ = 0;
  changed_.clear();
  changedFiles_.clear();
  unresolved_.clear();
  unconverted_.clear();
  warnings_.clear();
  logFileName_.clear();
  undoFileName_.clear();
  copyBackStarted_ = false;
  BeginReport();

  struct EndOfRun {
    TComponentReplacer& r;
    ~EndOfRun() {
      r.unitList_.clear();
      r.listed_.clear();
      r.log_.CloseLogFile();
      r.env_.cursor->StopWait();
    }
  };
  OpenLog();
  env_.cursor->StartWait();
  bool result;
  {
    EndOfRun end{*this};
    result = RunSteps();
  }
  const TReplaceOptions& opt = *replaceOptions_;
  if (result && opt.WriteLog && opt.ViewLog && !logFileName_.empty()) env_.shell->Open(logFileName_);
  return result;
}

// Every file is converted in the temporary folder first; backups and the
// undo file that lists them are written before the first original is
// replaced, so that an original is at every moment either as it was or
// listed with its backup.
bool TComponentReplacer::RunSteps() {
  const TReplaceOptions& opt = *replaceOptions_;
  InitUnitList();
  const std::string tempDir = AllocateTempFolder();
  bool result = true;
  try {
    ConvertFiles(tempDir);
    if (!dryRun_ && !changed_.empty()) {
      CheckStop();
      if (!OriginalsWritable()) {
        result = false;
      } else {
        if (opt.MakeBackup) MakeBackups();
        result = ReplaceOriginalFiles(tempDir);
      }
    }
  } catch (...) {
    RemoveTempFolder(tempDir);
    throw;
  }
  RemoveTempFolder(tempDir);
  if (result) LogLine(Res::SReplaceSucceeded);
  if (result) FinishReport();
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

void TComponentReplacer::AddToUnitList(const std::string& path) {
  if (listed_.insert(path).second) unitList_.push_back(path);
}

void TComponentReplacer::InitUnitList() {
  const TReplaceOptions& opt = *replaceOptions_;
  LogLine(Res::SLogInitUnitList);
  unitList_.clear();
  listed_.clear();
  if (opt.Dest == TSearchDestination::sdDirectory) {
    rootRealPath_ = env_.fs->RealPath(opt.Directory);
    std::vector<platform::DirEntry> probe;
    if (rootRealPath_.empty() || !env_.fs->ListDirectory(opt.Directory, probe))
      throw EFOpenError(FormatStr(Res::STargetDirMissing, {opt.Directory}));
    std::set<platform::FolderId> seen;
    FindUnits(opt.Directory, opt.IncludeSubDirs, seen);
    return;
  }
  projectDir_ = ExtractFileDir(TIDEUtils::GetProjectName());
  std::vector<std::string> entries = SplitTextLines(opt.ModuleList);
  for (int i = 0; i < TIDEUtils::GetUnitCount(); ++i) {
    std::string name = TIDEUtils::GetUnitName(i);
    if (name.size() < 4 || UpperCase(name.substr(name.size() - 4)) != ".PAS") continue;
    std::string fileName = ExtractFileName(name);
    for (std::string& entry : entries) {
      if (SameText(entry, fileName)) {
        entry = name;
        break;
      }
    }
  }
  for (const std::string& entry : entries) {
    // A missing unit stays listed: reading it fails the run with its name.
    if (env_.fs->KindOf(entry) == platform::FileKind::Missing || AcceptFile(entry))
      AddToUnitList(entry);
  }
}

// Whether a file found by the run is read: a regular file, or a link to one
// that stays inside the folder of a folder run. Others are logged.
bool TComponentReplacer::AcceptFile(const std::string& path) {
  const bool inFolder = replaceOptions_->Dest == TSearchDestination::sdDirectory;
  if (inFolder && env_.fs->IsLink(path)) {
    std::string real = env_.fs->RealPath(path);
    if (real.empty()) return false;  // a dangling link names nothing to convert
    if (!IsInsideFolder(real, rootRealPath_)) {
      Warn(FormatStr(Res::SLinkOutside, {path, real}));
      return false;
    }
  }
  switch (env_.fs->KindOf(path)) {
    case platform::FileKind::Regular: return true;
    case platform::FileKind::Missing: return false;
    default: break;
  }
  Warn(FormatStr(Res::SNotRegularFile, {path}));
  return false;
}

// Depth first, in the order the file system lists the entries; a folder
// reached again through a link is not searched twice, and a link that leads
// out of the chosen folder is not followed.
void TComponentReplacer::FindUnits(const std::string& dir, bool includeSubDirs,
                                   std::set<platform::FolderId>& seen) {
  auto id = env_.fs->GetFolderId(dir);
  if (id && !seen.insert(*id).second) return;
  std::vector<platform::DirEntry> entries;
  if (!env_.fs->ListDirectory(dir, entries)) {
    Warn(FormatStr(Res::SFolderUnreadable, {dir}));
    return;
  }
  for (const platform::DirEntry& e : entries) {
    std::string path = ConcatPath(dir, e.name);
    std::string ext = UpperCase(ExtractFileExt(e.name));
    const bool unitName = ext == ".PAS" || ext == ".DPR";
    bool isDir = e.isDirectory || (e.isLink && env_.fs->DirectoryExists(path));
    if (isDir && !includeSubDirs) continue;
    if (!isDir && !unitName) continue;
    if (e.isLink) {
      std::string real = env_.fs->RealPath(path);
      if (real.empty()) continue;
      if (!IsInsideFolder(real, rootRealPath_)) {
        Warn(FormatStr(Res::SLinkOutside, {path, real}));
        continue;
      }
    }
    if (isDir) {
      FindUnits(path, includeSubDirs, seen);
    } else if (AcceptFile(path)) {
      AddToUnitList(path);
    }
  }
}

std::string TComponentReplacer::AllocateTempFolder() {
  LogLine(Res::SLogAllocatingTempFolder);
  std::string err;
  std::string tempDir = CreateTempDirectory(Res::STempFolderPrefix, 1, *env_.fs, &err);
  if (tempDir.empty()) throw EFCreateError(FormatStr(Res::SFailedToCreateTempFolderWhy, {err}));
  return tempDir;
}

void TComponentReplacer::RemoveTempFolder(const std::string& tempDir) noexcept {
  try {
    LogLine(Res::SLogRemovingTempFolder);
  } catch (...) {
    // The folder goes whether or not the log can take the line.
  }
  if (RemoveTempDirectory(tempDir, *env_.fs)) return;
  try {
    warnings_.push_back(FormatStr(Res::STempFolderLeft, {tempDir}));
  } catch (...) {
  }
}

// A folder run mirrors the chosen folder; a project run mirrors the
// project's folder, and a unit outside it is placed by its full path under
// "@outside", so that files of the same name never meet.
std::string TComponentReplacer::RelativePath(const std::string& fileName) const {
  if (replaceOptions_->Dest == TSearchDestination::sdDirectory) {
    std::string base = ConcatPath(replaceOptions_->Directory, "");
    Assert(fileName.compare(0, base.size(), base) == 0, "Replacer", "file outside the folder of the run");
    return fileName.substr(base.size());
  }
  std::string base = ConcatPath(projectDir_, "");
  if (!projectDir_.empty() && fileName.compare(0, base.size(), base) == 0)
    return fileName.substr(base.size());
  if (!fileName.empty() && fileName[0] == kPathDelim) return "@outside" + fileName;
  return fileName;
}

void TComponentReplacer::ConvertFiles(const std::string& tempDir) {
  const bool inFolder = replaceOptions_->Dest == TSearchDestination::sdDirectory;
  dbList_.Clear();
  const size_t unitCount = unitList_.size();
  bool collecting = !inFolder || replaceOptions_->LinkConnections;
  size_t i = 0;
  while (i < unitList_.size()) {
    CheckStop();
    if (collecting && i >= unitCount) {
      CollectDatabaseNames(unitList_[i]);
      if (i + 1 == unitList_.size()) {
        collecting = false;
        i = unitCount;
        continue;
      }
    } else {
      ConvertFile(i, unitCount, tempDir);
    }
    ++i;
  }
}

void TComponentReplacer::ConvertFile(size_t i, size_t unitCount, const std::string& tempDir) {
  const std::string file = unitList_[i];
  const std::string folder = ExtractFilePath(RelativePath(file));
  const std::string destDir = ConcatPath(tempDir, folder);
  std::string err;
  if (!folder.empty() && !env_.fs->DirectoryExists(destDir) && !ForceDirectory(destDir, *env_.fs, &err))
    throw EFCreateError(std::string(Res::SFailedToCreateDirectory) + " " + err);
  int before = changedFilesCount_;
  // Units, then forms: each phase counted on its own, so its total is known.
  if (OnProgress)
    OnProgress(file, i < unitCount ? i : i - unitCount,
               i < unitCount ? unitCount : unitList_.size() - unitCount);
  ProcessFile(file, destDir);
  if (changedFilesCount_ > before) changed_.push_back(i);
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

// A read-only original is a file its owner does not want changed (in many
// shops one not checked out): found before anything is written, it stops
// the copy back of every file.
bool TComponentReplacer::OriginalsWritable() {
  std::vector<std::string> readOnly;
  for (size_t i : changed_) {
    const std::string& file = unitList_[i];
    if (env_.fs->IsReadOnly(file)) readOnly.push_back(file);
  }
  if (readOnly.empty()) return true;
  for (const std::string& file : readOnly) Warn(FormatStr(Res::SReadOnlyOriginal, {file}));
  for (size_t i : changed_) LogLine(FormatStr(Res::SLogNotReplaced, {unitList_[i]}));
  return false;
}

// Writes each converted file into its original, in the order of the run.
// The first write that fails stops the rest: every original not replaced is
// logged and stays as it was; the undo file restores the others.
bool TComponentReplacer::ReplaceOriginalFiles(const std::string& tempDir) {
  copyBackStarted_ = true;
  LogLine(Res::SLogReplacingOriginals);
  bool ok = true;
  size_t n = 0;
  for (size_t i : changed_) {
    const std::string& file = unitList_[i];
    if (ok && OnReplacing) OnReplacing(file, n++, changed_.size());
    if (ok) {
      std::string bytes, err;
      ok = env_.fs->ReadFile(ConcatPath(tempDir, RelativePath(file)), bytes, err) &&
           env_.fs->OverwriteFile(file, bytes, err);
      if (ok) continue;
      warnings_.push_back(err);
    }
    LogLine(FormatStr(Res::SLogNotReplaced, {file}));
  }
  return ok;
}

}  // namespace migwiz::replace
