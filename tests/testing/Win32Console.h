// Console control events in Windows tests: a console of the test program's
// own, and programs run on it whose error output is watched line by line
// (no <windows.h> here: its macros clash with the IDE model's names).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "testing/RunProgram.h"

namespace migwiz::testing {

// A hidden console of this program's own in place of the one it had (none
// under Wine without a terminal): an event sent with
// GenerateConsoleCtrlEvent(event, 0) reaches this program and the programs
// it starts, and no other. An event that reaches this program's own handler
// is counted instead of ending the program.
class TPrivateConsole {
 public:
  TPrivateConsole();
  ~TPrivateConsole();
  TPrivateConsole(const TPrivateConsole&) = delete;
  TPrivateConsole& operator=(const TPrivateConsole&) = delete;

  bool Ready() const { return ready_; }
  // The events this program's own handler took.
  static int EventsTaken();

 private:
  bool ready_ = false;
};

// RunProgram, handing each line of the program's error output to onErrLine
// as it comes. The error output goes through a pipe of one page, so the
// program cannot run far ahead of the lines read.
ProgramResult RunProgramWatchingErrors(const std::string& program, const std::vector<std::string>& args,
                                       const std::vector<std::string>& env,
                                       const std::function<void(const std::string&)>& onErrLine);

}  // namespace migwiz::testing
