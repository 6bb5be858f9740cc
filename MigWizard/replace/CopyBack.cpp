// The copy back: every converted file written into its original, each
// original checked first to be what the run read, and the whole copy back
// undone when one file fails, so that a run that fails leaves every
// original byte for byte as it was.
#include <algorithm>
#include <set>

#include "replace/Replacer.h"
#include "resources/RExpertRes.h"
#include "support/Checksum.h"
#include "support/FileErrors.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using namespace support;
namespace Res = RExpertRes;

// An original replaced (or being replaced), with its bytes from just before:
// in memory, or beyond a bound in the run's spill file.
struct TComponentReplacer::TReplaced {
  size_t index = 0;
  std::string held;
  std::optional<TSpillFile::TPiece> spilled;  // none when held in memory
};

namespace {

bool SameFile(const platform::FileStamp& a, const platform::FileStamp& b) {
  return a.size == b.size && a.modifiedNs == b.modifiedNs && a.device == b.device &&
         a.inode == b.inode;
}

}  // namespace

// Everything that can be known before the first original is touched: a
// read-only original (in many shops one not checked out), one that another
// program holds open (the IDE) and one that this user may not write for
// reasons the mode bits do not show (another owner, an ACL, an immutable
// flag) stop the copy back of every file.
bool TComponentReplacer::OriginalsWritable() {
  std::vector<std::string> refused;
  for (size_t i : changed_) {
    const std::string& file = unitList_[i];
    std::string err;
    if (env_.fs->IsReadOnly(file))
      refused.push_back(FormatStr(Res::SReadOnlyOriginal, {file}));
    else if (env_.fs->InUseByAnotherProgram(file))
      refused.push_back(FormatStr(Res::SInUseOriginal, {file}));
    else if (!env_.fs->CanWrite(file, err))
      refused.push_back(FormatStr(Res::SNotWritable, {err}));
  }
  if (refused.empty()) return true;
  for (const std::string& line : refused) Warn(line);
  for (size_t i : changed_) LogLine(FormatStr(Res::SLogNotReplaced, {unitList_[i]}));
  return false;
}

// Writes each converted file into its original, in the order of the run.
// The first file that cannot be replaced stops the copy back, and every
// original written so far (that one included, which may be half written)
// is put back from the bytes held for it.
bool TComponentReplacer::ReplaceOriginalFiles(const std::string& tempDir) {
  copyBackStarted_ = true;
  heldOriginalBudget_.Clear();
  LogLine(Res::SLogReplacingOriginals);
  std::vector<TReplaced> done;
  bool ok = true;
  for (size_t n = 0; n < changed_.size() && ok; ++n) {
    const size_t i = changed_[n];
    if (OnReplacing) OnReplacing(unitList_[i], n, changed_.size());
    std::string err;
    ok = ReplaceOne(i, tempDir, done, err);
    if (!ok) Warn(err);
  }
  if (ok) {
    FlushOriginals();
    return true;
  }
  std::set<size_t> touched;
  for (const TReplaced& r : done) touched.insert(r.index);
  originalsUnchanged_ = RollBack(done);
  for (size_t i : changed_)
    if (!touched.count(i)) LogLine(FormatStr(Res::SLogNotReplaced, {unitList_[i]}));
  FlushOriginals();
  if (originalsUnchanged_) {
    UndoBackups();
    Warn(Res::SRunUndone);
  } else {
    Warn(Res::SRunNotUndone);
  }
  return false;
}

bool TComponentReplacer::ReplaceOne(size_t i, const std::string& tempDir,
                                    std::vector<TReplaced>& done, std::string& err) {
  const std::string& file = unitList_[i];
  std::string current, bytes;
  if (!StillAsRead(i, current, err)) return false;
  auto kept = keptOutputs_.find(i);
  if (kept != keptOutputs_.end())
    bytes = std::move(kept->second);
  else if (!Spill(tempDir).Read(spilledOutputs_.at(i), bytes, err))
    return false;
  TReplaced r;
  r.index = i;
  try {
    HoldOriginal(std::move(current), tempDir, r);
  } catch (const EFileError& e) {
    err = e.what();
    return false;
  }
  // Listed before the write: a write that fails half-way is put back too.
  done.push_back(std::move(r));
  if (!env_.fs->OverwriteFile(file, bytes, err)) return false;
  GiveBackSpecialBits(file, reads_[i].Stamp);
  return true;
}

