#include "platform/Win32Text.h"

#include <cerrno>
#include <vector>

#include "platform/Win32FileSystem.h"

namespace migwiz::platform {

namespace {

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { if (valid()) CloseHandle(h_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  bool Close() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return CloseHandle(h) != 0;
  }
  // Gives up the handle without closing it.
  void Release() { h_ = INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

struct FindCloser {
  HANDLE h;
  ~FindCloser() { if (h != INVALID_HANDLE_VALUE) FindClose(h); }
};

// errno for the callers that report a failed step by strerror.
void NoteErrno(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: errno = EACCES; break;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL: errno = ENOSPC; break;
    default: errno = EIO; break;
  }
}

// A file that another program holds open (the IDE, an editor) is named as
// such: the user can close it and run again.
std::string ErrorText(const std::string& what, const std::string& path, DWORD code = GetLastError()) {
  NoteErrno(code);
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
    return what + " \"" + path + "\": the file is in use by another program";
  return what + " \"" + path + "\": " + SystemMessage(code);
}

DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }

bool WriteAll(HANDLE h, const char* data, size_t size) {
  while (size > 0) {
    DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

// Opens a file for reading, refusing anything but a file on a disk.
// Others may go on reading and writing it meanwhile, as the IDE does.
HANDLE OpenRegular(const std::string& path, std::string& err) {
  HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    DWORD attr = AttributesOf(path);
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
      err = "cannot read \"" + path + "\": Is a directory";
    else
      err = ErrorText("cannot open", path, code);
    return INVALID_HANDLE_VALUE;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    err = "cannot read \"" + path + "\": not a regular file";
    CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

bool ReadAll(HANDLE h, std::string& contents) {
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  contents.resize(size.QuadPart > 0 ? static_cast<size_t>(size.QuadPart) + 1 : 4096);
  size_t have = 0;
  for (;;) {
    if (have == contents.size()) contents.resize(contents.size() * 2);
    size_t want = contents.size() - have;
    DWORD chunk = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want);
    DWORD n = 0;
    if (!::ReadFile(h, contents.data() + have, chunk, &n, nullptr)) return false;
    if (n == 0) break;
    have += n;
  }
  contents.resize(have);
  return true;
}

// Writes through a temporary file beside the target and moves it into
// place, so that a failure never leaves a half-written target.
template <class Fill>
bool ReplaceFileWith(const std::string& target, std::string& err, Fill fill) {
  // Named by the process, so that two programs writing the same file never
  // write into one temporary file.
  const std::string tmp = target + ".migwiz-tmp" + std::to_string(GetCurrentProcessId());
  const std::wstring wideTmp = WidePath(tmp);
  {
    Handle h(CreateFileW(wideTmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
      err = ErrorText("cannot create", target);
      return false;
    }
    if (!fill(h.get()) || !h.Close()) {
      err = ErrorText("cannot write", target);
      DeleteFileW(wideTmp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(wideTmp.c_str(), WidePath(target).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    err = ErrorText("cannot replace", target);
    DeleteFileW(wideTmp.c_str());
    return false;
  }
  return true;
}

class Win32WritableFile : public WritableFile {
 public:
  Win32WritableFile(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  bool Write(std::string_view data, std::string& err) override {
    if (WriteAll(h_.get(), data.data(), data.size())) return true;
    err = ErrorText("cannot write", path_);
    return false;
  }

 private:
  Handle h_;
  std::string path_;
};

// "\\?\C:\x" as "C:\x" and "\\?\UNC\server\share" as "\\server\share".
std::string WithoutLongPrefix(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) path = L"\\\\" + path.substr(8);
  else if (path.rfind(L"\\\\?\\", 0) == 0) path = path.substr(4);
  return Narrow(path);
}

}  // namespace

// A link at the name is not written through: what a run creates stays
// where the run was pointed.
std::unique_ptr<WritableFile> Win32FileSystem::CreateFile(const std::string& path, std::string& err) {
  const DWORD attr = AttributesOf(path);
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT)) {
    err = "cannot create \"" + path + "\": it is a symbolic link";
    return nullptr;
  }
  HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    err = ErrorText("cannot create", path);
    return nullptr;
  }
  return std::make_unique<Win32WritableFile>(h, path);
}

// Hidden and system entries are listed too; a reparse point (a symbolic
// link or a junction) is a link, never a folder to walk into.
bool Win32FileSystem::ListDirectory(const std::string& dir, std::vector<DirEntry>& entries) {
  entries.clear();
  std::string pattern = dir.empty() || dir.back() == '\\' || dir.back() == '/' ? dir + "*" : dir + "\\*";
  WIN32_FIND_DATAW data;
  FindCloser find{FindFirstFileExW(WidePath(pattern).c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH)};
  if (find.h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const wchar_t* name = data.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
    DirEntry entry;
    entry.name = Narrow(name);
    const DWORD attr = data.dwFileAttributes;
    entry.isLink = (attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.isDirectory = !entry.isLink && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.isRegular = !entry.isLink && !entry.isDirectory && (attr & FILE_ATTRIBUTE_DEVICE) == 0;
    entries.push_back(std::move(entry));
  } while (FindNextFileW(find.h, &data));
  return true;
}

// A link to a folder is removed as a folder; what it points to stays.
bool Win32FileSystem::DeleteFile(const std::string& path) {
  const std::wstring wide = WidePath(path);
  DWORD attr = GetFileAttributesW(wide.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (attr & FILE_ATTRIBUTE_DIRECTORY))
    return RemoveDirectoryW(wide.c_str()) != 0;
  return DeleteFileW(wide.c_str()) != 0;
}

bool Win32FileSystem::RemoveDirectory(const std::string& path) {
  return RemoveDirectoryW(WidePath(path).c_str()) != 0;
}

MakeDirResult Win32FileSystem::MakeDirectory(const std::string& path) {
  if (CreateDirectoryW(WidePath(path).c_str(), nullptr)) return MakeDirResult::Created;
  DWORD code = GetLastError();
  NoteErrno(code);
  return code == ERROR_ALREADY_EXISTS ? MakeDirResult::AlreadyExists : MakeDirResult::Failed;
}

bool Win32FileSystem::IsLink(const std::string& path) {
  DWORD attr = AttributesOf(path);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool Win32FileSystem::DirectoryExists(const std::string& path) {
  return KindOf(path) == FileKind::Directory;
}

bool Win32FileSystem::FileExists(const std::string& path) {
  FileKind kind = KindOf(path);
  return kind == FileKind::Regular || kind == FileKind::Other;
}

std::optional<FolderId> Win32FileSystem::GetFolderId(const std::string& path) {
  Handle h(CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.valid()) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h.get(), &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return FolderId{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Links followed, as on the other side: the kind of what a link names.
FileKind Win32FileSystem::KindOf(const std::string& path) {
  const std::wstring wide = WidePath(path);
  DWORD attr = GetFileAttributesW(wide.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
  if (attr & FILE_ATTRIBUTE_REPARSE_POINT) {
    Handle h(CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || !GetFileInformationByHandle(h.get(), &info)) return FileKind::Missing;
    attr = info.dwFileAttributes;
  }
  if (attr & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Directory;
  return attr & FILE_ATTRIBUTE_DEVICE ? FileKind::Other : FileKind::Regular;
}

// Opened for writing as the copy back opens it, and closed at once.
bool Win32FileSystem::InUseByAnotherProgram(const std::string& path) {
  HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return false;
  }
  DWORD code = GetLastError();
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

bool Win32FileSystem::IsReadOnly(const std::string& path) {
  DWORD attr = AttributesOf(path);
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY) &&
         (attr & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string Win32FileSystem::RealPath(const std::string& path) {
  Handle h(CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.valid()) return std::string();
  DWORD n = GetFinalPathNameByHandleW(h.get(), nullptr, 0, FILE_NAME_NORMALIZED);
  if (n == 0) return std::string();
  std::wstring real(n, L'\0');
  n = GetFinalPathNameByHandleW(h.get(), real.data(), n, FILE_NAME_NORMALIZED);
  real.resize(n);
  return WithoutLongPrefix(real);
}

bool Win32FileSystem::CopyFile(const std::string& src, const std::string& dst, std::string& err) {
  Handle in(OpenRegular(src, err));
  if (!in.valid()) return false;
  std::string contents;
  if (!ReadAll(in.get(), contents)) {
    err = ErrorText("cannot read", src);
    return false;
  }
  if (!ReplaceFileWith(dst, err, [&](HANDLE out) { return WriteAll(out, contents.data(), contents.size()); }))
    return false;
  NoteWritten(dst);
  return true;
}

// GetTempPath: TMP, TEMP, USERPROFILE or the Windows folder, in that order.
std::string Win32FileSystem::TempDirectory() {
  wchar_t buf[MAX_PATH + 2];
  DWORD n = GetTempPathW(MAX_PATH + 2, buf);
  if (n == 0 || n > MAX_PATH + 1) return std::string();
  std::string dir = Narrow(std::wstring_view(buf, n));
  while (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
  return dir;
}

bool Win32FileSystem::ReadFile(const std::string& path, std::string& contents, std::string& err) {
  contents.clear();
  Handle h(OpenRegular(path, err));
  if (!h.valid()) return false;
  if (!ReadAll(h.get(), contents)) {
    contents.clear();
    err = ErrorText("cannot read", path);
    return false;
  }
  return true;
}

bool Win32FileSystem::ReadFileRange(const std::string& path, std::uint64_t offset, size_t size,
                                    std::string& contents, std::string& err) {
  contents.clear();
  Handle h(OpenRegular(path, err));
  if (!h.valid()) return false;
  contents.resize(size);
  size_t have = 0;
  while (have < size) {
    const std::uint64_t at = offset + have;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const size_t want = size - have;
    DWORD chunk = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want);
    DWORD n = 0;
    const BOOL ok = ::ReadFile(h.get(), contents.data() + have, chunk, &n, &where);
    if (!ok || n == 0) {
      // A file that ends before the range does reads nothing.
      const DWORD code = ok ? ERROR_HANDLE_EOF : GetLastError();
      contents.clear();
      err = ErrorText("cannot read", path, code);
      return false;
    }
    have += n;
  }
  return true;
}

bool Win32FileSystem::WriteFile(const std::string& path, std::string_view contents, std::string& err) {
  if (!ReplaceFileWith(path, err, [&](HANDLE h) { return WriteAll(h, contents.data(), contents.size()); }))
    return false;
  NoteWritten(path);
  return true;
}

// Writes from the start and then cuts the file to the new length, so that
// its attributes, streams and links stay. A read-only file and a file that
// another program holds open are refused by name.
bool Win32FileSystem::OverwriteFile(const std::string& path, std::string_view contents,
                                    std::string& err) {
  const std::wstring wide = WidePath(path);
  DWORD attr = GetFileAttributesW(wide.c_str());
  bool exists = attr != INVALID_FILE_ATTRIBUTES;
  if (exists && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
    err = "cannot write \"" + path + "\": not a regular file";
    return false;
  }
  if (exists && (attr & FILE_ATTRIBUTE_READONLY)) {
    err = "cannot write \"" + path + "\": the file is read-only";
    return false;
  }
  Handle h(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       exists ? OPEN_EXISTING : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) {
    err = ErrorText(exists ? "cannot open" : "cannot create", path);
    return false;
  }
  if (!WriteAll(h.get(), contents.data(), contents.size()) || !SetEndOfFile(h.get()) || !h.Close()) {
    err = ErrorText("cannot write", path);
    return false;
  }
  NoteWritten(path);
  return true;
}

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::uint64_t FileIndex(const BY_HANDLE_FILE_INFORMATION& info) {
  return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// The information of what the path names, links followed; opened for no
// access at all, so that a file another program holds open is no obstacle.
bool InformationOf(const std::string& path, BY_HANDLE_FILE_INFORMATION& info, DWORD flags = 0) {
  Handle h(CreateFileW(WidePath(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
  return h.valid() && GetFileInformationByHandle(h.get(), &info);
}

}  // namespace

// The volume's serial number and the file's index stand for device and
// inode; the last write time counts in 100 ns steps from 1601. Windows has
// no set-user-id or set-group-id bits.
std::optional<FileStamp> Win32FileSystem::StampOf(const std::string& path) {
  Handle h(CreateFileW(WidePath(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!h.valid() || GetFileType(h.get()) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(h.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    return std::nullopt;
  constexpr std::int64_t kFrom1601To1970 = 116444736000000000;  // in 100 ns
  const std::int64_t written =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                info.ftLastWriteTime.dwLowDateTime);
  FileStamp stamp;
  stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.modifiedNs = (written - kFrom1601To1970) * 100;
  stamp.device = info.dwVolumeSerialNumber;
  stamp.inode = FileIndex(info);
  return stamp;
}

// The read-only attribute, then an open for writing as the copy back opens
// the file (refused by the file's security or by another program that holds
// it open); the open writes nothing.
bool Win32FileSystem::CanWrite(const std::string& path, std::string& err) {
  const DWORD attr = AttributesOf(path);
  if (attr == INVALID_FILE_ATTRIBUTES) {
    err = ErrorText("cannot write", path);
    return false;
  }
  if (attr & FILE_ATTRIBUTE_READONLY) {
    err = "cannot write \"" + path + "\": the file is read-only";
    return false;
  }
  Handle h(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) {
    err = ErrorText("cannot write", path);
    return false;
  }
  return true;
}

namespace {

// The lock is one byte far beyond the text of the lock file, so that others
// can still read who holds it (a locked range cannot be read on Windows).
// The system lets it go when its holder ends, however it ends, so a lock
// file left by a killed run blocks nothing.
constexpr DWORD kLockOffsetHigh = 1;  // at 4 GiB

OVERLAPPED LockRange() {
  OVERLAPPED range{};
  range.OffsetHigh = kLockOffsetHigh;
  return range;
}

class Win32FileLock : public FileLock {
 public:
  Win32FileLock(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  // Removed while still held (every open of a lock file shares deletion),
  // so that no one takes a lock on a file that is about to go.
  ~Win32FileLock() override {
    DeleteFileW(WidePath(path_).c_str());
    OVERLAPPED range = LockRange();
    UnlockFileEx(h_.get(), 0, 1, 0, &range);
  }

 private:
  Handle h_;
  std::string path_;
};

std::string LockHolder(HANDLE h) {
  char buf[64] = {};
  DWORD n = 0;
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN) || !::ReadFile(h, buf, sizeof buf - 1, &n, nullptr))
    n = 0;
  std::string text(buf, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.rfind("pid ", 0) == 0 ? text : "pid unknown";
}

bool WritePid(HANDLE h) {
  const std::string text = "pid " + std::to_string(GetCurrentProcessId()) + "\n";
  LARGE_INTEGER start{};
  return SetFilePointerEx(h, start, nullptr, FILE_BEGIN) && SetEndOfFile(h) &&
         WriteAll(h, text.data(), text.size());
}

}  // namespace

std::unique_ptr<FileLock> Win32FileSystem::TryLock(const std::string& path, std::string& holder,
                                                   std::string& err) {
  holder.clear();
  err.clear();
  const std::wstring wide = WidePath(path);
  for (int attempt = 0; attempt < 100; ++attempt) {
    Handle h(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.valid()) {
      const DWORD code = GetLastError();
      // A lock file its holder has just removed stays, refusing every
      // open, until the last program that had it open closes it.
      if (code == ERROR_ACCESS_DENIED && attempt < 20) {
        Sleep(10);
        continue;
      }
      err = ErrorText("cannot create the lock file", path, code);
      return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION held;
    if (!GetFileInformationByHandle(h.get(), &held)) {
      err = ErrorText("cannot lock", path);
      return nullptr;
    }
    if (held.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      err = "cannot lock \"" + path + "\": it is a symbolic link";
      return nullptr;
    }
    OVERLAPPED range = LockRange();
    if (!LockFileEx(h.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
      const DWORD code = GetLastError();
      if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING) {
        holder = LockHolder(h.get());
        return nullptr;
      }
      err = ErrorText("cannot lock", path, code);
      return nullptr;
    }
    // Its holder may have ended and removed the file between our open and
    // our lock: a lock on a file no one else can open again is no lock.
    BY_HANDLE_FILE_INFORMATION named;
    if (!InformationOf(path, named, FILE_FLAG_OPEN_REPARSE_POINT) ||
        named.dwVolumeSerialNumber != held.dwVolumeSerialNumber || FileIndex(named) != FileIndex(held)) {
      UnlockFileEx(h.get(), 0, 1, 0, &range);
      continue;
    }
    if (!WritePid(h.get())) {
      err = ErrorText("cannot write the lock file", path);
      UnlockFileEx(h.get(), 0, 1, 0, &range);
      return nullptr;
    }
    HANDLE kept = h.get();
    h.Release();
    return std::make_unique<Win32FileLock>(kept, path);
  }
  err = "cannot lock \"" + path + "\": it keeps being replaced";
  return nullptr;
}

void Win32FileSystem::NoteWritten(const std::string& path) {
  std::lock_guard<std::mutex> lock(writtenMutex_);
  written_.insert(path);
}

// Each file written since the last flush that lies on the path's volume is
// flushed by FlushFileBuffers; files written on other volumes wait for
// their own. A file deleted since needs nothing.
bool Win32FileSystem::SyncFileSystem(const std::string& path, std::string& err) {
  BY_HANDLE_FILE_INFORMATION volume;
  if (!InformationOf(path, volume, FILE_FLAG_BACKUP_SEMANTICS)) {
    err = ErrorText("cannot flush to disk", path);
    return false;
  }
  std::lock_guard<std::mutex> lock(writtenMutex_);
  for (auto it = written_.begin(); it != written_.end();) {
    Handle h(CreateFileW(WidePath(*it).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
      const DWORD code = GetLastError();
      if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        it = written_.erase(it);
        continue;
      }
      err = ErrorText("cannot flush to disk", *it, code);
      return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h.get(), &info)) {
      err = ErrorText("cannot flush to disk", *it);
      return false;
    }
    if (info.dwVolumeSerialNumber != volume.dwVolumeSerialNumber) {
      ++it;
      continue;
    }
    if (!FlushFileBuffers(h.get())) {
      err = ErrorText("cannot flush to disk", *it);
      return false;
    }
    it = written_.erase(it);
  }
  return true;
}

// Windows files have no set-user-id or set-group-id bits to give back.
bool Win32FileSystem::RestoreSpecialBits(const std::string& /*path*/, std::uint32_t /*specialBits*/) {
  return true;
}

}  // namespace migwiz::platform
