// Path rules and folder-tree operations of the replace run.
#pragma once

#include <string>
#include <string_view>

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

// Creates every missing level of the path; true when all exist afterwards.
// On failure err names the level that could not be made and why.
bool ForceDirectory(const std::string& dir, FileSystem& fs = platform::SystemFileSystem(),
                    std::string* err = nullptr);

// Whether path lies inside folder (or is it), both given as real paths.
bool IsInsideFolder(const std::string& path, const std::string& folder);

}  // namespace migwiz::support
