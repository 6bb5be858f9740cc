#include "Signals.h"

#include <csignal>

namespace migwiz::app {

namespace {

volatile std::sig_atomic_t g_signal = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3];

extern "C" void NoteStop(int sig) {
  if (g_signal == 0) g_signal = sig;
}

}  // namespace

TStopSignals::TStopSignals() {
  g_signal = 0;
  struct sigaction sa {};
  sa.sa_handler = NoteStop;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &sa, &g_previous[i]);
}

TStopSignals::~TStopSignals() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
}

bool TStopSignals::Requested() { return g_signal != 0; }
int TStopSignals::Signal() { return g_signal; }

const char* TStopSignals::SignalName() {
  switch (g_signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "no signal";
  }
}

int TStopSignals::ExitStatus() { return 128 + g_signal; }

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace migwiz::app
