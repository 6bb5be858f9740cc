#include <windows.h>
#include <shellapi.h>

#include "platform/Shell.h"
#include "platform/Win32Text.h"

namespace migwiz::platform {

// The shell's "open" verb: the user's viewer for the file's type.
bool TDesktopShell::Open(const std::string& target) {
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

IShell& DefaultShell() {
  static TDesktopShell shell;
  return shell;
}

IBusyCursor& DefaultBusyCursor() {
  static TNoBusyCursor cursor;
  return cursor;
}

}  // namespace migwiz::platform
