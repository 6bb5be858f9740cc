// The locks a replace or restore holds from its first read to its last
// write: one for the folder it runs over, one for its undo file. A second
// run that finds one held refuses at once and changes nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/FileErrors.h"

namespace migwiz::replace {

// Another run holds a lock this one needs.
class ERunBusy : public support::EFileError {
 public:
  using support::EFileError::EFileError;
};

class TRunLocks {
 public:
  // The lock of a folder a run converts or restores into.
  static std::string FolderLockFile(const std::string& folder);
  // The lock of an undo file.
  static std::string UndoLockFile(const std::string& undoFile);

  // Takes the lock unless this run holds it already; what names the folder
  // or undo file for the message. Throws ERunBusy when another run holds
  // it, EFCreateError when it cannot be taken.
  void Take(platform::FileSystem& fs, const std::string& lockFile, const std::string& what);
  bool Holds(const std::string& lockFile) const;
  // Lets every lock go (the lock files go with them).
  void Release() {
    while (!locks_.empty()) locks_.pop_back();  // the last taken first
    held_.clear();
  }

 private:
  std::vector<std::unique_ptr<platform::FileLock>> locks_;
  std::vector<std::string> held_;
};

}  // namespace migwiz::replace
