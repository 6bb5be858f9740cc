#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "MigwizProgram.h"
#include "platform/FileSystem.h"
#include "testing/RunProgram.h"
#include "testing/TempDir.h"

using migwiz::testing::RunProgram;
using migwiz::testing::TempDir;
using namespace std::string_literals;

namespace {

using migwiz::testing::kMigwiz;
using migwiz::testing::Migwiz;
const std::string& kUnit = migwiz::testing::kBdeUnit;
const std::string& kForm = migwiz::testing::kBdeForm;

}  // namespace

TEST(MigwizReplace, FolderRunReportsAndRestores) {
  TempDir dir;
  dir.Write("src/Main.pas", kUnit);
  dir.Write("src/Main.dfm", kForm);
  dir.Write("src/sub/Other.pas", kUnit);
  Migwiz migwiz;
  auto r = migwiz({"replace", dir.Path("src"), "-r"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Replace procedure was performed sucessfully.\n"
            "3 file(s) changed.\n"
            "Log: " + dir.Path("src/Wiz_Log.txt") + "\n"
            "Undo file: " + dir.Path("src/RBackup/RExpert.reu") + "\n"
            "Summary:\n"
            "  units changed:                        2\n"
            "  objects converted:                    1\n"
            "  properties translated:                0\n"
            "  properties dropped:                   1\n"
            "  datasets without a connection:        1\n"
            "  objects left with their BDE body:     0\n"
            "  places in units to rewrite by hand:   0\n"
            "Report: " + dir.Path("src/Wiz_Report.txt") + "\n");
  // Plain lines (not a terminal), units and forms counted apart from the start.
  EXPECT_EQ(r.err, "Processing unit 1 of 2: " + dir.Path("src/Main.pas") + "\n"
                   "Processing unit 2 of 2: " + dir.Path("src/sub/Other.pas") + "\n"
                   "Processing form 1 of 1: " + dir.Path("src/Main.dfm") + "\n"
                   "Replacing 1 of 3: " + dir.Path("src/Main.pas") + "\n"
                   "Replacing 2 of 3: " + dir.Path("src/sub/Other.pas") + "\n"
                   "Replacing 3 of 3: " + dir.Path("src/Main.dfm") + "\n");
  EXPECT_NE(dir.Read("src/sub/Other.pas"), kUnit);

  auto back = migwiz({"restore", dir.Path("src/RBackup/RExpert.reu")});
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out, "Restored: " + dir.Path("src/Main.pas") + "\nRestored: " + dir.Path("src/sub/Other.pas") +
                          "\nRestored: " + dir.Path("src/Main.dfm") +
                          "\nFiles were succefully restored.\n3 file(s) restored.\n");
  EXPECT_EQ(dir.Read("src/Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("src/Main.dfm"), kForm);
  EXPECT_EQ(dir.Read("src/sub/Other.pas"), kUnit);
}

TEST(MigwizReplace, ProjectRunWithChosenUnitsAndRelativeBackupFolder) {
  TempDir dir;
  dir.Write("p/App.dpr", "program App;\r\nuses Main in 'Main.pas', Other in 'Other.pas';\r\nbegin end.\r\n");
  dir.Write("p/Main.pas", kUnit);
  dir.Write("p/Main.dfm", kForm);
  dir.Write("p/Other.pas", kUnit);
  Migwiz migwiz;
  // A relative backup folder is taken from the current folder, as every tool does.
  dir.MakeDir("cwd");
#ifdef _WIN32  // the child starts in this process's current folder
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path("cwd"));
  auto r = RunProgram(kMigwiz, {"replace", "--project", dir.Path("p/App.dpr"), "--unit", "main.pas", "--backup-dir",
                                "bak", "-q"},
                      {std::string(migwiz::platform::kTempDirVariable) + "=" + migwiz.tmp.path()});
  std::filesystem::current_path(previous);
#else
  auto r = RunProgram("/bin/sh", {"-c", "cd \"$0\" && exec \"$@\"", dir.Path("cwd"), kMigwiz, "replace",
                                  "--project", dir.Path("p/App.dpr"), "--unit", "main.pas", "--backup-dir", "bak", "-q"},
                      {std::string(migwiz::platform::kTempDirVariable) + "=" + migwiz.tmp.path()});
#endif
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_NE(dir.Read("p/Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("p/Other.pas"), kUnit);  // not chosen
  EXPECT_EQ(dir.Read("cwd/bak/Main.~pas"), kUnit);
  EXPECT_TRUE(dir.Exists("p/Wiz_Log.txt"));
  EXPECT_TRUE(dir.Exists("p/Wiz_Report.txt"));  // -q prints nothing, the report is still written

  auto bad = migwiz({"replace", "--project", dir.Path("p/App.dpr"), "--unit", "Nope.pas"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "migwiz: unit Nope.pas is not a unit of the project\n");
}

TEST(MigwizReplace, DryRunWritesNothing) {
  TempDir dir;
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  Migwiz migwiz;
  auto r = migwiz({"replace", dir.path(), "--dry-run", "--no-log"});
  ASSERT_EQ(r.status, 3) << r.err;  // files would change
  EXPECT_EQ(r.out.substr(0, r.out.find("Summary:")),
            "Dry run: nothing was written.\n"
            "  would change " + dir.Path("Main.pas") + " (1 change(s))\n"
            "  would change " + dir.Path("Main.dfm") + " (1 change(s))\n"
            "2 file(s) would change.\n");
  EXPECT_NE(r.out.find("  datasets without a connection:        1\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Report:"), std::string::npos);
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_FALSE(dir.Exists("RBackup"));
  EXPECT_FALSE(dir.Exists("Wiz_Log.txt"));
  EXPECT_FALSE(dir.Exists("Wiz_Report.txt"));
  EXPECT_FALSE(migwiz.tmp.Exists("$DS1"));
}

TEST(MigwizReplace, FailuresAndUsageErrors) {
  TempDir dir;
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", "\xFF\x0A\x00T\x00\x30\x10\x04\x00\x00\x00TPF1"s);
  Migwiz migwiz;
  auto r = migwiz({"replace", dir.path(), "--no-backup", "-q"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "migwiz: Replace failed.\n" + dir.Path("Main.dfm") +
                       ": not a component stream (no TPF0 signature) at byte offset 11\n");
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_FALSE(migwiz.tmp.Exists("$DS1"));

  auto missing = migwiz({"replace", dir.Path("nowhere")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "migwiz: Target directory \"" + dir.Path("nowhere") + "\" does not exist.\n");

  dir.Write("empty.reu", "");
  auto restore = migwiz({"restore", dir.Path("empty.reu")});
  EXPECT_EQ(restore.status, 1);
  EXPECT_EQ(restore.err, "migwiz: Failed to restore files.\nUndo file \"" + dir.Path("empty.reu") +
                             "\" lists no files.\n");

  EXPECT_EQ(migwiz({"replace"}).status, 2);
  EXPECT_EQ(migwiz({"replace", dir.path(), "--project", "x.dpr"}).status, 2);
  EXPECT_EQ(migwiz({"replace", dir.path(), "--no-backup", "--backup-dir", "b"}).status, 2);
  EXPECT_EQ(migwiz({"restore"}).status, 2);
}

TEST(MigwizReplace, TheBundledExampleConvertsWhole) {
  TempDir dir;
  std::filesystem::copy(MIGWIZ_EXAMPLES "/Orders", dir.Path("Orders"),
                        std::filesystem::copy_options::recursive);
  Migwiz migwiz;
  auto r = migwiz({"replace", "--project", dir.Path("Orders/Orders.dpr")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find("Log:")),
            "Replace procedure was performed sucessfully.\n6 file(s) changed.\n");
  EXPECT_EQ(r.out.find("no connection"), std::string::npos);  // every dataset found its connection
  auto report = migwiz({"form2text", dir.Path("Orders/Report.dfm")});
  EXPECT_NE(report.out.find("object qryReport: TTarnQuery\r\n    Connection = DM.Database1\r\n"),
            std::string::npos) << report.out;
  auto undo = migwiz({"restore", dir.Path("Orders/RBackup/RExpert.reu")});
  EXPECT_EQ(undo.status, 0);
  for (const char* f : {"Orders.dpr", "Main.pas", "Main.dfm", "DataMod.pas", "DataMod.dfm", "Report.pas", "Report.dfm"})
    EXPECT_EQ(dir.Read(std::string("Orders/") + f),
              migwiz::testing::ReadAll(std::string(MIGWIZ_EXAMPLES "/Orders/") + f)) << f;
}

TEST(MigwizReplace, ObjectsNotConvertedAreWarnedAboutAndCounted) {
  TempDir dir;
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm",
            "object F: TForm\r\n  object Q: TQuery\r\n    Bad = @x\r\n  end\r\nend\r\n");
  Migwiz migwiz;
  auto r = migwiz({"replace", dir.path(), "--dry-run", "--no-log", "-q"});
  ASSERT_EQ(r.status, 3) << r.err;  // the unit and the header would change
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "migwiz: warning: " + dir.Path("Main.dfm") + ":2: Q: TQuery was not converted (line 3, column 11: "
            "the form grammar does not accept \"@x\"); unit Main now declares TTarnQuery but its "
            "form keeps the old body\n"
            "1 object(s) not converted in full; finish them by hand.\n");
}

// A unit is chosen by its path relative to the project as well as by its
// name; a unit named by a Windows absolute path is reported as written.
TEST(MigwizReplace, UnitsByRelativePathAndWindowsPaths) {
  TempDir dir;
  dir.Write("p/App.dpr", "program App;\r\nuses Main in 'Main.pas', X in 'Comun\\X.pas';\r\nbegin end.\r\n");
  dir.Write("p/Main.pas", kUnit);
  dir.Write("p/Comun/X.pas", kUnit);
  Migwiz migwiz;
  struct Case { const char* unit; bool mainChanged, xChanged; int status; } cases[] = {
      {"Comun/X.pas", false, true, 0},
      {"comun\\x.PAS", false, true, 0},
      {"Main.pas", true, false, 0},
      {"Other/X.pas", false, false, 1},
  };
  for (const Case& c : cases) {
    dir.Write("p/Main.pas", kUnit);
    dir.Write("p/Comun/X.pas", kUnit);
    auto r = migwiz({"replace", "--project", dir.Path("p/App.dpr"), "--unit", c.unit, "--no-backup", "-q"});
    EXPECT_EQ(r.status, c.status) << c.unit << r.err;
    EXPECT_EQ(dir.Read("p/Main.pas") != kUnit, c.mainChanged) << c.unit;
    EXPECT_EQ(dir.Read("p/Comun/X.pas") != kUnit, c.xChanged) << c.unit;
    if (c.status == 1) {
      EXPECT_EQ(r.err, "migwiz: unit " + std::string(c.unit) + " is not a unit of the project\n");
    }
  }

  dir.Write("w/App.dpr",
            "program App;\r\nuses Main in 'Main.pas', Y in 'D:\\Projects\\Lib\\Y.pas', "
            "Z in '\\\\server\\share\\Z.pas';\r\nbegin end.\r\n");
  dir.Write("w/Main.pas", kUnit);
  auto r = migwiz({"replace", "--project", dir.Path("w/App.dpr"), "--no-backup", "-q"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "migwiz: units of the project are missing on disk:\n  D:\\Projects\\Lib\\Y.pas\n"
                   "  \\\\server\\share\\Z.pas\n");
  EXPECT_EQ(dir.Read("w/Main.pas"), kUnit);
}

TEST(MigwizReplace, ARunThatChangesNothingKeepsTheReportBeforeIt) {
  TempDir dir;
  dir.Write("src/Main.pas", kUnit);
  dir.Write("src/Main.dfm", kForm);
  Migwiz migwiz;
  ASSERT_EQ(migwiz({"replace", dir.Path("src")}).status, 0);
  const std::string report = dir.Read("src/Wiz_Report.txt");
  ASSERT_NE(report.find("Main.dfm"), std::string::npos);
  auto again = migwiz({"replace", dir.Path("src")});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(dir.Read("src/Wiz_Report.txt"), report);
  EXPECT_NE(again.out.find("Nothing changed; the report of the run before is kept: " + dir.Path("src/Wiz_Report.txt")),
            std::string::npos) << again.out;
  EXPECT_EQ(again.out.find("Report: "), std::string::npos) << again.out;
}

// A file edited after the run: the restore refuses, naming it, and changes
// nothing; --force restores over it. A run that fails says no original changed.
TEST(MigwizReplace, RestoreRefusesEditsUnlessForced) {
  TempDir dir;
  dir.Write("src/Main.pas", kUnit);
  dir.Write("src/Main.dfm", kForm);
  Migwiz migwiz;
  ASSERT_EQ(migwiz({"replace", dir.Path("src"), "-q"}).status, 0);
  const std::string edited = dir.Read("src/Main.pas") + "{ edited }";
  dir.Write("src/Main.pas", edited);
  const std::string undo = dir.Path("src/RBackup/RExpert.reu");
  auto refused = migwiz({"restore", undo});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Changed since the run wrote it (restore with --force to lose the change): " +
                             dir.Path("src/Main.pas")), std::string::npos) << refused.err;
  EXPECT_EQ(dir.Read("src/Main.pas"), edited);
  EXPECT_NE(dir.Read("src/Main.dfm"), kForm);
  auto forced = migwiz({"restore", "--force", "-q", undo});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(dir.Read("src/Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("src/Main.dfm"), kForm);

#ifndef _WIN32  // a symbolic link made by the test: POSIX only
  std::filesystem::remove(dir.Path("src/Wiz_Log.txt"));
  std::filesystem::create_symlink(dir.Path("elsewhere.txt"), dir.Path("src/Wiz_Log.txt"));
  auto linked = migwiz({"replace", dir.Path("src"), "-q"});
  EXPECT_EQ(linked.status, 1);
  EXPECT_NE(linked.err.find("is a symbolic link"), std::string::npos) << linked.err;
  EXPECT_FALSE(std::filesystem::exists(dir.Path("elsewhere.txt")));
  EXPECT_EQ(dir.Read("src/Main.pas"), kUnit);
#endif
}

// A tree locked by a run in another process (this one, for the command):
// the command refuses at once, naming it, changes nothing and exits 1.
TEST(MigwizReplace, ATreeInUseByAnotherProcessIsRefused) {
  TempDir dir;
  dir.Write("src/Main.pas", kUnit);
  Migwiz migwiz;
  {
    std::string holder, err;
    auto lock = migwiz::platform::SystemFileSystem().TryLock(dir.Path("src/Wiz_Run.lock"), holder, err);
    ASSERT_TRUE(lock) << err;
    auto r = migwiz({"replace", dir.Path("src"), "-q"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is being converted or restored by another run (pid " + std::to_string(getpid()) +
                         "); nothing was changed."),
              std::string::npos) << r.err;
    EXPECT_EQ(dir.Read("src/Main.pas"), kUnit);
    EXPECT_FALSE(dir.Exists("src/Wiz_Log.txt"));
  }
  auto r = migwiz({"replace", dir.Path("src"), "-q"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(dir.Read("src/Main.pas"), kUnit);
  EXPECT_FALSE(dir.Exists("src/Wiz_Run.lock"));
}
