// The host's path rules that differ between systems: where a path's root
// ends, how names compare, the current folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace migwiz::platform {

// The length of the root of an absolute path, 0 for a relative one: "/" on
// Linux; "C:\", "\", "\\server\share\" and "\\?\C:\" on Windows.
std::size_t PathRootLength(std::string_view path);
inline bool IsAbsolutePath(std::string_view path) { return PathRootLength(path) > 0; }

// Whether two file names (or paths) name the same thing as the file system
// compares names: exactly on Linux, without regard to case on Windows.
bool SameFileName(std::string_view a, std::string_view b);

// An existing path spelt as the file system spells its names (on Windows,
// where a name is found in any letter case); on Linux the path itself.
std::string SpellingOnDisk(const std::string& path);

// The path with the host's delimiter (on Windows "/" becomes "\").
std::string NativePath(std::string path);

// The environment variable that names the temporary folder first: TMPDIR on
// Linux, TMP on Windows.
extern const char* const kTempDirVariable;

// The process's current folder; empty when it cannot be had.
std::string CurrentDirectory();

}  // namespace migwiz::platform
