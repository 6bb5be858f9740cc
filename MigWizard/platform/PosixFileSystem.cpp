#include "platform/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace migwiz::platform {

namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { if (fd_ >= 0) ::close(fd_); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string ErrorText(const std::string& what, const std::string& path) {
  return what + " \"" + path + "\": " + std::strerror(errno);
}

// Where a write to the target goes (a link's target, else the target) and
// with which mode: the target's when it is a regular file, else the
// fallback. One lstat for a target that is no link.
struct TargetInfo {
  std::string path;
  mode_t mode;
};

TargetInfo InfoOf(const std::string& target, mode_t fallback) {
  TargetInfo info{target, fallback};
  struct stat st;
  if (::lstat(target.c_str(), &st) != 0) return info;
  if (S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      info.path = real;
      std::free(real);
    }
    if (::stat(target.c_str(), &st) != 0) return info;
  }
  if (S_ISREG(st.st_mode)) info.mode = st.st_mode & 07777;
  return info;
}

// Writes through a temporary file beside the target and renames it into
// place, so that a failure never leaves a half-written target.
// A link is written through to the file it names.
template <class Fill>
bool ReplaceFileWith(const std::string& target, mode_t fallbackMode, std::string& err, Fill fill) {
  const TargetInfo info = InfoOf(target, fallbackMode);
  // Named by the process, so that two programs writing the same file never
  // write into one temporary file.
  std::string tmp = info.path + ".migwiz-tmp" + std::to_string(::getpid());
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, info.mode));
  if (fd.get() < 0) {
    err = ErrorText("cannot create", target);
    return false;
  }
  if (!fill(fd.get()) || !fd.Close()) {
    err = ErrorText("cannot write", target);
    ::unlink(tmp.c_str());
    return false;
  }
  if (::rename(tmp.c_str(), info.path.c_str()) != 0) {
    err = ErrorText("cannot replace", target);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool ReplaceFileContents(const std::string& target, std::string_view contents, mode_t fallbackMode,
                         std::string& err) {
  return ReplaceFileWith(target, fallbackMode, err, [&](int fd) {
    return WriteAll(fd, contents.data(), contents.size());
  });
}

// Opens a file for reading, refusing anything but a regular file.
// Without O_NONBLOCK a FIFO would block the open until a writer comes.
int OpenRegular(const std::string& path, struct stat& st, std::string& err) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    err = ErrorText("cannot open", path);
    return -1;
  }
  if (::fstat(fd, &st) != 0) {
    err = ErrorText("cannot read", path);
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    err = "cannot read \"" + path + "\": " +
          (S_ISDIR(st.st_mode) ? std::string(std::strerror(EISDIR)) : "not a regular file");
    ::close(fd);
    return -1;
  }
  return fd;
}

// The rest of the file, inside the kernel where it can (no copy through
// this process), else through a buffer.
bool CopyAll(int in, int out) {
  for (;;) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
    if (n == 0) return true;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
    return false;
  }
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    if (!WriteAll(out, buf, static_cast<size_t>(n))) return false;
  }
}

class PosixWritableFile : public WritableFile {
 public:
  PosixWritableFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  bool Write(std::string_view data, std::string& err) override {
    if (WriteAll(fd_.get(), data.data(), data.size())) return true;
    err = ErrorText("cannot write", path_);
    return false;
  }

 private:
  Fd fd_;
  std::string path_;
};

}  // namespace

// A link at the name is not written through: what a run creates stays
// where the run was pointed.
std::unique_ptr<WritableFile> PosixFileSystem::CreateFile(const std::string& path,
                                                          std::string& err) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) {
    if (errno == ELOOP)
      err = "cannot create \"" + path + "\": it is a symbolic link";
    else
      err = ErrorText("cannot create", path);
    return nullptr;
  }
  return std::make_unique<PosixWritableFile>(fd, path);
}

