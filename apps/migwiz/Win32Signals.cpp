#include <windows.h>

#include <atomic>
#include <csignal>

#include "Signals.h"
#include "Win32ConsoleControl.h"

namespace migwiz::app {

namespace {

// The stop as the POSIX side numbers it: Ctrl+C and Ctrl+Break stop as
// SIGINT does, closing the console as SIGHUP, log-off and shut-down as
// SIGTERM; so the exit statuses are the same on both systems.
constexpr int kSigInt = 2, kSigHup = 1, kSigTerm = 15;
// The first console event of the run, plus one (0: none yet).
std::atomic<DWORD> g_event{0};

int SignalOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: return kSigInt;
    case CTRL_CLOSE_EVENT: return kSigHup;
    default: return kSigTerm;
  }
}

}  // namespace

// Runs on a thread of its own. For Ctrl+C and Ctrl+Break the stop is only
// noted; the run ends at its next safe point. A console that closes ends the
// process when this returns, so it waits there for the run to wind down.
BOOL WINAPI ConsoleControlHandler(DWORD event) {
  DWORD none = 0;
  g_event.compare_exchange_strong(none, event + 1);
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  Sleep(4000);
  return TRUE;
}

TStopSignals::TStopSignals() {
  g_event = 0;
  SetConsoleCtrlHandler(ConsoleControlHandler, TRUE);
}

TStopSignals::~TStopSignals() { SetConsoleCtrlHandler(ConsoleControlHandler, FALSE); }

bool TStopSignals::Requested() { return g_event != 0; }
int TStopSignals::Signal() {
  const DWORD event = g_event;
  return event == 0 ? 0 : SignalOf(event - 1);
}

const char* TStopSignals::SignalName() {
  switch (Signal()) {
    case kSigInt: return g_event == CTRL_BREAK_EVENT + 1 ? "Ctrl+Break" : "Ctrl+C";
    case kSigTerm: return "log-off or shut-down";
    case kSigHup: return "console closed";
    default: return "no signal";
  }
}

int TStopSignals::ExitStatus() { return 128 + Signal(); }

// A closed pipe fails the write with an error instead of a signal.
void IgnoreBrokenPipes() {}

}  // namespace migwiz::app
