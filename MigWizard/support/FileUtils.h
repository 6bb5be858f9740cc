// Path rules and folder-tree operations of the replace run.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"

namespace migwiz::support {

using platform::FileSystem;
using platform::kPathDelim;

// Path plus Name with one delimiter between; a non-empty Path always comes
// back ending in the delimiter when Name is empty.
std::string ConcatPath(std::string_view path, std::string_view name);

// The extension: from the last '.' after the last delimiter, with the dot.
std::string ExtractFileExt(std::string_view path);
std::string ChangeFileExt(std::string_view path, std::string_view ext);
// The part after the last delimiter.
std::string ExtractFileName(std::string_view path);
// The folder part, with its trailing delimiter ("" when there is none).
std::string ExtractFilePath(std::string_view path);
// The folder part, without its trailing delimiter (except for the root).
std::string ExtractFileDir(std::string_view path);

// Empties a folder tree, never following links. False (nothing deleted) for
// an empty path or a path that is itself a link.
bool ClearDirectory(const std::string& dir, FileSystem& fs = platform::SystemFileSystem());
// ClearDirectory, then removes the folder; true when it is gone. A link is
// removed itself. An empty path is refused.
bool DeleteDirectory(const std::string& dir, FileSystem& fs = platform::SystemFileSystem());
bool RemoveTempDirectory(const std::string& dir, FileSystem& fs = platform::SystemFileSystem());

// Creates a new folder named by the first three characters of prefix and
// the first free counter value (hex) in the host's temporary folder. Empty
// on failure, with the reason in err when given.
std::string CreateTempDirectory(std::string_view prefix, unsigned unique,
                                FileSystem& fs = platform::SystemFileSystem(),
                                std::string* err = nullptr);

// Copies a tree into an existing folder; the first failed entry of a folder
// ends that folder's walk. Each real folder is visited once.
void CopyDirectoryContents(const std::string& srcDir, const std::string& dstDir,
                           FileSystem& fs = platform::SystemFileSystem());
bool CopyDirectory(const std::string& srcDir, const std::string& dstDir,
                   FileSystem& fs = platform::SystemFileSystem());

// Unit1.pas -> Unit1.~pas; a name without extension gets ".~".
std::string GetBackupFileName(std::string_view fileName);

// The path as it is spelt on disk when it differs from an existing file or
// folder only in letter case (each level compared that way); empty when
// nothing matches, and then unreadable (when given) names a folder that could
// not be listed, if that is why.
std::string FindPathNoCase(const std::string& path, FileSystem& fs = platform::SystemFileSystem(),
                           std::string* unreadable = nullptr);

// The listings of the folders a run looks into, each listed once: a run
// that looks up many names of one folder without regard to case would
// otherwise list the folder for each. The folders are taken not to change
// while the listings are kept.
class TFolderListings {
 public:
  struct Listing {
    std::vector<platform::DirEntry> entries;
    std::unordered_map<std::string, size_t> byName;
    std::unordered_map<std::string, size_t> byFoldedName;  // the least name of each folding
  };

  explicit TFolderListings(FileSystem& fs) : fs_(fs) {}
  FileSystem& Fs() const { return fs_; }
  // A listing made elsewhere, kept as this folder's.
  void Add(const std::string& dir, std::vector<platform::DirEntry> entries);
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
                           std::string* unreadable = nullptr,
                           const platform::DirEntry** entry = nullptr);

// Creates every missing level of the path; true when all exist afterwards.
// On failure err names the level that could not be made and why.
bool ForceDirectory(const std::string& dir, FileSystem& fs = platform::SystemFileSystem(),
                    std::string* err = nullptr);

// Whether path lies inside folder (or is it), both given as real paths.
bool IsInsideFolder(const std::string& path, const std::string& folder);

}  // namespace migwiz::support
