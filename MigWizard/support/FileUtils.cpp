#include "support/FileUtils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/Paths.h"
#include "support/StrUtils.h"

namespace migwiz::support {

using platform::DirEntry;
using platform::FolderId;
using platform::MakeDirResult;

std::string ConcatPath(std::string_view path, std::string_view name) {
  std::string result(path);
  if (!result.empty() && result.back() != kPathDelim) result += kPathDelim;
  if (name.empty()) return result;
  if (name.size() >= 2 && name.front() == kPathDelim)
    result.append(name.substr(1));
  else
    result.append(name);
  return result;
}

namespace {

size_t ExtensionDot(std::string_view path) {
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return dot;
  size_t delim = path.rfind(kPathDelim);
  if (delim != std::string_view::npos && delim > dot) return std::string_view::npos;
  return dot;
}

}  // namespace

std::string ExtractFileExt(std::string_view path) {
  size_t dot = ExtensionDot(path);
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  size_t dot = ExtensionDot(path);
  std::string result(dot == std::string_view::npos ? path : path.substr(0, dot));
  result.append(ext);
  return result;
}

std::string ExtractFileName(std::string_view path) {
  size_t delim = path.rfind(kPathDelim);
  return std::string(delim == std::string_view::npos ? path : path.substr(delim + 1));
}

std::string ExtractFilePath(std::string_view path) {
  size_t delim = path.rfind(kPathDelim);
  return delim == std::string_view::npos ? std::string() : std::string(path.substr(0, delim + 1));
}

std::string ExtractFileDir(std::string_view path) {
  size_t delim = path.rfind(kPathDelim);
  if (delim == std::string_view::npos) return std::string();
  return std::string(path.substr(0, delim == 0 ? 1 : delim));
}

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

std::string FindPathNoCase(const std::string& path, FileSystem& fs, std::string* unreadable) {
  TFolderListings listings(fs);
  return FindPathNoCase(path, listings, unreadable);
}

void TFolderListings::Add(const std::string& dir, std::vector<DirEntry> entries) {
  Listing l;
  l.entries = std::move(entries);
  for (size_t i = 0; i < l.entries.size(); ++i) {
    const std::string& name = l.entries[i].name;
    l.byName.emplace(name, i);
    auto [it, added] = l.byFoldedName.emplace(FoldCase(name), i);
    if (!added && name < l.entries[it->second].name) it->second = i;
  }
  listings_[dir] = std::move(l);
}

const TFolderListings::Listing* TFolderListings::Cached(const std::string& dir) const {
  auto it = listings_.find(dir);
  return it == listings_.end() ? nullptr : &it->second;
}

const TFolderListings::Listing* TFolderListings::List(const std::string& dir) {
  if (const Listing* l = Cached(dir)) return l;
  std::vector<DirEntry> entries;
  if (!fs_.ListDirectory(dir, entries)) return nullptr;
  Add(dir, std::move(entries));
  return Cached(dir);
}

// The name as spelt in the folder's listing: itself when it is there and
// names something (a link is asked), else the least name that folds alike.
std::string FindPathNoCase(const std::string& path, TFolderListings& listings,
                           std::string* unreadable, const DirEntry** entry) {
  if (entry) *entry = nullptr;
  if (path.empty()) return std::string();
  FileSystem& fs = listings.Fs();
  std::string name = ExtractFileName(path);
  std::string dir = ExtractFileDir(path);
  auto exists = [&fs](const std::string& p) { return fs.KindOf(p) != platform::FileKind::Missing; };
  if (name.empty()) return exists(path) ? path : std::string();
  const std::string listed = dir.empty() ? "." : dir;
  const TFolderListings::Listing* l = listings.Cached(listed);
  if (l) {
    auto it = l->byName.find(name);
    if (it != l->byName.end()) {
      const DirEntry& e = l->entries[it->second];
      if (!e.isLink || exists(path)) {
        if (entry) *entry = &e;
        return path;
      }
    }
  } else {
    if (exists(path)) return platform::SpellingOnDisk(path);
    if (!dir.empty() && !fs.DirectoryExists(dir)) {
      dir = FindPathNoCase(dir, listings, unreadable);
      if (dir.empty()) return std::string();
    }
    l = listings.List(dir.empty() ? "." : dir);
    if (!l) {
      if (unreadable) *unreadable = dir.empty() ? "." : dir;
      return std::string();
    }
  }
  auto best = l->byFoldedName.find(FoldCase(name));
  if (best == l->byFoldedName.end()) return std::string();
  const DirEntry& e = l->entries[best->second];
  if (entry) *entry = &e;
  return dir.empty() ? e.name : ConcatPath(dir, e.name);
}

bool ForceDirectory(const std::string& dir, FileSystem& fs, std::string* err) {
  auto makeLevel = [&fs, err](const std::string& path) {
    MakeDirResult r = fs.MakeDirectory(path);
    if (r == MakeDirResult::Created || r == MakeDirResult::AlreadyExists) return true;
    if (err) *err = "\"" + path + "\": " + std::strerror(errno);
    return false;
  };
  const size_t root = platform::PathRootLength(dir);
  for (size_t i = root; i < dir.size(); ++i) {  // the root needs no creating
    if (dir[i] != kPathDelim) continue;
    if (!makeLevel(dir.substr(0, i))) return false;
    if (i + 1 == dir.size()) return true;
  }
  if (root > 0 && dir.size() <= root) return true;
  return makeLevel(dir);
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
