#include "platform/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
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

// Writes through a temporary file beside the target and renames it into
// place, so that a failure never leaves a half-written target.
// A link is written through to the file it names.
bool ReplaceFileContents(const std::string& target, std::string_view contents, mode_t mode,
                         std::string& err) {
  std::string path = target;
  if (char* real = ::realpath(target.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  std::string tmp = path + ".migwiz-tmp";
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
  if (fd.get() < 0) {
    err = ErrorText("cannot create", target);
    return false;
  }
  if (!WriteAll(fd.get(), contents.data(), contents.size()) || !fd.Close()) {
    err = ErrorText("cannot write", target);
    ::unlink(tmp.c_str());
    return false;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    err = ErrorText("cannot replace", target);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

mode_t ModeFor(const std::string& existing, mode_t fallback) {
  struct stat st;
  if (::stat(existing.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  return fallback;
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

std::unique_ptr<WritableFile> PosixFileSystem::CreateFile(const std::string& path,
                                                          std::string& err) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    err = ErrorText("cannot create", path);
    return nullptr;
  }
  return std::make_unique<PosixWritableFile>(fd, path);
}

bool PosixFileSystem::ListDirectory(const std::string& dir, std::vector<DirEntry>& entries) {
  entries.clear();
  std::unique_ptr<DIR, DirCloser> d(::opendir(dir.c_str()));
  if (!d) return false;
  while (dirent* e = ::readdir(d.get())) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    DirEntry entry;
    entry.name = name;
    std::string path = dir.empty() || dir.back() == kPathDelim ? dir + name : dir + kPathDelim + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
      entry.isLink = S_ISLNK(st.st_mode);
      entry.isDirectory = S_ISDIR(st.st_mode);
    }
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

bool PosixFileSystem::CopyFile(const std::string& src, const std::string& dst, std::string& err) {
  std::string contents;
  if (!ReadFile(src, contents, err)) return false;
  return ReplaceFileContents(dst, contents, ModeFor(dst, ModeFor(src, 0666)), err);
}

std::string PosixFileSystem::TempDirectory() {
  const char* env = std::getenv("TMPDIR");
  return env && *env ? env : "/tmp";
}

bool PosixFileSystem::ReadFile(const std::string& path, std::string& contents, std::string& err) {
  contents.clear();
  // Without O_NONBLOCK a FIFO would block the open until a writer comes.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    err = ErrorText("cannot open", path);
    return false;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) {
    err = ErrorText("cannot read", path);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    err = "cannot read \"" + path + "\": " +
          (S_ISDIR(st.st_mode) ? std::string(std::strerror(EISDIR)) : "not a regular file");
    return false;
  }
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = ErrorText("cannot read", path);
      return false;
    }
    if (n == 0) break;
    contents.append(buf, static_cast<size_t>(n));
  }
  return true;
}

bool PosixFileSystem::WriteFile(const std::string& path, std::string_view contents,
                                std::string& err) {
  return ReplaceFileContents(path, contents, ModeFor(path, 0666), err);
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

}  // namespace migwiz::platform
