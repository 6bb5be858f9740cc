#include "platform/Folders.h"

#include <cerrno>
#include <cstring>

#include "platform/CharClass.h"
#include "platform/PathNames.h"
#include "platform/Paths.h"

namespace migwiz::platform {

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
  auto exists = [&fs](const std::string& p) { return fs.KindOf(p) != FileKind::Missing; };
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
    if (exists(path)) return SpellingOnDisk(path);
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
  const size_t root = PathRootLength(dir);
  for (size_t i = root; i < dir.size(); ++i) {  // the root needs no creating
    if (dir[i] != kPathDelim) continue;
    if (!makeLevel(dir.substr(0, i))) return false;
    if (i + 1 == dir.size()) return true;
  }
  if (root > 0 && dir.size() <= root) return true;
  return makeLevel(dir);
}

}  // namespace migwiz::platform
