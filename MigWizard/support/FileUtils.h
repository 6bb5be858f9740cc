// Path rules and folder-tree operations of the replace run.
#pragma once

#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/PathNames.h"

namespace migwiz::support {

using platform::FileSystem;
using platform::kPathDelim;

// The path-name rules, names found without regard to case and folders made
// are the platform's: one rule for the whole program.
using platform::ChangeFileExt;
using platform::ConcatPath;
using platform::ExtractFileDir;
using platform::ExtractFileExt;
using platform::ExtractFileName;
using platform::ExtractFilePath;
using platform::FindPathNoCase;
using platform::ForceDirectory;
using platform::TFolderListings;

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

// Whether path lies inside folder (or is it), both given as real paths.
bool IsInsideFolder(const std::string& path, const std::string& folder);

}  // namespace migwiz::support
