// UTF-8 paths and messages to the system's wide strings and back (Windows).
#pragma once

#include <windows.h>

// The file system interface has members of these names; the wide
// functions are called by their own names.
#undef CreateFile
#undef DeleteFile
#undef RemoveDirectory
#undef CopyFile

#include <string>
#include <string_view>

namespace migwiz::platform {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// The system's message for an error code, without its final full stop.
std::string SystemMessage(DWORD code);
// A path as the wide functions take it: "/" as "\", and an absolute path
// beyond the old length limit with the "\\?\" prefix that lifts it.
std::wstring WidePath(const std::string& path);

}  // namespace migwiz::platform
