#include "replace/RunLocks.h"

#include <algorithm>

#include "resources/RExpertRes.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

namespace Res = RExpertRes;

std::string TRunLocks::FolderLockFile(const std::string& folder) {
  return support::ConcatPath(folder, Res::SRunLockFileName);
}

std::string TRunLocks::UndoLockFile(const std::string& undoFile) {
  return undoFile + Res::SLockFileSuffix;
}

void TRunLocks::Take(platform::FileSystem& fs, const std::string& lockFile, const std::string& what) {
  if (Holds(lockFile)) return;
  std::string holder, err;
  std::unique_ptr<platform::FileLock> lock = fs.TryLock(lockFile, holder, err);
  if (!lock && err.empty()) throw ERunBusy(support::FormatStr(Res::SRunBusy, {what, holder}));
  if (!lock) throw support::EFCreateError(support::FormatStr(Res::SRunLockFailed, {what, err}));
  locks_.push_back(std::move(lock));
  held_.push_back(lockFile);
}

bool TRunLocks::Holds(const std::string& lockFile) const {
  return std::find(held_.begin(), held_.end(), lockFile) != held_.end();
}

}  // namespace migwiz::replace
