// The machine's file system with a record of every change made through it,
// and failures injected by path or by the count of operations, to show that
// no failure loses a file.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/NativeFileSystem.h"

namespace migwiz::testing {

class RecordingFileSystem : public platform::NativeFileSystem {
 public:
  // "read P" (a whole file or a range of it), "delete P", "rmdir P", "mkdir P", "copy S -> D", "write P",
  // "create P", "overwrite P", "list P", "append P", "lock P", "access P" (may it be
  // written), "sync P", "chmod P" (special bits given back).
  std::vector<std::string> log;

  std::set<std::string> failCopyTo, failMakeDir, failRead, failWrite, failCreate, failDelete,
      failList, failOverwrite, failLock, failSync;
  // Files this process may not write by a rule the mode bits do not show
  // (another owner, an ACL, an immutable flag).
  std::set<std::string> failCanWrite;
  // Overwrites that stop half-way, as on a full disk: half the new bytes
  // are written over the old ones, then the write fails (once a file).
  std::set<std::string> failOverwriteHalfWay;
  // Writes by a user without the right to keep set-user-id and
  // set-group-id: every overwrite clears them, as the host does.
  bool writesClearSpecialBits = false;
  // Called with each operation's log entry before it is done: another
  // program's edit or a second run at a chosen moment.
  std::function<void(const std::string& entry)> beforeOperation;
  std::string tempDirectory;  // overrides the host's when set
  bool noTempDirectory = false;

  // Every operation that opens, reads, writes, copies, creates, lists or
  // removes counts one; the one numbered failAt (from 1) fails, once.
  size_t failAt = 0;
  std::set<size_t> failAlsoAt;  // more of them, each once
  size_t operations = 0;
  std::string failedOperation;  // the log entry of the operation made to fail

  bool ListDirectory(const std::string& dir, std::vector<platform::DirEntry>& entries) override;
  bool DeleteFile(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  platform::MakeDirResult MakeDirectory(const std::string& path) override;
  bool CopyFile(const std::string& src, const std::string& dst, std::string& err) override;
  std::string TempDirectory() override;
  bool ReadFile(const std::string& path, std::string& contents, std::string& err) override;
  bool ReadFileRange(const std::string& path, std::uint64_t offset, size_t size,
                     std::string& contents, std::string& err) override;
  bool WriteFile(const std::string& path, std::string_view contents, std::string& err) override;
  bool OverwriteFile(const std::string& path, std::string_view contents, std::string& err) override;
  std::unique_ptr<platform::WritableFile> CreateFile(const std::string& path,
                                                     std::string& err) override;
  bool CanWrite(const std::string& path, std::string& err) override;
  std::unique_ptr<platform::FileLock> TryLock(const std::string& path, std::string& holder,
                                              std::string& err) override;
  bool SyncFileSystem(const std::string& path, std::string& err) override;
  bool RestoreSpecialBits(const std::string& path, std::uint32_t specialBits) override;
  size_t Count(const std::string& prefix) const;

  // The logged operations that changed something under the folder.
  std::vector<std::string> ChangesUnder(const std::string& dir) const;

 private:
  friend class RecordingWritableFile;
  // Logs the operation; true when it is to fail. A run converts files on
  // several threads at once.
  bool Fails(const std::string& entry, const std::set<std::string>& failing,
             const std::string& path);
  std::mutex mutex_;
};

}  // namespace migwiz::testing
