#pragma once

#include "platform/FileSystem.h"

namespace migwiz::platform {

class PosixFileSystem : public FileSystem {
 public:
  bool ListDirectory(const std::string& dir, std::vector<DirEntry>& entries) override;
  bool DeleteFile(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  MakeDirResult MakeDirectory(const std::string& path) override;
  bool IsLink(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::optional<FolderId> GetFolderId(const std::string& path) override;
  FileKind KindOf(const std::string& path) override;
  bool IsReadOnly(const std::string& path) override;
  std::string RealPath(const std::string& path) override;
  bool CopyFile(const std::string& src, const std::string& dst, std::string& err) override;
  std::string TempDirectory() override;
  bool ReadFile(const std::string& path, std::string& contents, std::string& err) override;
  bool WriteFile(const std::string& path, std::string_view contents, std::string& err) override;
  bool OverwriteFile(const std::string& path, std::string_view contents, std::string& err) override;
  std::unique_ptr<WritableFile> CreateFile(const std::string& path, std::string& err) override;
  bool ReadFileRange(const std::string& path, std::uint64_t offset, size_t size,
                     std::string& contents, std::string& err) override;
  std::optional<FileStamp> StampOf(const std::string& path) override;
  bool CanWrite(const std::string& path, std::string& err) override;
  std::unique_ptr<FileLock> TryLock(const std::string& path, std::string& holder,
                                    std::string& err) override;
  bool SyncFileSystem(const std::string& path, std::string& err) override;
  bool RestoreSpecialBits(const std::string& path, std::uint32_t specialBits) override;
};

}  // namespace migwiz::platform
