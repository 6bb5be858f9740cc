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

// What a regular file is on disk, enough to tell that it was changed or
// replaced since it was looked at: size, time of the last change, identity.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint32_t specialBits = 0;  // set-user-id and set-group-id, as the host has them
  bool operator==(const FileStamp&) const = default;
};

// An exclusive lock on a lock file, held until it is destroyed; the lock
// file goes with it.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

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
  // Reads size bytes from offset of a regular file into contents; a file
  // that ends before them is a failure as any other, err saying which.
  virtual bool ReadFileRange(const std::string& path, std::uint64_t offset, size_t size,
                             std::string& contents, std::string& err) = 0;

  // --- What a run needs to lose nothing to another program or a power cut ---
  // The stamp of a regular file (links followed); none when there is none.
  virtual std::optional<FileStamp> StampOf(const std::string& path) = 0;
  // Whether this process may write into the existing file, by every rule of
  // the host (not only the mode bits): asked of the host and by opening it
  // for writing, which changes nothing. err says why not.
  virtual bool CanWrite(const std::string& path, std::string& err) = 0;
  // Takes the lock of a lock file, creating it; a lock whose holder died is
  // taken over. Null when another holds it: holder then names it ("pid N")
  // and err is empty; on any other failure err says why.
  virtual std::unique_ptr<FileLock> TryLock(const std::string& path, std::string& holder,
                                            std::string& err) = 0;
  // Puts what was written on the file system that holds the path onto the
  // disk (every file and folder entry of it), so that a power cut cannot
  // lose it.
  virtual bool SyncFileSystem(const std::string& path, std::string& err) = 0;
  // Gives the file back the special bits of a stamp (set-user-id,
  // set-group-id) that a write took away, where the user may set them.
  // False when they could not be given back.
  virtual bool RestoreSpecialBits(const std::string& path, std::uint32_t specialBits) = 0;

  // A file that another program holds open so that it cannot be written (on
  // Windows: opened without sharing write access, as editors may). POSIX
  // systems have no such locks: never.
  virtual bool InUseByAnotherProgram(const std::string& /*path*/) { return false; }
};

// The file system of the machine we run on.
FileSystem& SystemFileSystem();

}  // namespace migwiz::platform
