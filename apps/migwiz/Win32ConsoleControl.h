// The console control handler that TStopSignals installs on Windows. The
// system calls it on a thread of its own for Ctrl+C, Ctrl+Break, a console
// that closes, log-off and shut-down; tests call it with the events that no
// console of theirs can send.
#pragma once

#include <windows.h>

namespace migwiz::app {

BOOL WINAPI ConsoleControlHandler(DWORD event);

}  // namespace migwiz::app