// Size, time and identity first; where they agree, the bytes (an edit
// within the same second and of the same size is still an edit).
bool TComponentReplacer::StillAsRead(size_t i, std::string& current, std::string& err) {
  const std::string& file = unitList_[i];
  const TOriginalRead& read = reads_[i];
  const std::optional<platform::FileStamp> now = env_.fs->StampOf(file);
  if (!read.Stamp || !now || !SameFile(*read.Stamp, *now)) {
    err = FormatStr(Res::SChangedSinceRead, {file});
    return false;
  }
  if (!env_.fs->ReadFile(file, current, err)) return false;
  if (ContentChecksum(current) != read.Checksum) {
    err = FormatStr(Res::SChangedSinceRead, {file});
    return false;
  }
  return true;
}

void TComponentReplacer::HoldOriginal(std::string current, const std::string& tempDir, TReplaced& r) {
  // The same bound as for the converted copies, counted apart.
  if (heldOriginalBudget_.Take(current.size())) {
    r.held = std::move(current);
    return;
  }
  r.spilled = Spill(tempDir).Append(current, reads_[r.index].Checksum);  // checked by StillAsRead
}

// untouched: the write never changed the file (it failed before its first
// byte), so nothing is written.
bool TComponentReplacer::PutBack(const TReplaced& r, bool& untouched, std::string& err) {
  const std::string& file = unitList_[r.index];
  std::string bytes, current, ignored;
  if (r.spilled && !spill_->Read(*r.spilled, bytes, err)) return false;
  const std::string& original = r.spilled ? bytes : r.held;
  untouched = env_.fs->ReadFile(file, current, ignored) && current == original;
  if (untouched) return true;
  if (!env_.fs->OverwriteFile(file, original, err)) return false;
  GiveBackSpecialBits(file, reads_[r.index].Stamp);
  return true;
}

// The last replaced first. True when every file is as it was.
bool TComponentReplacer::RollBack(std::vector<TReplaced>& done) {
  bool all = true;
  for (auto it = done.rbegin(); it != done.rend(); ++it) {
    const std::string& file = unitList_[it->index];
    std::string err;
    bool untouched = false;
    if (PutBack(*it, untouched, err)) {
      LogLine(FormatStr(untouched ? Res::SLogNotReplaced : Res::SLogPutBack, {file}));
    } else {
      Warn(FormatStr(Res::SLogNotPutBack, {file, err}));
      all = false;
    }
  }
  return all;
}

// A write by a user without the right to keep them clears set-user-id and
// set-group-id; they are set again where the user may.
void TComponentReplacer::GiveBackSpecialBits(const std::string& file,
                                             const std::optional<platform::FileStamp>& before) {
  if (!before || before->specialBits == 0) return;
  const std::optional<platform::FileStamp> now = env_.fs->StampOf(file);
  if (now && now->specialBits == before->specialBits) return;
  if (!env_.fs->RestoreSpecialBits(file, before->specialBits))
    Warn(FormatStr(Res::SSpecialBitsLost, {file}));
}

// One flush for each file system the originals lie on (almost always one).
void TComponentReplacer::FlushOriginals() {
  std::set<std::uint64_t> devices;
  for (size_t i : changed_) {
    const TOriginalRead& read = reads_[i];
    if (read.Stamp && !devices.insert(read.Stamp->device).second) continue;
    std::string err;
    if (!env_.fs->SyncFileSystem(ExtractFileDir(unitList_[i]), err))
      Warn(FormatStr(Res::SNotFlushed, {err}));
  }
}

}  // namespace migwiz::replace
