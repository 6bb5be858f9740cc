#include <windows.h>

#include <atomic>
#include <csignal>

#include "Signals.h"

namespace migwiz::app {

namespace {

// The stop as the POSIX side numbers it: Ctrl+C and Ctrl+Break stop as
// SIGINT does, closing the console as SIGHUP, log-off and shut-down as
// SIGTERM; so the exit statuses are the same on both systems.
constexpr int kSigInt = 2, kSigHup = 1, kSigTerm = 15;
std::atomic<int> g_signal{0};

int SignalOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: return kSigInt;
    case CTRL_CLOSE_EVENT: return kSigHup;
    default: return kSigTerm;
  }
}

// Runs on a thread of its own. For Ctrl+C and Ctrl+Break the stop is only
// noted; the run ends at its next safe point. A console that closes ends the
// process when this returns, so it waits there for the run to wind down.
BOOL WINAPI NoteStop(DWORD event) {
  int expected = 0;
  g_signal.compare_exchange_strong(expected, SignalOf(event));
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  Sleep(4000);
  return TRUE;
}

}  // namespace

TStopSignals::TStopSignals() {
  g_signal = 0;
  SetConsoleCtrlHandler(NoteStop, TRUE);
}

TStopSignals::~TStopSignals() { SetConsoleCtrlHandler(NoteStop, FALSE); }

bool TStopSignals::Requested() { return g_signal != 0; }
int TStopSignals::Signal() { return g_signal; }

const char* TStopSignals::SignalName() {
  switch (g_signal) {
    case kSigInt: return "Ctrl+C";
    case kSigTerm: return "log-off or shut-down";
    case kSigHup: return "console closed";
    default: return "no signal";
  }
}

int TStopSignals::ExitStatus() { return 128 + g_signal; }

// A closed pipe fails the write with an error instead of a signal.
void IgnoreBrokenPipes() {}

}  // namespace migwiz::app
