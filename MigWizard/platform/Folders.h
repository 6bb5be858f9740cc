// Folders over the file system: names looked up without regard to letter
// case (in listings kept for a run), and the missing levels of a path made.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"

namespace migwiz::platform {

// The path as it is spelt on disk when it differs from an existing file or
// folder only in letter case (each level compared that way); empty when
// nothing matches, and then unreadable (when given) names a folder that could
// not be listed, if that is why.
std::string FindPathNoCase(const std::string& path, FileSystem& fs = SystemFileSystem(),
                           std::string* unreadable = nullptr);

// The listings of the folders a run looks into, each listed once: a run
// that looks up many names of one folder without regard to case would
// otherwise list the folder for each. The folders are taken not to change
// while the listings are kept.
class TFolderListings {
 public:
  struct Listing {
    std::vector<DirEntry> entries;
    std::unordered_map<std::string, size_t> byName;
    std::unordered_map<std::string, size_t> byFoldedName;  // the least name of each folding
  };

  explicit TFolderListings(FileSystem& fs) : fs_(fs) {}
  FileSystem& Fs() const { return fs_; }
  // A listing made elsewhere, kept as this folder's.
  void Add(const std::string& dir, std::vector<DirEntry> entries);
  // The folder's listing if it was listed; null otherwise.
  const Listing* Cached(const std::string& dir) const;
  // Lists the folder when it was not; null when it cannot be listed (the
  // failure is not kept: the next call tries again).
  const Listing* List(const std::string& dir);
  void Clear() { listings_.clear(); }

 private:
  FileSystem& fs_;
  std::map<std::string, Listing> listings_;
};

// FindPathNoCase over kept listings. When the name is found in a listing,
// entry (when given) points to its entry there; else it is set to null.
std::string FindPathNoCase(const std::string& path, TFolderListings& listings,
                           std::string* unreadable = nullptr, const DirEntry** entry = nullptr);

// Creates every missing level of the path; true when all exist afterwards.
// On failure err names the level that could not be made and why.
bool ForceDirectory(const std::string& dir, FileSystem& fs = SystemFileSystem(),
                    std::string* err = nullptr);

}  // namespace migwiz::platform
