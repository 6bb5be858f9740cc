#include "support/FileUtils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/Paths.h"

namespace migwiz::support {

using platform::DirEntry;
using platform::FolderId;
using platform::MakeDirResult;

namespace {

void ClearTree(const std::string& dir, FileSystem& fs) {
  std::vector<DirEntry> entries;
  if (!fs.ListDirectory(dir, entries)) return;
  for (const DirEntry& e : entries) {
    std::string path = ConcatPath(dir, e.name);
    if (e.isDirectory && !e.isLink) {
      ClearTree(path, fs);
      fs.RemoveDirectory(path);
    } else {
      fs.DeleteFile(path);
    }
  }
}

}  // namespace

bool ClearDirectory(const std::string& dir, FileSystem& fs) {
  if (dir.empty() || fs.IsLink(dir)) return false;
  ClearTree(dir, fs);
  return true;
}

bool DeleteDirectory(const std::string& dir, FileSystem& fs) {
  if (dir.empty()) return false;
  if (fs.IsLink(dir)) return fs.DeleteFile(dir);
  ClearTree(dir, fs);
  return fs.RemoveDirectory(dir);
}

// A second attempt takes what a passing failure (a file still open
// elsewhere, a busy network share) left behind.
bool RemoveTempDirectory(const std::string& dir, FileSystem& fs) {
  return DeleteDirectory(dir, fs) || DeleteDirectory(dir, fs);
}

namespace {

// The host's temporary-name rule: folder, three characters of the prefix,
// the low 16 bits of the counter in hex. A zero counter forms no name.
bool FormTempName(const std::string& tempDir, std::string_view prefix, unsigned unique,
                  std::string& name) {
  unsigned low = unique & 0xFFFFu;
  if (low == 0) return false;
  char hex[8];
  std::snprintf(hex, sizeof hex, "%X", low);
  name = ConcatPath(tempDir, std::string(prefix.substr(0, 3)) + hex);
  return true;
}

}  // namespace

// A name taken by anything (a folder, a file, a link) is skipped; the
// creation itself tells, so two runs never share a folder.
std::string CreateTempDirectory(std::string_view prefix, unsigned unique, FileSystem& fs,
                                std::string* err) {
  auto fail = [err](std::string why) {
    if (err) *err = std::move(why);
    return std::string();
  };
  std::string tempDir = fs.TempDirectory();
  if (tempDir.empty()) return fail("no temporary folder is configured");
  if (!fs.DirectoryExists(tempDir))
    return fail("the temporary folder \"" + tempDir + "\" (" + platform::kTempDirVariable + ") does not exist");
  std::string name;
  for (;;) {
    if (!FormTempName(tempDir, prefix, unique++, name))
      return fail("every temporary name in \"" + tempDir + "\" is taken");
    MakeDirResult r = fs.MakeDirectory(name);
    if (r == MakeDirResult::Created) return name;
    if (r == MakeDirResult::Failed)
      return fail("cannot create \"" + name + "\": " + std::strerror(errno));
  }
}

namespace {

void CopyContents(const std::string& srcDir, const std::string& dstDir, FileSystem& fs,
                  std::set<FolderId>& visited) {
  auto id = fs.GetFolderId(srcDir);
  if (!id || !visited.insert(*id).second) return;
  std::vector<DirEntry> entries;
  if (!fs.ListDirectory(srcDir, entries)) return;
  for (const DirEntry& e : entries) {
    std::string src = ConcatPath(srcDir, e.name);
    std::string dst = ConcatPath(dstDir, e.name);
    bool isDir = e.isDirectory || (e.isLink && fs.DirectoryExists(src));
    if (isDir) {
      if (fs.MakeDirectory(dst) != MakeDirResult::Created && !fs.DirectoryExists(dst)) break;
      // A target inside the source must not be copied into itself again.
      if (auto dstId = fs.GetFolderId(dst)) visited.insert(*dstId);
      CopyContents(src, dst, fs, visited);
    } else {
      std::string err;
      if (!fs.CopyFile(src, dst, err)) break;
    }
  }
}

}  // namespace

void CopyDirectoryContents(const std::string& srcDir, const std::string& dstDir, FileSystem& fs) {
  std::set<FolderId> visited;
  if (auto dstId = fs.GetFolderId(dstDir)) {
    if (fs.GetFolderId(srcDir) == dstId) return;
    visited.insert(*dstId);
  }
  CopyContents(srcDir, dstDir, fs, visited);
}

bool CopyDirectory(const std::string& srcDir, const std::string& dstDir, FileSystem& fs) {
  CopyDirectoryContents(srcDir, dstDir, fs);
  return true;
}

std::string GetBackupFileName(std::string_view fileName) {
  std::string ext = ExtractFileExt(fileName);
  if (ext.size() < 2) return ChangeFileExt(fileName, ".~");
  return ChangeFileExt(fileName, ".~" + ext.substr(1));
}

}  // namespace migwiz::support

namespace migwiz::support {

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.empty()) return false;
  if (platform::SameFileName(path, folder)) return true;
  std::string base = ConcatPath(folder, "");
  return path.size() >= base.size() &&
         platform::SameFileName(std::string_view(path).substr(0, base.size()), base);
}

}  // namespace migwiz::support
