#include "testing/Win32Console.h"

#include <windows.h>

#include <atomic>

namespace migwiz::testing {

namespace {

std::atomic<int> g_taken{0};

BOOL WINAPI TakeEvent(DWORD /*event*/) {
  ++g_taken;
  return TRUE;
}

}  // namespace

TPrivateConsole::TPrivateConsole() {
  FreeConsole();
  if (!AllocConsole()) return;
  if (HWND window = GetConsoleWindow()) ShowWindow(window, SW_HIDE);
  ready_ = SetConsoleCtrlHandler(TakeEvent, TRUE) != 0;
}

TPrivateConsole::~TPrivateConsole() {
  SetConsoleCtrlHandler(TakeEvent, FALSE);
  FreeConsole();
  AttachConsole(ATTACH_PARENT_PROCESS);
}

int TPrivateConsole::EventsTaken() { return g_taken; }

}  // namespace migwiz::testing
