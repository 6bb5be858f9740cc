#include "testing/RecordingFileSystem.h"

namespace migwiz::testing {

using platform::MakeDirResult;

bool RecordingFileSystem::DeleteFile(const std::string& path) {
  log.push_back("delete " + path);
  if (failDelete.count(path)) return false;
  return PosixFileSystem::DeleteFile(path);
}

bool RecordingFileSystem::RemoveDirectory(const std::string& path) {
  log.push_back("rmdir " + path);
  return PosixFileSystem::RemoveDirectory(path);
}

MakeDirResult RecordingFileSystem::MakeDirectory(const std::string& path) {
  if (failMakeDir.count(path)) return MakeDirResult::Failed;
  MakeDirResult r = PosixFileSystem::MakeDirectory(path);
  if (r == MakeDirResult::Created) log.push_back("mkdir " + path);
  return r;
}

bool RecordingFileSystem::CopyFile(const std::string& src, const std::string& dst) {
  log.push_back("copy " + src + " -> " + dst);
  if (failCopyTo.count(dst)) return false;
  return PosixFileSystem::CopyFile(src, dst);
}

std::string RecordingFileSystem::TempDirectory() {
  if (noTempDirectory) return std::string();
  return tempDirectory.empty() ? PosixFileSystem::TempDirectory() : tempDirectory;
}

bool RecordingFileSystem::ReadFile(const std::string& path, std::string& contents,
                                   std::string& err) {
  log.push_back("read " + path);
  if (failRead.count(path)) {
    err = "cannot read \"" + path + "\": injected failure";
    return false;
  }
  return PosixFileSystem::ReadFile(path, contents, err);
}

bool RecordingFileSystem::WriteFile(const std::string& path, std::string_view contents,
                                    std::string& err) {
  log.push_back("write " + path);
  if (failWrite.count(path)) {
    err = "cannot write \"" + path + "\": injected failure";
    return false;
  }
  return PosixFileSystem::WriteFile(path, contents, err);
}

std::unique_ptr<platform::WritableFile> RecordingFileSystem::CreateFile(const std::string& path,
                                                                         std::string& err) {
  log.push_back("create " + path);
  if (failCreate.count(path)) {
    err = "cannot create \"" + path + "\": injected failure";
    return nullptr;
  }
  return PosixFileSystem::CreateFile(path, err);
}

std::vector<std::string> RecordingFileSystem::ChangesUnder(const std::string& dir) const {
  std::vector<std::string> out;
  for (const std::string& entry : log) {
    size_t space = entry.find(' ');
    std::string target = entry.substr(space + 1);
    size_t arrow = target.find(" -> ");
    if (arrow != std::string::npos) target = target.substr(arrow + 4);
    if (target.rfind(dir, 0) == 0) out.push_back(entry);
  }
  return out;
}

}  // namespace migwiz::testing