// The kind of each entry comes with the listing where the file system
// gives it; only an entry of unknown kind costs a call of its own.
bool PosixFileSystem::ListDirectory(const std::string& dir, std::vector<DirEntry>& entries) {
  entries.clear();
  std::unique_ptr<DIR, DirCloser> d(::opendir(dir.c_str()));
  if (!d) return false;
  while (dirent* e = ::readdir(d.get())) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    DirEntry entry;
    entry.name = name;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      std::string path = dir.empty() || dir.back() == kPathDelim ? dir + name : dir + kPathDelim + name;
      struct stat st;
      if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) type = DT_LNK;
        else if (S_ISDIR(st.st_mode)) type = DT_DIR;
        else if (S_ISREG(st.st_mode)) type = DT_REG;
      }
    }
    entry.isLink = type == DT_LNK;
    entry.isDirectory = type == DT_DIR;
    entry.isRegular = type == DT_REG;
    entries.push_back(std::move(entry));
  }
  return true;
}

bool PosixFileSystem::DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool PosixFileSystem::RemoveDirectory(const std::string& path) {
  return ::rmdir(path.c_str()) == 0;
}

MakeDirResult PosixFileSystem::MakeDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return MakeDirResult::Created;
  return errno == EEXIST ? MakeDirResult::AlreadyExists : MakeDirResult::Failed;
}

bool PosixFileSystem::IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool PosixFileSystem::DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::optional<FolderId> PosixFileSystem::GetFolderId(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return FolderId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

FileKind PosixFileSystem::KindOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return FileKind::Missing;
  if (S_ISREG(st.st_mode)) return FileKind::Regular;
  return S_ISDIR(st.st_mode) ? FileKind::Directory : FileKind::Other;
}

bool PosixFileSystem::IsReadOnly(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

std::string PosixFileSystem::RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return std::string();
  std::string result = real;
  std::free(real);
  return result;
}

// The copy gets the mode of the file it replaces, or else the source's.
bool PosixFileSystem::CopyFile(const std::string& src, const std::string& dst, std::string& err) {
  struct stat st;
  Fd in(OpenRegular(src, st, err));
  if (in.get() < 0) return false;
  // Of no use on a regular file, and copy_file_range refuses it.
  ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
  return ReplaceFileWith(dst, st.st_mode & 07777, err,
                         [&](int out) { return CopyAll(in.get(), out); });
}

std::string PosixFileSystem::TempDirectory() {
  const char* env = std::getenv("TMPDIR");
  return env && *env ? env : "/tmp";
}

bool PosixFileSystem::ReadFile(const std::string& path, std::string& contents, std::string& err) {
  contents.clear();
  struct stat st;
  Fd fd(OpenRegular(path, st, err));
  if (fd.get() < 0) return false;
  // Read straight into the result, sized by the file; one that grows
  // meanwhile is still read to its end.
  contents.resize(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 4096);
  size_t have = 0;
  for (;;) {
    if (have == contents.size()) contents.resize(contents.size() * 2);
    ssize_t n = ::read(fd.get(), contents.data() + have, contents.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      contents.clear();
      err = ErrorText("cannot read", path);
      return false;
    }
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  contents.resize(have);
  return true;
}

bool PosixFileSystem::ReadFileRange(const std::string& path, std::uint64_t offset, size_t size,
                                    std::string& contents, std::string& err) {
  contents.clear();
  struct stat st;
  Fd fd(OpenRegular(path, st, err));
  if (fd.get() < 0) return false;
  contents.resize(size);
  size_t have = 0;
  while (have < size) {
    ssize_t n = ::pread(fd.get(), contents.data() + have, size - have,
                        static_cast<off_t>(offset + have));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;  // the file ends before the range does
      contents.clear();
      err = ErrorText("cannot read", path);
      return false;
    }
    have += static_cast<size_t>(n);
  }
  return true;
}

bool PosixFileSystem::WriteFile(const std::string& path, std::string_view contents,
                                std::string& err) {
  return ReplaceFileContents(path, contents, 0666, err);
}

// Writes from the start and then cuts the file to the new length, so that
// the file is never seen empty; a write that dies half-way leaves a mix of
// old and new text, which the caller's backup restores.
bool PosixFileSystem::OverwriteFile(const std::string& path, std::string_view contents,
                                    std::string& err) {
  struct stat st;
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    err = "cannot write \"" + path + "\": not a regular file";
    return false;
  }
  // Checked by the mode bits: the super-user could write it, but a file
  // made read-only is one its owner does not want changed.
  if (exists && (st.st_mode & 0222) == 0) {
    err = "cannot write \"" + path + "\": the file is read-only";
    return false;
  }
  Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | (exists ? 0 : O_CREAT | O_EXCL), 0666));
  if (fd.get() < 0) {
    err = ErrorText(exists ? "cannot open" : "cannot create", path);
    return false;
  }
  if (!WriteAll(fd.get(), contents.data(), contents.size()) ||
      ::ftruncate(fd.get(), static_cast<off_t>(contents.size())) != 0 || !fd.Close()) {
    err = ErrorText("cannot write", path);
    return false;
  }
  return true;
}

