#include "testing/RecordingFileSystem.h"

#include <sys/stat.h>

#include <cerrno>

namespace migwiz::testing {

using platform::MakeDirResult;
using platform::NativeFileSystem;

namespace {
const std::set<std::string> kNone;
}

bool RecordingFileSystem::Fails(const std::string& entry, const std::set<std::string>& failing,
                                const std::string& path) {
  if (beforeOperation) beforeOperation(entry);
  std::lock_guard<std::mutex> lock(mutex_);
  log.push_back(entry);
  ++operations;
  if (operations == failAt || failAlsoAt.count(operations)) {
    failedOperation = entry;
    errno = EIO;
    return true;
  }
  if (failing.count(path)) {
    errno = EIO;
    return true;
  }
  return false;
}

class RecordingWritableFile : public platform::WritableFile {
 public:
  RecordingWritableFile(RecordingFileSystem& fs, std::unique_ptr<platform::WritableFile> file,
                        std::string path)
      : fs_(fs), file_(std::move(file)), path_(std::move(path)) {}
  bool Write(std::string_view data, std::string& err) override {
    if (fs_.Fails("append " + path_, kNone, path_)) {
      err = "cannot write \"" + path_ + "\": injected failure";
      return false;
    }
    return file_->Write(data, err);
  }

 private:
  RecordingFileSystem& fs_;
  std::unique_ptr<platform::WritableFile> file_;
  std::string path_;
};

bool RecordingFileSystem::ListDirectory(const std::string& dir,
                                        std::vector<platform::DirEntry>& entries) {
  if (Fails("list " + dir, failList, dir)) {
    entries.clear();
    return false;
  }
  return NativeFileSystem::ListDirectory(dir, entries);
}

bool RecordingFileSystem::DeleteFile(const std::string& path) {
  if (Fails("delete " + path, failDelete, path)) return false;
  return NativeFileSystem::DeleteFile(path);
}

bool RecordingFileSystem::RemoveDirectory(const std::string& path) {
  if (Fails("rmdir " + path, kNone, path)) return false;
  return NativeFileSystem::RemoveDirectory(path);
}

MakeDirResult RecordingFileSystem::MakeDirectory(const std::string& path) {
  if (Fails("mkdir " + path, failMakeDir, path)) return MakeDirResult::Failed;
  MakeDirResult r = NativeFileSystem::MakeDirectory(path);
  if (r != MakeDirResult::Created) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = log.rbegin(); it != log.rend(); ++it)
      if (*it == "mkdir " + path) {
        *it = "exists " + path;
        break;
      }
  }
  return r;
}

bool RecordingFileSystem::CopyFile(const std::string& src, const std::string& dst,
                                   std::string& err) {
  if (Fails("copy " + src + " -> " + dst, failCopyTo, dst)) {
    err = "cannot copy to \"" + dst + "\": injected failure";
    return false;
  }
  return NativeFileSystem::CopyFile(src, dst, err);
}

std::string RecordingFileSystem::TempDirectory() {
  if (noTempDirectory) return std::string();
  return tempDirectory.empty() ? NativeFileSystem::TempDirectory() : tempDirectory;
}

bool RecordingFileSystem::ReadFile(const std::string& path, std::string& contents,
                                   std::string& err) {
  if (Fails("read " + path, failRead, path)) {
    err = "cannot read \"" + path + "\": injected failure";
    return false;
  }
  return NativeFileSystem::ReadFile(path, contents, err);
}

bool RecordingFileSystem::ReadFileRange(const std::string& path, std::uint64_t offset, size_t size,
                                        std::string& contents, std::string& err) {
  if (Fails("read " + path, failRead, path)) {
    err = "cannot read \"" + path + "\": injected failure";
    return false;
  }
  return NativeFileSystem::ReadFileRange(path, offset, size, contents, err);
}

