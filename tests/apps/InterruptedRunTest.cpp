// The real program stopped from outside: by SIGINT or SIGTERM (a clean
// stop), by a closed output pipe (ignored), and by SIGKILL at moments spread
// over a whole run (every original unchanged or restorable).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

#include "StoppedRunTree.h"
#include "testing/RunProgram.h"
#include "testing/TempDir.h"

using migwiz::testing::RunProgram;
using migwiz::testing::Snapshot;
using migwiz::testing::TempDir;
using migwiz::testing::WriteTree;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

const std::string kMigwiz = MIGWIZ_BIN;

// migwiz started with its stderr on a pipe that the test reads line by line.
class Running {
 public:
  Running(const std::vector<std::string>& args, const std::string& tmpdir, bool closedStdout = false) {
    int err[2], out[2];
    if (pipe(err) != 0 || pipe(out) != 0) return;
    // A pipe of one page: the program cannot run far ahead of the lines
    // read, so a signal sent on a line reaches it a few files later, however
    // busy the machine.
    fcntl(err[0], F_SETPIPE_SZ, 4096);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(err[1], 2);
      int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, 0);
      dup2(closedStdout ? out[1] : devnull, 1);
      close(err[0]);
      close(out[0]);
      setenv("TMPDIR", tmpdir.c_str(), 1);
      std::vector<char*> argv{const_cast<char*>(kMigwiz.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(kMigwiz.c_str(), argv.data());
      _exit(127);
    }
    close(err[1]);
    close(out[1]);
    close(out[0]);  // a reader that went away: writes to stdout get EPIPE
    errFd_ = err[0];
    start_ = Clock::now();
  }
  ~Running() {
    if (pid_ > 0 && status_ == -2) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (errFd_ >= 0) close(errFd_);
  }

  double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

  // Reads stderr until the given time since the start (or the end of the
  // program when negative); each complete line goes to onLine.
  void ReadUntil(double seconds, const std::function<void(const std::string&)>& onLine = {}) {
    while (errFd_ >= 0) {
      int wait = -1;
      if (seconds >= 0) {
        double left = seconds - Seconds();
        if (left <= 0) return;
        wait = static_cast<int>(left * 1000) + 1;
      }
      pollfd p{errFd_, POLLIN, 0};
      if (poll(&p, 1, wait) == 0) continue;
      char buf[8192];
      ssize_t n = read(errFd_, buf, sizeof buf);
      if (n <= 0) {
        close(errFd_);
        errFd_ = -1;
        return;
      }
      pending_.append(buf, static_cast<size_t>(n));
      for (size_t nl; (nl = pending_.find('\n')) != std::string::npos;) {
        std::string line = pending_.substr(0, nl);
        err_ += line + "\n";
        pending_.erase(0, nl + 1);
        if (onLine) onLine(line);
      }
    }
  }
  void Signal(int sig) { kill(pid_, sig); }
  // Exit status, or 128 + signal when killed.
  int Wait() {
    if (status_ != -2) return status_;
    ReadUntil(-1);
    int st = 0;
    waitpid(pid_, &st, 0);
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return status_;
  }
  const std::string& Err() const { return err_; }
  bool Finished() const { return errFd_ < 0; }

 private:
  pid_t pid_ = -1;
  int errFd_ = -1;
  int status_ = -2;
  Clock::time_point start_;
  std::string pending_, err_;
};

bool Empty(const std::string& dir) { return fs::is_empty(dir); }

}  // namespace