std::optional<FileStamp> PosixFileSystem::StampOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  FileStamp stamp;
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.device = static_cast<std::uint64_t>(st.st_dev);
  stamp.inode = static_cast<std::uint64_t>(st.st_ino);
  stamp.specialBits = st.st_mode & (S_ISUID | S_ISGID);
  return stamp;
}

// Owner, mode bits, ACLs and read-only mounts are the host's to judge
// (access); an immutable flag or a lease shows only when the file is
// opened for writing. Neither changes the file.
bool PosixFileSystem::CanWrite(const std::string& path, std::string& err) {
  if (::access(path.c_str(), W_OK) != 0) {
    err = ErrorText("cannot write", path);
    return false;
  }
  Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    err = ErrorText("cannot write", path);
    return false;
  }
  return true;
}

namespace {

// The lock is the file's flock: the kernel lets it go when its holder ends,
// however it ends, so a lock file left by a killed run blocks nothing.
class PosixFileLock : public FileLock {
 public:
  PosixFileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  // Removed while still held, so that no one takes a lock on a file that is
  // about to go.
  ~PosixFileLock() override { ::unlink(path_.c_str()); }

 private:
  Fd fd_;
  std::string path_;
};

std::string LockHolder(int fd) {
  char buf[64] = {};
  ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  std::string text(buf, n > 0 ? static_cast<size_t>(n) : 0);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.rfind("pid ", 0) == 0 ? text : "pid unknown";
}

}  // namespace

std::unique_ptr<FileLock> PosixFileSystem::TryLock(const std::string& path, std::string& holder,
                                                   std::string& err) {
  holder.clear();
  err.clear();
  for (int attempt = 0; attempt < 100; ++attempt) {
    Fd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (fd.get() < 0) {
      err = errno == ELOOP ? "cannot lock \"" + path + "\": it is a symbolic link"
                           : ErrorText("cannot create the lock file", path);
      return nullptr;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) {
        holder = LockHolder(fd.get());
        return nullptr;
      }
      err = ErrorText("cannot lock", path);
      return nullptr;
    }
    // Its holder may have ended and removed the file between our open and
    // our lock: a lock on a file no one else can open again is no lock.
    struct stat held, named;
    if (::fstat(fd.get(), &held) != 0) {
      err = ErrorText("cannot lock", path);
      return nullptr;
    }
    if (::lstat(path.c_str(), &named) != 0 || named.st_ino != held.st_ino ||
        named.st_dev != held.st_dev)
      continue;
    const std::string text = "pid " + std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd.get(), 0) != 0 || !WriteAll(fd.get(), text.data(), text.size())) {
      err = ErrorText("cannot write the lock file", path);
      return nullptr;
    }
    return std::make_unique<PosixFileLock>(fd.Release(), path);
  }
  err = "cannot lock \"" + path + "\": it keeps being replaced";
  return nullptr;
}

// One syncfs for the whole file system: far cheaper than a sync of each
// file written, and it takes the folder entries along.
bool PosixFileSystem::SyncFileSystem(const std::string& path, std::string& err) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0 || ::syncfs(fd.get()) != 0) {
    err = ErrorText("cannot flush to disk", path);
    return false;
  }
  return true;
}

bool PosixFileSystem::RestoreSpecialBits(const std::string& path, std::uint32_t specialBits) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const mode_t special = S_ISUID | S_ISGID;
  if ((st.st_mode & special) == (specialBits & special)) return true;
  if (::chmod(path.c_str(), (st.st_mode & 07777 & ~special) | (specialBits & special)) != 0)
    return false;
  // Without the file's group, the host drops set-group-id without a word.
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & special) == (specialBits & special);
}

}  // namespace migwiz::platform
