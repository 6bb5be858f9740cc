// The command's console control handler on Windows: Ctrl+C and Ctrl+Break
// stop a run as SIGINT does on Linux (the same exit status, no original
// changed), a closed console and log-off as SIGHUP and SIGTERM. The events
// go through a console of the test's own; those that no console here can
// send (Wine sends no Ctrl+Break) are handed to the handler directly.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <thread>

#include "Signals.h"
#include "StoppedRunTree.h"
#include "Win32ConsoleControl.h"
#include "testing/TempDir.h"
#include "testing/Win32Console.h"

using migwiz::app::ConsoleControlHandler;
using migwiz::app::TStopSignals;
using migwiz::testing::TempDir;
using migwiz::testing::TPrivateConsole;
namespace fs = std::filesystem;

namespace {

const std::string kMigwiz = MIGWIZ_BIN;

// The system calls a handler on a thread of its own: waits (ten seconds at
// most) until the condition holds.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 1000 && !condition(); ++i) Sleep(10);
  return condition();
}

}  // namespace

TEST(ConsoleControl, EventsOnTheConsoleReachTheHandlerWhileARunIsOn) {
  TPrivateConsole console;
  ASSERT_TRUE(console.Ready()) << GetLastError();
  {
    TStopSignals stops;
    EXPECT_FALSE(TStopSignals::Requested());
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
    ASSERT_TRUE(Eventually([] { return TStopSignals::Requested(); }));
    EXPECT_EQ(TStopSignals::Signal(), 2);
    EXPECT_EQ(TStopSignals::ExitStatus(), 130);
    EXPECT_STREQ(TStopSignals::SignalName(), "Ctrl+C");
  }
  {
    TStopSignals stops;
    if (GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0)) {
      ASSERT_TRUE(Eventually([] { return TStopSignals::Requested(); }));
      EXPECT_STREQ(TStopSignals::SignalName(), "Ctrl+Break");
      EXPECT_EQ(TStopSignals::ExitStatus(), 130);
    } else {
      // Wine sends no Ctrl+Break; EachEventStopsAsItsSignalDoes hands it over.
      std::cout << "console: Ctrl+Break cannot be sent here (error " << GetLastError() << ")\n";
    }
  }
  // Once the run is over its handler is gone: the next Ctrl+C is this program's.
  const int taken = TPrivateConsole::EventsTaken();
  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
  EXPECT_TRUE(Eventually([&] { return TPrivateConsole::EventsTaken() > taken; }));
}

TEST(ConsoleControl, EachEventStopsAsItsSignalDoes) {
  struct Case {
    DWORD event;
    int signal, status;
    const char* name;
  } cases[] = {{CTRL_C_EVENT, 2, 130, "Ctrl+C"},
               {CTRL_BREAK_EVENT, 2, 130, "Ctrl+Break"},
               {CTRL_CLOSE_EVENT, 1, 129, "console closed"},
               {CTRL_LOGOFF_EVENT, 15, 143, "log-off or shut-down"},
               {CTRL_SHUTDOWN_EVENT, 15, 143, "log-off or shut-down"}};
  for (const Case& c : cases) {
    TStopSignals stops;
    if (c.event == CTRL_C_EVENT || c.event == CTRL_BREAK_EVENT) {
      // Taken, so the process goes on to stop at the run's next safe point.
      EXPECT_TRUE(ConsoleControlHandler(c.event)) << c.name;
    } else {
      // The system ends the process when the handler returns: it holds the
      // process for the run to wind down, so it runs on a thread of its own
      // here, as the system calls it.
      std::thread(ConsoleControlHandler, c.event).detach();
      ASSERT_TRUE(Eventually([] { return TStopSignals::Requested(); })) << c.name;
    }
    EXPECT_EQ(TStopSignals::Signal(), c.signal) << c.name;
    EXPECT_EQ(TStopSignals::ExitStatus(), c.status) << c.name;
    EXPECT_STREQ(TStopSignals::SignalName(), c.name);
    // The first event is the one the run reports.
    ConsoleControlHandler(c.event == CTRL_C_EVENT ? CTRL_BREAK_EVENT : CTRL_C_EVENT);
    EXPECT_STREQ(TStopSignals::SignalName(), c.name);
  }
}

// The real program, stopped by Ctrl+C on its console once a tenth of the
// units went by: exit status 130 as for SIGINT on Linux, the same message,
// every original unchanged, no backup and no temporary folder left.
TEST(ConsoleControl, CtrlCStopsARunCleanlyAsSigintDoes) {
  TPrivateConsole console;
  ASSERT_TRUE(console.Ready()) << GetLastError();
  TempDir work, tmp;
  migwiz::testing::WriteTree(work, 300);
  const auto before = migwiz::testing::Snapshot(work.path());
  bool sent = false;
  auto run = migwiz::testing::RunProgramWatchingErrors(
      kMigwiz, {"replace", work.path(), "-r"}, {"TMP=" + tmp.path(), "TEMP=" + tmp.path()},
      [&](const std::string& line) {
        if (!sent && line.rfind("Processing unit 30 of", 0) == 0) sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
      });
  ASSERT_TRUE(sent) << run.err;
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_NE(run.err.find("migwiz: Ctrl+C: The run was stopped; no original was changed."), std::string::npos)
      << run.err;
  EXPECT_TRUE(fs::is_empty(tmp.path()));
  EXPECT_EQ(migwiz::testing::Snapshot(work.path()), before);
  EXPECT_FALSE(fs::exists(work.Path("RBackup")));
}
