#include <windows.h>

#include "platform/Paths.h"
#include "platform/Win32Text.h"

namespace migwiz::platform {

namespace {

bool IsDelim(char c) { return c == '\\' || c == '/'; }

// The end of the next name from pos (at the delimiter or the end).
std::size_t NameEnd(std::string_view path, std::size_t pos) {
  while (pos < path.size() && !IsDelim(path[pos])) ++pos;
  return pos;
}

}  // namespace

const char* const kTempDirVariable = "TMP";

std::size_t PathRootLength(std::string_view path) {
  // "\\?\C:\..." and "\\?\UNC\server\share\...": the rest by the rules below.
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) {
    std::size_t share = NameEnd(path, NameEnd(path, 8) + 1);
    return share < path.size() ? share + 1 : share;
  }
  if (path.rfind("\\\\?\\", 0) == 0) return 4 + PathRootLength(path.substr(4));
  if (path.size() >= 2 && IsDelim(path[0]) && IsDelim(path[1])) {  // \\server\share\ .
    std::size_t server = NameEnd(path, 2);
    if (server >= path.size()) return path.size();
    std::size_t share = NameEnd(path, server + 1);
    return share < path.size() ? share + 1 : share;
  }
  if (path.size() >= 3 && path[1] == ':' && IsDelim(path[2])) return 3;
  return !path.empty() && IsDelim(path[0]) ? 1 : 0;
}

bool SameFileName(std::string_view a, std::string_view b) {
  std::wstring wa = Widen(a), wb = Widen(b);
  return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

std::string NativePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// Each name after the root as its folder lists it, "." and ".." as they are.
std::string SpellingOnDisk(const std::string& path) {
  std::string out = path.substr(0, PathRootLength(path));
  std::size_t pos = out.size();
  while (pos < path.size()) {
    std::size_t end = NameEnd(path, pos);
    std::string name = path.substr(pos, end - pos);
    if (!name.empty() && name != "." && name != ".." && name.find_first_of("*?") == std::string::npos) {
      WIN32_FIND_DATAW data;
      HANDLE find = FindFirstFileExW(WidePath(out + name).c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0);
      if (find != INVALID_HANDLE_VALUE) {
        name = Narrow(data.cFileName);
        FindClose(find);
      }
    }
    out += name;
    if (end < path.size()) out += path[end];
    pos = end + 1;
  }
  return out;
}

std::string CurrentDirectory() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return std::string();
  std::wstring dir(n, L'\0');
  n = GetCurrentDirectoryW(n, dir.data());
  dir.resize(n);
  return Narrow(dir);
}

}  // namespace migwiz::platform
