// Paths taken apart and put together as strings, with the host's delimiter;
// nothing here asks the file system.
#pragma once

#include <string>
#include <string_view>

namespace migwiz::platform {

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

}  // namespace migwiz::platform
