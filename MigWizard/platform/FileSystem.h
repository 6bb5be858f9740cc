// The file operations the wizard needs from its host, behind one interface
// so that tests can record them and make any of them fail.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace migwiz::platform {

// The host's folder delimiter.
#ifdef _WIN32
inline constexpr char kPathDelim = '\\';
#else
inline constexpr char kPathDelim = '/';
#endif

struct DirEntry {
  std::string name;
  bool isDirectory = false;  // a real folder, not a link to one
  bool isLink = false;       // a symbolic link, whatever it points to
  bool isRegular = false;    // known to be a regular file, not a link to one
};

enum class MakeDirResult { Created, AlreadyExists, Failed };

// What a path names, links followed.
enum class FileKind { Missing, Regular, Directory, Other };

// A file open for writing; every Write goes to the file at once.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual bool Write(std::string_view data, std::string& err) = 0;
};

// Identity of a real folder (device and inode), to notice link cycles.
using FolderId = std::pair<std::uint64_t, std::uint64_t>;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Lists the entries of a folder, "." and ".." excluded, in the order the
  // host gives them. False when the folder cannot be listed.
  virtual bool ListDirectory(const std::string& dir, std::vector<DirEntry>& entries) = 0;
  // Deletes a file or a symbolic link (never what the link points to).
  virtual bool DeleteFile(const std::string& path) = 0;
  // Removes an empty folder.
  virtual bool RemoveDirectory(const std::string& path) = 0;
  // Creates one folder level.
  virtual MakeDirResult MakeDirectory(const std::string& path) = 0;
  // Whether the path itself is a symbolic link.
  virtual bool IsLink(const std::string& path) = 0;
  // Existence tests follow links.
  virtual bool DirectoryExists(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual std::optional<FolderId> GetFolderId(const std::string& path) = 0;
  virtual FileKind KindOf(const std::string& path) = 0;
  // A regular file that no one may write by its mode bits.
  virtual bool IsReadOnly(const std::string& path) = 0;
  // The absolute path with every link resolved; empty when it cannot be.
  virtual std::string RealPath(const std::string& path) = 0;
  // Copies a file to a new or existing target. The target is either fully
  // replaced (a new file in its place) or left as it was; on failure, err
  // names the files and the cause.
  virtual bool CopyFile(const std::string& src, const std::string& dst, std::string& err) = 0;
  // The host's temporary folder as configured (it may not exist); empty
  // when none is configured.
  virtual std::string TempDirectory() = 0;
  // Whole-file reads and writes; on failure, err names the file and cause.
  // Only regular files are read.
  virtual bool ReadFile(const std::string& path, std::string& contents, std::string& err) = 0;
  // Creates or replaces the file as a whole (a new file in its place).
  virtual bool WriteFile(const std::string& path, std::string_view contents, std::string& err) = 0;
  // Writes into the file itself, so that owner, mode and hard links stay;
  // creates it when it does not exist. A read-only file is refused.
  virtual bool OverwriteFile(const std::string& path, std::string_view contents,
                             std::string& err) = 0;
  // Creates (or truncates) a file for writing; null on failure.
  virtual std::unique_ptr<WritableFile> CreateFile(const std::string& path, std::string& err) = 0;

  // A file that another program holds open so that it cannot be written (on
  // Windows: opened without sharing write access, as editors may). POSIX
  // systems have no such locks: never.
  virtual bool InUseByAnotherProgram(const std::string& /*path*/) { return false; }
};

// The file system of the machine we run on.
FileSystem& SystemFileSystem();

}  // namespace migwiz::platform