bool RecordingFileSystem::WriteFile(const std::string& path, std::string_view contents,
                                    std::string& err) {
  if (Fails("write " + path, failWrite, path)) {
    err = "cannot write \"" + path + "\": injected failure";
    return false;
  }
  return NativeFileSystem::WriteFile(path, contents, err);
}

bool RecordingFileSystem::OverwriteFile(const std::string& path, std::string_view contents,
                                        std::string& err) {
  if (Fails("overwrite " + path, failOverwrite, path)) {
    err = "cannot write \"" + path + "\": injected failure";
    return false;
  }
  if (failOverwriteHalfWay.erase(path)) {
    std::string mixed, ignored;
    NativeFileSystem::ReadFile(path, mixed, ignored);
    const size_t half = contents.size() / 2;
    mixed.replace(0, std::min(half, mixed.size()), contents.substr(0, half));
    NativeFileSystem::OverwriteFile(path, mixed, ignored);
    err = "cannot write \"" + path + "\": No space left on device (injected)";
    return false;
  }
  if (!NativeFileSystem::OverwriteFile(path, contents, err)) return false;
  if (writesClearSpecialBits) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) ::chmod(path.c_str(), st.st_mode & 0777);
  }
  return true;
}

bool RecordingFileSystem::CanWrite(const std::string& path, std::string& err) {
  if (Fails("access " + path, failCanWrite, path)) {
    err = "cannot write \"" + path + "\": Operation not permitted (injected)";
    return false;
  }
  return NativeFileSystem::CanWrite(path, err);
}

std::unique_ptr<platform::FileLock> RecordingFileSystem::TryLock(const std::string& path,
                                                                 std::string& holder,
                                                                 std::string& err) {
  holder.clear();
  if (Fails("lock " + path, failLock, path)) {
    err = "cannot lock \"" + path + "\": injected failure";
    return nullptr;
  }
  return NativeFileSystem::TryLock(path, holder, err);
}

bool RecordingFileSystem::SyncFileSystem(const std::string& path, std::string& err) {
  if (Fails("sync " + path, failSync, path)) {
    err = "cannot flush to disk \"" + path + "\": injected failure";
    return false;
  }
  return NativeFileSystem::SyncFileSystem(path, err);
}

bool RecordingFileSystem::RestoreSpecialBits(const std::string& path, std::uint32_t specialBits) {
  if (Fails("chmod " + path, kNone, path)) return false;
  return NativeFileSystem::RestoreSpecialBits(path, specialBits);
}

size_t RecordingFileSystem::Count(const std::string& prefix) const {
  size_t n = 0;
  for (const std::string& entry : log) n += entry.rfind(prefix, 0) == 0;
  return n;
}

std::unique_ptr<platform::WritableFile> RecordingFileSystem::CreateFile(const std::string& path,
                                                                         std::string& err) {
  if (Fails("create " + path, failCreate, path)) {
    err = "cannot create \"" + path + "\": injected failure";
    return nullptr;
  }
  auto file = NativeFileSystem::CreateFile(path, err);
  if (!file) return nullptr;
  return std::make_unique<RecordingWritableFile>(*this, std::move(file), path);
}

std::vector<std::string> RecordingFileSystem::ChangesUnder(const std::string& dir) const {
  std::vector<std::string> out;
  for (const std::string& entry : log) {
    if (entry.rfind("read ", 0) == 0 || entry.rfind("list ", 0) == 0 ||
        entry.rfind("exists ", 0) == 0 || entry.rfind("access ", 0) == 0 ||
        entry.rfind("sync ", 0) == 0 || entry.rfind("lock ", 0) == 0)
      continue;
    size_t space = entry.find(' ');
    std::string target = entry.substr(space + 1);
    size_t arrow = target.find(" -> ");
    if (arrow != std::string::npos) target = target.substr(arrow + 4);
    if (target.rfind(dir, 0) == 0) out.push_back(entry);
  }
  return out;
}

}  // namespace migwiz::testing
