#include "replace/Replacer.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "host/IDEUtils.h"
#include "platform/LargeStack.h"
#include "platform/Paths.h"
#include "platform/StandaloneIDE.h"
#include "replace/ConversionPool.h"
#include "resources/RExpertRes.h"
#include "support/Assert.h"
#include "support/Checksum.h"
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
      formParserClass_(std::move(formParserClass)),
      formParser_(formParserClass_(grammar::ParseStateClassOf<grammar::TFormParseState>())),
      oldUsesUnit_(UpperCase(oldUsesUnit)),
      newUsesList_(std::move(newUsesList)),
      replaceOptions_(replaceOptions),
      env_(env),
      listings_(*env_.fs) {
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

std::string TComponentReplacer::ReplaceClassName(const std::string&,
                                                 const std::string& newClassName) const {
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

void TComponentReplacer::LogFailure(const std::string& reason) noexcept {
  try {
    LogLine(FormatStr(Res::SLogRunFailed, {reason}));
  } catch (...) {  // the failure itself is what the caller reports
  }
}

void TComponentReplacer::CheckStop() {
  if (!StopRequested || !StopRequested()) return;
  LogLine(Res::SLogRunStopped);
  throw ERunStopped(Res::SRunStopped);
}

// What one run (a replace or an inventory) gathers, emptied before it starts.
void TComponentReplacer::ResetRunState() {
  changedFilesCount_ = 0;
  changed_.clear();
  changedFiles_.clear();
  unresolved_.clear();
  unconverted_.clear();
  warnings_.clear();
  logFileName_.clear();
  undoFileName_.clear();
  copyBackStarted_ = false;
  originalsUnchanged_ = false;
  reads_.clear();
  writtenSums_.clear();
  formOwners_.clear();
  backupsBefore_ = {};
}

bool TComponentReplacer::PerformReplace() {
  ResetRunState();
  BeginReport();

  // Held from before the first read to after the last write, whatever
  // happens in between.
  struct ReleaseLocks {
    TRunLocks& locks;
    ~ReleaseLocks() { locks.Release(); }
  } releaseLocks{locks_};
  if (!dryRun_) LockRun();
  CheckRunFileNames();

  struct EndOfRun {
    TComponentReplacer& r;
    ~EndOfRun() {
      r.DropFilesOfTheRun();
      r.spill_.reset();
      r.spilledOutputs_.clear();
      r.backupFolders_.clear();
      r.log_.CloseLogFile();
      r.env_.cursor->StopWait();
    }
  };
  OpenLog();
  env_.cursor->StartWait();
  bool result;
  {
    EndOfRun end{*this};
    try {
      result = RunSteps();
    } catch (const ERunStopped&) {
      throw;
    } catch (const std::exception& e) {
      LogFailure(e.what());
      throw;
    }
    if (!result) LogFailure(Res::SLogNotEveryFileReplaced);
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
    FindDescendants();
    ConvertFiles(tempDir);
    if (!dryRun_ && !changed_.empty()) {
      CheckStop();
      if (!OriginalsWritable()) {
        result = false;
        originalsUnchanged_ = true;
      } else {
        if (opt.MakeBackup) {
          MakeBackups();
          // The backups and the undo file reach the disk before any
          // original is touched.
          std::string err;
          if (!env_.fs->SyncFileSystem(opt.BackupDir, err))
            throw EWriteError(FormatStr(Res::SNotFlushed, {err}));
        }
        result = ReplaceOriginalFiles(tempDir);
      }
    }
    if (result) CheckOwnOutput();
  } catch (...) {
    if (!copyBackStarted_) UndoBackups();
    RemoveTempFolder(tempDir);
    throw;
  }
  RemoveTempFolder(tempDir);
  if (result) LogLine(Res::SReplaceSucceeded);
  if (result) FinishReport();
  return result;
}

// The folder the run converts: the chosen one, or the project's.
std::string TComponentReplacer::RunFolder() const {
  const TReplaceOptions& opt = *replaceOptions_;
  return opt.Dest == TSearchDestination::sdDirectory ? opt.Directory
                                                     : ExtractFileDir(TIDEUtils::GetProjectName());
}

// The folder of the run, and the undo file when its folder is there
// already (else it is locked once the backup folder is made).
void TComponentReplacer::LockRun() {
  const TReplaceOptions& opt = *replaceOptions_;
  const std::string folder = RunFolder();
  if (!folder.empty() && env_.fs->DirectoryExists(folder))
    locks_.Take(*env_.fs, TRunLocks::FolderLockFile(folder), folder);
  if (opt.MakeBackup && env_.fs->DirectoryExists(opt.BackupDir)) {
    const std::string undoFile = ConcatPath(opt.BackupDir, Res::SUndoFileName);
    locks_.Take(*env_.fs, TRunLocks::UndoLockFile(undoFile), undoFile);
  }
}

// The log and the report are written at their names in the folder of the
// run, never through a link to a file elsewhere.
void TComponentReplacer::CheckRunFileNames() {
  const TReplaceOptions& opt = *replaceOptions_;
  if (dryRun_) return;
  const std::string folder = RunFolder();
  if (opt.WriteLog && env_.fs->IsLink(ConcatPath(folder, Res::SLogFileName)))
    throw EFCreateError(FormatStr(Res::SRunFileIsLink, {ConcatPath(folder, Res::SLogFileName)}));
  const std::string report = ConcatPath(report_.Root(), kReportFileName);
  if (opt.WriteReport && env_.fs->IsLink(report))
    throw EFCreateError(FormatStr(Res::SRunFileIsLink, {report}));
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
  listings_.Clear();
  backupFolders_.clear();
  dprojFiles_.clear();
  if (opt.Dest == TSearchDestination::sdDirectory) {
    rootRealPath_ = env_.fs->RealPath(opt.Directory);
    if (rootRealPath_.empty() || !listings_.List(opt.Directory))
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
bool TComponentReplacer::AcceptFile(const std::string& path, const platform::DirEntry* hint) {
  if (hint && hint->isRegular) return true;  // no link, so inside the folder it was listed in
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
  // Kept: the forms the units name are looked up in these listings.
  const support::TFolderListings::Listing* listing = listings_.List(dir);
  if (!listing) {
    Warn(FormatStr(Res::SFolderUnreadable, {dir}));
    return;
  }
  for (const platform::DirEntry& e : listing->entries) {
    std::string path = ConcatPath(dir, e.name);
    std::string ext = UpperCase(ExtractFileExt(e.name));
    const bool unitName = ext == ".PAS" || ext == ".DPR";
    bool isDir = e.isDirectory || (e.isLink && env_.fs->DirectoryExists(path));
    if (!isDir && ext == ".DPROJ" && e.isRegular) dprojFiles_.push_back(path);
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
    } else if (AcceptFile(path, &e)) {
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
  if (spill_) spill_->Close();  // an open file keeps its folder on some hosts
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
  if (!projectDir_.empty() && fileName.size() >= base.size() &&
      platform::SameFileName(std::string_view(fileName).substr(0, base.size()), base))
    return fileName.substr(base.size());
  if (platform::IsAbsolutePath(fileName)) {
    // A drive's colon is no part of a folder name.
    std::string rest;
    for (char c : fileName)
      if (c != ':') rest.push_back(c);
    rest.erase(0, rest.find_first_not_of(kPathDelim));
    return std::string("@outside") + kPathDelim + rest;
  }
  return fileName;
}

// Units first, then the forms they name. Where database names are linked,
// every form is read for them before the first form is converted; else a
// form is converted as soon as its unit has named it.
void TComponentReplacer::ConvertFiles(const std::string& tempDir) {
  const bool inFolder = replaceOptions_->Dest == TSearchDestination::sdDirectory;
  dbList_.Clear();
  resolver_.Clear();
  resolver_.SetOneProject(!inFolder);
  if (!inFolder) ScanProjectSources();
  if (inFolder) ReadFolderProjects();
  const size_t unitCount = unitList_.size();
  const size_t jobs = jobs_ != 0 ? jobs_ : TConversionPool::DefaultThreads();
  std::unique_ptr<TConversionPool> pool;
  if (jobs > 1) {
    pool = std::make_unique<TConversionPool>(jobs);
    if (pool->Threads() == 0) pool.reset();
  }
  if (inFolder && !replaceOptions_->LinkConnections) {
    RunPass(TPass::Convert, 0, SIZE_MAX, unitCount, tempDir, pool.get());
    return;
  }
  RunPass(TPass::Convert, 0, unitCount, unitCount, tempDir, pool.get());
  RunPass(TPass::CollectNames, unitCount, SIZE_MAX, unitCount, tempDir, pool.get());
  RunPass(TPass::Convert, unitCount, SIZE_MAX, unitCount, tempDir, pool.get());
}

bool TComponentReplacer::Linking() const {
  return replaceOptions_->Dest != TSearchDestination::sdDirectory || replaceOptions_->LinkConnections;
}

grammar::TFormParser& TComponentReplacer::ParserOf(size_t thread) {
  if (thread == 0) return *formParser_;
  while (threadParsers_.size() < thread)
    threadParsers_.push_back(formParserClass_(grammar::ParseStateClassOf<grammar::TFormParseState>()));
  return *threadParsers_[thread - 1];
}

// One after the other, each file is done on the large stack and taken in at
// once. With a pool, a few files ahead are done meanwhile on its threads;
// they are taken in order all the same, so that the log, the progress, the
// unit list and every file written come out as they do one by one. A stop
// request or a failure drops what was done ahead.
void TComponentReplacer::RunPass(TPass pass, size_t begin, size_t end, size_t unitCount,
                                 const std::string& tempDir, TConversionPool* pool) {
  auto limit = [&] { return std::min(end, unitList_.size()); };
  if (!pool) {
    for (size_t i = begin; i < limit(); ++i) {
      CheckStop();
      if (pass == TPass::Convert) BeginFile(i, unitCount);
      TFileConversion c(unitList_[i]);
      c.Form = TakeKeptForm(pass, i);
      c.Unit = TakeKeptUnit(pass, i);
      platform::RunOnLargeStack([&] { DoPass(pass, c, *formParser_); });
      TakePass(pass, i, c, tempDir);
    }
    return;
  }
  for (size_t t = 0; t < pool->Threads(); ++t) ParserOf(t);  // made here, not on the threads
  const size_t ahead = pool->Threads() * 4;
  std::map<size_t, std::unique_ptr<TFileConversion>> work;
  struct WaitForPosted {  // the posted jobs write into work
    TConversionPool& pool;
    std::map<size_t, std::unique_ptr<TFileConversion>>& work;
    ~WaitForPosted() {
      pool.DropQueued();
      for (auto& [i, c] : work) pool.Wait(i);
    }
  } waitForPosted{*pool, work};
  size_t posted = begin;
  for (size_t i = begin; i < limit(); ++i) {
    for (; posted < limit() && posted < i + ahead; ++posted) {
      TFileConversion* c = work.emplace(posted, std::make_unique<TFileConversion>(unitList_[posted]))
                               .first->second.get();
      c->Form = TakeKeptForm(pass, posted);
      c->Unit = TakeKeptUnit(pass, posted);
      pool->Post(posted, [this, pass, c](size_t thread) { DoPass(pass, *c, ParserOf(thread)); });
    }
    pool->Wait(i);
    std::unique_ptr<TFileConversion> c = std::move(work.at(i));
    work.erase(i);
    CheckStop();
    if (pass == TPass::Convert) BeginFile(i, unitCount);
    TakePass(pass, i, *c, tempDir);
  }
}

std::unique_ptr<TFormFileContents> TComponentReplacer::TakeKeptForm(TPass pass, size_t i) {
  auto it = keptForms_.find(i);
  if (pass != TPass::Convert || it == keptForms_.end()) return nullptr;
  std::unique_ptr<TFormFileContents> form = std::move(it->second);
  keptForms_.erase(it);
  keptFormBytes_ -= form->text.size();
  return form;
}

// What a run (or an inventory) held of its files, let go of when it ends.
void TComponentReplacer::DropFilesOfTheRun() {
  unitList_.clear();
  listed_.clear();
  listings_.Clear();
  keptForms_.clear();
  keptFormBytes_ = 0;
  keptUnits_.clear();
  keptUnitBytes_ = 0;
  keptOutputs_.clear();
  keptOutputBudget_.Clear();
}

std::unique_ptr<TKeptUnit> TComponentReplacer::TakeKeptUnit(TPass pass, size_t i) {
  auto it = keptUnits_.find(i);
  if (pass != TPass::Convert || it == keptUnits_.end()) return nullptr;
  std::unique_ptr<TKeptUnit> unit = std::move(it->second);
  keptUnits_.erase(it);
  keptUnitBytes_ -= unit->Unit.text.size();
  return unit;
}

void TComponentReplacer::DoPass(TPass pass, TFileConversion& c, grammar::TFormParser& parser) noexcept {
  try {
    c.Parser = &parser;
    if (pass == TPass::Convert)
      ProcessFile(c);
    else
      CollectDatabaseNames(c);
  } catch (...) {
    c.Error = std::current_exception();
  }
  c.Parser = nullptr;
}

void TComponentReplacer::TakePass(TPass pass, size_t i, TFileConversion& c, const std::string& tempDir) {
  if (pass == TPass::Convert) {
    TakeConversion(i, c, tempDir);
    return;
  }
  if (c.Error) std::rethrow_exception(c.Error);
  for (const auto& d : c.DatabaseNames) {
    dbList_.SetValue(d.Name, d.Root + "." + d.Object);
    resolver_.AddDatabase(d.Name, c.File, d.Root, d.Object);
  }
  resolver_.AddForm(c.File, c.RootName);
  // Forms read for their names are kept for their conversion, up to a
  // bound: a large project's forms are read again instead.
  if (c.Form && keptFormBytes_ + c.Form->text.size() <= kKeptFormBytes) {
    keptFormBytes_ += c.Form->text.size();
    keptForms_[i] = std::move(c.Form);
  }
}

// Units, then forms: each phase counted on its own, so its total is known.
void TComponentReplacer::BeginFile(size_t i, size_t unitCount) {
  const std::string& file = unitList_[i];
  if (OnProgress)
    OnProgress(file, i < unitCount ? i : i - unitCount,
               i < unitCount ? unitCount : unitList_.size() - unitCount);
  LogLine(FormatStr(Res::SLogProcessingFile, {file}));
}

// In the order the one-by-one run meets them: the forms a unit names, the
// change count, then the converted copy.
void TComponentReplacer::TakeConversion(size_t i, TFileConversion& c, const std::string& tempDir) {
  if (c.Error && !c.Noted) std::rethrow_exception(c.Error);
  for (const std::string& formFile : c.FormFiles) TakeFormFile(formFile, c.File);
  if (!c.UsedUnits.empty()) resolver_.AddUses(c.File, c.UsedUnits);
  if (!c.ProjectUnits.empty()) resolver_.AddProject(c.File, c.ProjectUnits);
  // While a linking run converts forms, other threads ask the resolver:
  // it is complete by then (every form was read for its names) and is
  // only added to in a run that does not link.
  if (!c.RootName.empty() && !Linking()) resolver_.AddForm(c.File, c.RootName);
  NoteChanges(c.File, c.Changes);
  for (const std::string& warning : c.Warnings) Warn(warning);
  if (c.Form && !c.Form->refusal.empty()) {
    // The unit that names a refused form may have been converted: say so.
    auto owner = formOwners_.find(c.File);
    if (owner != formOwners_.end() &&
        std::any_of(changedFiles_.begin(), changedFiles_.end(),
                    [&](const TFileChanges& f) { return f.FileName == owner->second; }))
      Warn(FormatStr(Res::SUnitFormRefused, {owner->second, c.File}));
  }
  unresolved_.insert(unresolved_.end(), c.Unresolved.begin(), c.Unresolved.end());
  unconverted_.insert(unconverted_.end(), c.Unconverted.begin(), c.Unconverted.end());
  TakeReport(c.Report);
  if (c.Error) std::rethrow_exception(c.Error);
  if (!c.Changed) return;
  if (inventory_) {  // only counted
    ++changedFilesCount_;
    changed_.push_back(i);
    return;
  }
  reads_[i] = c.Read;
  writtenSums_[i] = ContentChecksum(c.Output);
  // Converted copies wait for the copy back in memory, up to a bound, and
  // beyond it in the run's spill file: either way no original is touched
  // before every file is converted.
  if (dryRun_) {
    // Nothing is copied back: the converted copy is only shown (--diff)
    // and checked now, as it will not be kept for the check at the end.
    if (OnFileConverted) OnFileConverted(c.File, c.Output);
    CheckConvertedCopy(c);
    c.Output = std::string();
  } else if (keptOutputBudget_.Take(c.Output.size())) {
    if (OnFileConverted) OnFileConverted(c.File, c.Output);
    keptOutputs_[i] = std::move(c.Output);
  } else {
    spilledOutputs_[i] = Spill(tempDir).Append(c.Output, writtenSums_[i]);
    if (OnFileConverted) OnFileConverted(c.File, c.Output);
  }
  ++changedFilesCount_;
  changed_.push_back(i);
}

// Found whatever the letter case of its name on disk, and used as spelt
// there; a form named by two units is listed (and converted) once.
void TComponentReplacer::TakeFormFile(const std::string& formFile, const std::string& unitFile) {
  std::string unreadable;
  const platform::DirEntry* entry = nullptr;
  std::string onDisk = FindPathNoCase(formFile, listings_, &unreadable, &entry);
  if (!onDisk.empty()) resolver_.AddFormUnit(onDisk, unitFile);
  if (!onDisk.empty() && AcceptFile(onDisk, entry)) {
    AddToUnitList(onDisk);
    formOwners_.emplace(onDisk, unitFile);
  }
  if (onDisk.empty() && !unreadable.empty()) Warn(FormatStr(Res::SFolderUnreadable, {unreadable}));
}

// A project run does not convert its project source, but what in it must
// be rewritten by hand is reported all the same.
void TComponentReplacer::ScanProjectSources() {
  std::vector<std::string> sources;
  for (int i = 0; i < TIDEUtils::GetUnitCount(); ++i) {
    std::string name = TIDEUtils::GetUnitName(i);
    if (SameText(ExtractFileExt(name), ".dpr") && !listed_.count(name) &&
        std::find(sources.begin(), sources.end(), name) == sources.end())
      sources.push_back(name);
  }
  for (const std::string& file : sources) {
    std::string bytes, err;
    if (!env_.fs->ReadFile(file, bytes, err)) {
      Warn(err);
      continue;
    }
    report_.AddManualWork(file, ScanUnitForManualWork(ReadTextFile(bytes).text));
  }
}

// What a .dproj lists is what its project holds; one that cannot be read
// only narrows nothing.
void TComponentReplacer::ReadFolderProjects() {
  for (const std::string& file : dprojFiles_) {
    std::string bytes, err;
    if (!env_.fs->ReadFile(file, bytes, err)) continue;
    std::string mainSource;
    std::vector<std::string> units =
        platform::DprojUnitFiles(ReadTextFile(bytes).text, ExtractFileDir(file), *env_.fs, &mainSource);
    if (!mainSource.empty()) units.push_back(mainSource);
    resolver_.AddProject(file, units);
  }
}

void TComponentReplacer::TakeReport(const TRunReport& part) {
  for (const TManualWork& w : part.ManualWork()) report_.AddManualWork(w.File, {w.Item});
  for (const TUnitChange& u : part.UnitChanges()) report_.AddUnitChange(u);
  for (const TConvertedObject& o : part.ConvertedObjects()) report_.AddConvertedObject(o);
  for (const TUnparsedObject& o : part.UnparsedObjects()) report_.AddUnparsedObject(o);
  for (const TObjectWithoutCounterpart& o : part.ObjectsWithoutCounterpart()) report_.AddObjectWithoutCounterpart(o);
}

// Made on the first piece that does not fit in memory: a run that keeps
// everything there writes nothing to its temporary folder.
TSpillFile& TComponentReplacer::Spill(const std::string& tempDir) {
  if (!spill_)
    spill_ = std::make_unique<TSpillFile>(*env_.fs, ConcatPath(tempDir, Res::SSpillFileName),
                                          std::min(kSpillBuffer, keptOutputBudget_.Bound()));
  return *spill_;
}

namespace {

// The stamp is taken before the bytes are read: an edit in between shows as
// a changed stamp when the original is about to be replaced.
std::string ReadOriginal(platform::FileSystem& fs, const std::string& file, TOriginalRead& read) {
  std::string bytes, err;
  read.Stamp = fs.StampOf(file);
  if (!fs.ReadFile(file, bytes, err)) throw EFOpenError(err);
  read.Checksum = ContentChecksum(bytes);
  return bytes;
}

}  // namespace

// Read as the conversion reads it (stamp, bytes, checksum), so that the
// check before the copy back holds it to the same read.
const std::string* TComponentReplacer::ReadUnitAhead(size_t i, std::string& scratch) {
  auto kept = std::make_unique<TKeptUnit>();
  try {
    kept->Unit = ReadTextFile(ReadOriginal(*env_.fs, unitList_[i], kept->Read));
  } catch (const EFOpenError&) {
    return nullptr;  // the conversion reports it
  }
  if (keptUnitBytes_ + kept->Unit.text.size() > kKeptFormBytes) {
    scratch = std::move(kept->Unit.text);
    return &scratch;
  }
  keptUnitBytes_ += kept->Unit.text.size();
  return &(keptUnits_[i] = std::move(kept))->Unit.text;
}

void TComponentReplacer::ProcessFile(TFileConversion& c) {
  std::string ext = UpperCase(ExtractFileExt(c.File));
  if (ext == ".PAS" || ext == ".DPR") {
    TextFileContents unit;
    if (c.Unit) {
      c.Read = c.Unit->Read;
      unit = std::move(c.Unit->Unit);
      c.Unit.reset();
    } else {
      std::string bytes = ReadOriginal(*env_.fs, c.File, c.Read);
      unit = ReadTextFile(bytes);
    }
    c.Recorder.UnitRead(c.File, unit.text);
    ProcessUnit(c, unit.text, unit.encoding);
    return;
  }
  if (!c.Form) c.Form = std::make_unique<TFormFileContents>(ReadForm(c.File));
  c.Read = c.Form->read;
  if (!c.Form->refusal.empty()) {
    c.Warnings.push_back(c.Form->refusal);
    c.Noted = true;
    return;  // kept for TakeConversion, which names the unit
  }
  ProcessForm(c, c.Form->text, *c.Form);
  c.Form.reset();  // only the output is waited for
}

// A text form with a NUL character is refused whole: what follows the NUL
// would otherwise be lost, and a form is never converted in part.
TFormFileContents TComponentReplacer::ReadForm(const std::string& fileName) const {
  TOriginalRead read;
  std::string bytes = ReadOriginal(*env_.fs, fileName, read);
  TFormFileContents form;
  try {
    form = ReadFormFile(bytes);
  } catch (const platform::EStreamError& e) {
    throw EFOpenError(fileName + ": " + e.what());
  }
  form.read = read;
  const size_t nul = form.text.find('\0');
  if (!form.binary && nul != std::string::npos) {
    const size_t line = 1 + static_cast<size_t>(std::count(form.text.begin(), form.text.begin() +
                                                           static_cast<std::ptrdiff_t>(nul), '\n'));
    form.refusal = FormatStr(Res::SFormNulRefused, {std::to_string(line), fileName});
  }
  return form;
}

void TComponentReplacer::NoteChanges(const std::string& fileName, int changes) {
  LogLine(changes == 0 ? std::string(Res::SLogNoChanges) : std::to_string(changes) + Res::SLogChanges);
  if (changes > 0) changedFiles_.push_back({fileName, changes});
}

}  // namespace migwiz::replace
