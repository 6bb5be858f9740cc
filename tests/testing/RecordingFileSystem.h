// The machine's file system with a record of every change made through it,
// and failures injected by path, to show that no failure loses a file.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/PosixFileSystem.h"

namespace migwiz::testing {

class RecordingFileSystem : public platform::PosixFileSystem {
 public:
  // "read P", "delete P", "rmdir P", "mkdir P", "copy S -> D", "write P", "create P".
  std::vector<std::string> log;

  std::set<std::string> failCopyTo, failMakeDir, failRead, failWrite, failCreate, failDelete;
  std::string tempDirectory;  // overrides the host's when set
  bool noTempDirectory = false;

  bool DeleteFile(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  platform::MakeDirResult MakeDirectory(const std::string& path) override;
  bool CopyFile(const std::string& src, const std::string& dst) override;
  std::string TempDirectory() override;
  bool ReadFile(const std::string& path, std::string& contents, std::string& err) override;
  bool WriteFile(const std::string& path, std::string_view contents, std::string& err) override;
  std::unique_ptr<platform::WritableFile> CreateFile(const std::string& path,
                                                     std::string& err) override;

  // The logged operations that changed something under the folder.
  std::vector<std::string> ChangesUnder(const std::string& dir) const;
};

}  // namespace migwiz::testing