TEST(InterruptedRun, StopDuringTheConversionIsClean) {
  struct Case { int sig; int status; const char* name; } cases[] = {
      {SIGINT, 130, "SIGINT"}, {SIGTERM, 143, "SIGTERM"}, {SIGHUP, 129, "SIGHUP"}};
  TempDir pristine;
  WriteTree(pristine, 300);
  const auto before = Snapshot(pristine.path());
  for (const auto& c : cases) {
    TempDir work, tmp;
    fs::copy(pristine.path(), work.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    Running run({"replace", work.path(), "-r"}, tmp.path());
    // Stopped once a tenth of the files went by.
    bool sent = false;
    run.ReadUntil(-1, [&](const std::string& line) {
      if (!sent && line.rfind("Processing unit 30 of", 0) == 0) {
        run.Signal(c.sig);
        sent = true;
      }
    });
    ASSERT_TRUE(sent) << run.Err();
    EXPECT_EQ(run.Wait(), c.status) << run.Err();
    EXPECT_NE(run.Err().find(std::string("migwiz: ") + c.name + ": The run was stopped; no original was changed."),
              std::string::npos) << run.Err();
    EXPECT_TRUE(Empty(tmp.path())) << c.name;
    EXPECT_EQ(Snapshot(work.path()), before) << c.name;
    EXPECT_FALSE(fs::exists(work.Path("RBackup"))) << c.name;
  }
}

TEST(InterruptedRun, ClosedOutputDoesNotStopTheRun) {
  TempDir work, tmp;
  WriteTree(work, 5);
  Running run({"replace", work.path(), "-r"}, tmp.path(), /*closedStdout=*/true);
  EXPECT_EQ(run.Wait(), 0) << run.Err();
  EXPECT_TRUE(fs::exists(work.Path("RBackup/RExpert.reu")));
  EXPECT_NE(work.Read("f0/U0.pas").find("TTarnQuery"), std::string::npos);
}

// SIGKILL can come at any moment. The undo file is written before the first
// original is replaced, so every original is either unchanged or restored
// byte for byte by migwiz restore. The kill moments are spread over the
// conversion, the backups and the copy back as a clean run shows them; the
// later ones are counted from the run's own progress lines, since the copy
// back is short and a shared machine's timing wanders.
TEST(InterruptedRun, KillAtAnyMomentLosesNoOriginal) {
  TempDir pristine;
  WriteTree(pristine, 900);  // 1800 files
  const auto before = Snapshot(pristine.path());

  double conversionEnd = 0, copyBackStart = 0;
  std::string lastProcessing;
  size_t replaced = 0;
  {
    TempDir work, tmp;
    fs::copy(pristine.path(), work.path(), fs::copy_options::recursive);
    Running clean({"replace", work.path(), "-r"}, tmp.path());
    clean.ReadUntil(-1, [&](const std::string& line) {
      if (line.rfind("Processing ", 0) == 0) {
        conversionEnd = clean.Seconds();
        lastProcessing = line.substr(0, line.find(':') + 1);  // the paths differ between runs
      }
      if (line.rfind("Replacing 1 of ", 0) == 0) {
        copyBackStart = clean.Seconds();
        replaced = std::stoul(line.substr(15));
      }
    });
    ASSERT_EQ(clean.Wait(), 0) << clean.Err();
  }
  ASSERT_GT(replaced, 100u);

  // Each kill point: a progress line to wait for ("" for the start), then a delay.
  struct KillPoint { std::string after; double delay; };
  std::vector<KillPoint> points;
  for (int i = 1; i <= 5; ++i) points.push_back({"", conversionEnd * i / 6});
  for (int i = 1; i <= 2; ++i) points.push_back({lastProcessing, (copyBackStart - conversionEnd) * i / 3});
  for (int i = 0; i < 5; ++i)
    points.push_back({"Replacing " + std::to_string(1 + replaced * (2 * i + 1) / 10) + " of ", 0});

  int beforeUndoFile = 0, duringCopyBack = 0, afterTheEnd = 0;
  for (const KillPoint& point : points) {
    TempDir work, tmp;
    fs::copy(pristine.path(), work.path(), fs::copy_options::recursive);
    bool replacing = false;
    {
      Running run({"replace", work.path(), "-r"}, tmp.path());
      double at = point.after.empty() ? point.delay : 1e9;
      while (run.Seconds() < at) {
        run.ReadUntil(std::min(at, run.Seconds() + 0.005), [&](const std::string& line) {
          if (at > 1e8 && line.rfind(point.after, 0) == 0) at = run.Seconds() + point.delay;
        });
        if (run.Finished()) break;
      }
      run.Signal(SIGKILL);
      if (run.Wait() == 0) ++afterTheEnd;
      replacing = run.Err().find("\nReplacing ") != std::string::npos;
    }
    const std::string undo = work.Path("RBackup/RExpert.reu");
    const std::string where = "killed after \"" + point.after + "\" + " + std::to_string(point.delay) + " s";
    if (fs::exists(undo)) {
      if (replacing) ++duringCopyBack;
      // --force: a file the kill caught half-written holds neither its backup
      // nor what the run wrote, which a restore otherwise takes for an edit.
      auto r = RunProgram(kMigwiz, {"restore", "-q", "--force", undo}, {"TMPDIR=" + tmp.path()});
      ASSERT_EQ(r.status, 0) << where << ": " << r.err;
    } else {
      ++beforeUndoFile;
    }
    EXPECT_EQ(Snapshot(work.path()), before) << where;
  }
  std::printf("%zu kill points: %d before the undo file, %d with originals being replaced, "
              "%d after the end\n", points.size(), beforeUndoFile, duringCopyBack, afterTheEnd);
  EXPECT_GE(duringCopyBack, 3);
}

// A restore and a replace of the same tree at once: whichever comes second
// refuses at once, naming the other's process, and changes nothing; in the
// end the tree restores to its first state byte for byte, whatever the order.
TEST(InterruptedRun, RestoreRacingAReplace) {
  TempDir pristine;
  WriteTree(pristine, 300);
  const auto before = Snapshot(pristine.path());
  const std::string busy = "is being converted or restored by another run (pid ";
  auto finalRestore = [&](const TempDir& work, const std::string& tmp, const std::string& where) {
    const std::string undo = work.Path("RBackup/RExpert.reu");
    if (fs::exists(undo)) {
      auto r = RunProgram(kMigwiz, {"restore", "-q", undo}, {"TMPDIR=" + tmp});
      EXPECT_EQ(r.status, 0) << where << ": " << r.err;
    }
    EXPECT_EQ(Snapshot(work.path()), before) << where;
    EXPECT_FALSE(fs::exists(work.Path("Wiz_Run.lock"))) << where;
  };

  // A restore started while a replace converts: refused.
  {
    TempDir work, tmp;
    fs::copy(pristine.path(), work.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    ASSERT_EQ(RunProgram(kMigwiz, {"replace", work.path(), "-r", "-q"}, {"TMPDIR=" + tmp.path()}).status, 0);
    work.Write("f0/U0.pas", "unit U0;\r\nuses DBTables;\r\nend.\r\n");  // something for a second run
    const auto converted = Snapshot(work.path());
    Running replace({"replace", work.path(), "-r"}, tmp.path());
    int restoreStatus = -1;
    std::string restoreErr;
    replace.ReadUntil(-1, [&](const std::string& line) {
      if (restoreStatus != -1 || line.rfind("Processing unit", 0) != 0) return;
      auto r = RunProgram(kMigwiz, {"restore", work.Path("RBackup/RExpert.reu")}, {"TMPDIR=" + tmp.path()});
      restoreStatus = r.status;
      restoreErr = r.err;
    });
    EXPECT_EQ(replace.Wait(), 0) << replace.Err();
    EXPECT_EQ(restoreStatus, 1) << restoreErr;
    EXPECT_NE(restoreErr.find(busy), std::string::npos) << restoreErr;
    EXPECT_NE(Snapshot(work.path()), converted);  // the replace went through
    finalRestore(work, tmp.path(), "restore during a replace");
  }

  // A replace started at moments spread over a restore.
  int refused = 0, after = 0, restoreRefused = 0;
  for (double delay : {0.0, 0.02, 0.08, 0.2}) {
    TempDir work, tmp;
    fs::copy(pristine.path(), work.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    ASSERT_EQ(RunProgram(kMigwiz, {"replace", work.path(), "-r", "-q"}, {"TMPDIR=" + tmp.path()}).status, 0);
    Running restore({"restore", "-q", work.Path("RBackup/RExpert.reu")}, tmp.path());
    restore.ReadUntil(delay);
    auto r = RunProgram(kMigwiz, {"replace", work.path(), "-r", "-q"}, {"TMPDIR=" + tmp.path()});
    const int restoreStatus = restore.Wait();
    const std::string where = "replace after " + std::to_string(delay) + " s";
    if (r.status == 1) {
      EXPECT_NE(r.err.find(busy), std::string::npos) << where << ": " << r.err;
      ++refused;
    } else {
      EXPECT_EQ(r.status, 0) << where << ": " << r.err;
      ++after;
    }
    if (restoreStatus != 0) {
      EXPECT_NE(restore.Err().find(busy), std::string::npos) << where << ": " << restore.Err();
      ++restoreRefused;
    }
    finalRestore(work, tmp.path(), where);
  }
  std::printf("replace during a restore: %d refused, %d ran after it, %d restores refused\n", refused,
              after, restoreRefused);
}
