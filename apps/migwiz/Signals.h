// Stop requests from outside (SIGINT, SIGTERM, SIGHUP) while a command
// runs. They are only noted: the run asks between its steps and decides
// where it can stop without losing anything.
#pragma once

namespace migwiz::app {

class TStopSignals {
 public:
  TStopSignals();   // installs the handlers
  ~TStopSignals();  // puts the previous ones back
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  static bool Requested();
  // The signal that asked for the stop (the first one), 0 when none.
  static int Signal();
  static const char* SignalName();
  // The exit status of a command stopped by it: 128 + signal number.
  static int ExitStatus();
};

// Output that cannot be written (a closed pipe) is dropped instead of ending
// the program.
void IgnoreBrokenPipes();

}  // namespace migwiz::app
