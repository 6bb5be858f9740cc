// Runs repeated, stopped and failed without losing an original, and runs
// that stay inside what the user chose.
#include <gtest/gtest.h>

#include "testing/PosixOnly.h"
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include "testing/Win32Files.h"
#endif

#include <filesystem>

#include "replace/ReplaceFixture.h"
#include "support/FileErrors.h"
#include "support/StrUtils.h"

using namespace migwiz;
using namespace migwiz::testing;

namespace {

const std::string kUnit = "unit Main;\r\ninterface\r\nuses DBTables;\r\n{$R *.dfm}\r\nend.\r\n";
const std::string kForm = "object F: TForm\r\n  object Q: TQuery\r\n  end\r\nend\r\n";
const std::string kUses = "unit U;\r\nuses DBTables;\r\nend.\r\n";

class RunSafety : public ReplaceFixture {
 protected:
  std::string Undo() { return dir.Path("RBackup/RExpert.reu"); }
  bool Restore() {
    bool ok = replacer->PerformRestore(Undo());
    EXPECT_TRUE(ok) << replacer->RestoreError();
    return ok;
  }
  bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& l : lines)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
};

}  // namespace

TEST_F(RunSafety, RepeatedRunsKeepTheWayBackToTheFirstOriginals) {
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  dir.Write("sub/U.pas", kUses);
  ASSERT_TRUE(RunFolder());
  const std::string undo = dir.Read("RBackup/RExpert.reu");
  const std::string converted = dir.Read("Main.pas");

  // Converted sources: nothing changes, the undo file is not rewritten.
  fs.log.clear();
  ASSERT_TRUE(RunFolder());
  EXPECT_TRUE(replacer->ChangedFiles().empty());
  EXPECT_EQ(dir.Read("Main.pas"), converted);
  EXPECT_EQ(dir.Read("RBackup/RExpert.reu"), undo);
  for (const std::string& op : fs.ChangesUnder(dir.path()))
    EXPECT_TRUE(op.find("Wiz_Log.txt") != std::string::npos ||
                op.find("Wiz_Report.txt") != std::string::npos)
        << op;  // the log and the report only

  // A later change to a converted file keeps the older copy and its line;
  // a new original is appended.
  dir.Write("Main.pas", converted + "{ TQuery }");
  dir.Write("New.pas", kUses);
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("RBackup/Main.~pas"), kUnit);
  EXPECT_EQ(dir.Read("RBackup/RExpert.reu"),
            undo + dir.Path("New.pas") + "=" + dir.Path("RBackup/New.~pas") + "\r\n");

  ASSERT_TRUE(Restore());
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Main.dfm"), kForm);
  EXPECT_EQ(dir.Read("sub/U.pas"), kUses);
  EXPECT_EQ(dir.Read("New.pas"), kUses);
}

TEST_F(RunSafety, OneUnitAtATimeThenRestoreAll) {
  dir.Write("App.dpr", "program App;\r\nuses Main in 'Main.pas', U in 'sub\\U.pas';\r\nbegin end.\r\n");
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  dir.Write("sub/U.pas", kUses);
  ASSERT_TRUE(RunProject("App.dpr", "Main.pas\r\n"));
  ASSERT_TRUE(RunProject("App.dpr", "U.pas\r\n"));
  ASSERT_TRUE(RunProject("App.dpr", "Main.pas\r\nU.pas\r\n"));  // changes nothing
  EXPECT_EQ(support::SplitTextLines(dir.Read("RBackup/RExpert.reu")).size(), 3u);
  ASSERT_TRUE(Restore());
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Main.dfm"), kForm);
  EXPECT_EQ(dir.Read("sub/U.pas"), kUses);
}

// Units of a project in different folders may name files of the same name;
// each keeps its own place in the temporary and the backup folder.
TEST_F(RunSafety, SameNamedFilesInAProjectRun) {
  TempDir outside;
  outside.Write("Utils.pas", kUses + "{ outside }");
  const std::string unitA = "unit A;\r\nuses DBTables;\r\n{$R Shared.dfm}\r\nend.\r\n";
  const std::string unitB = "unit B;\r\nuses DBTables;\r\n{$R Shared.dfm}\r\nend.\r\n";
  const std::string formB = "object G: TForm\r\n  object T: TTable\r\n  end\r\nend\r\n";
  dir.Write("App.dpr", "program App;\r\nuses A in 'sub1\\A.pas', B in 'sub2\\B.pas', Utils in 'sub1\\Utils.pas', "
                       "Utils2 in 'sub2\\Utils.pas', Out in '" + outside.Path("Utils.pas") + "';\r\nbegin end.\r\n");
  dir.Write("sub1/A.pas", unitA);
  dir.Write("sub2/B.pas", unitB);
  dir.Write("sub1/Shared.dfm", kForm);
  dir.Write("sub2/Shared.dfm", formB);
  dir.Write("sub1/Utils.pas", kUses + "{ one }");
  dir.Write("sub2/Utils.pas", kUses + "{ two }");
  ASSERT_TRUE(RunProject("App.dpr", "A.pas\r\nB.pas\r\nUtils.pas\r\nUtils.pas\r\nUtils.pas\r\n"));
  EXPECT_EQ(replacer->ChangedFiles().size(), 7u);
  EXPECT_NE(dir.Read("sub1/Shared.dfm").find("TTarnQuery"), std::string::npos);
  EXPECT_NE(dir.Read("sub2/Shared.dfm").find("TTarnTable"), std::string::npos);
  EXPECT_NE(dir.Read("sub2/Utils.pas").find("{ two }"), std::string::npos);
  EXPECT_EQ(dir.Read("RBackup/sub2/Shared.~dfm"), formB);
  std::string outsidePath = outside.Path("Utils.~pas");
#ifdef _WIN32  // a drive's colon is no part of a folder name
  outsidePath = "\\" + outsidePath.substr(0, 1) + outsidePath.substr(2);
#endif
  EXPECT_EQ(dir.Read("RBackup/@outside" + outsidePath), kUses + "{ outside }");
  ASSERT_TRUE(Restore());
  EXPECT_EQ(dir.Read("sub1/A.pas"), unitA);
  EXPECT_EQ(dir.Read("sub2/B.pas"), unitB);
  EXPECT_EQ(dir.Read("sub1/Shared.dfm"), kForm);
  EXPECT_EQ(dir.Read("sub2/Shared.dfm"), formB);
  EXPECT_EQ(dir.Read("sub1/Utils.pas"), kUses + "{ one }");
  EXPECT_EQ(dir.Read("sub2/Utils.pas"), kUses + "{ two }");
  EXPECT_EQ(outside.Read("Utils.pas"), kUses + "{ outside }");
}

TEST_F(RunSafety, AFormNamedByTwoUnitsIsConvertedOnce) {
  dir.Write("A.pas", "unit A;\r\n{$R Shared.dfm}\r\nend.\r\n");
  dir.Write("B.pas", "unit B;\r\n{$R Shared.dfm}\r\nend.\r\n");
  dir.Write("Shared.dfm", kForm);
  ASSERT_TRUE(RunFolder());
  ASSERT_EQ(replacer->ChangedFiles().size(), 1u);
  EXPECT_EQ(replacer->ChangedFiles()[0].FileName, dir.Path("Shared.dfm"));
}

TEST_F(RunSafety, NamesTheUndoFileMustCarry) {
#ifndef _WIN32  // names that NTFS cannot tell apart or cannot hold
  // Two files that differ in letter case only, and a name that is not UTF-8.
  dir.Write("Unit1.pas", kUses);
  dir.Write("UNIT1.pas", kUses + "{2}");
  dir.Write("caf\xE9.pas", kUses + "{3}");
  ASSERT_TRUE(RunFolder());
  std::vector<std::string> lines = support::SplitTextLines(dir.Read("RBackup/RExpert.reu"));
  EXPECT_EQ(lines.size(), 3u);
  ASSERT_TRUE(Restore());
  EXPECT_EQ(dir.Read("Unit1.pas"), kUses);
  EXPECT_EQ(dir.Read("UNIT1.pas"), kUses + "{2}");
  EXPECT_EQ(dir.Read("caf\xE9.pas"), kUses + "{3}");
#else
  dir.Write("Unit1.pas", kUses);
#endif

  // A path with "=" cannot be written as an undo line: refused, nothing changed.
  dir.Write("a=b/Main.pas", kUnit);
  try {
    RunFolder();
    ADD_FAILURE();
  } catch (const support::EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.Path("a=b/Main.pas")), std::string::npos) << e.what();
  }
  EXPECT_EQ(dir.Read("a=b/Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Unit1.pas"), kUses);
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
  options.MakeBackup = false;  // without backups there is no undo line to write
  ASSERT_TRUE(RunFolder(dir.path(), true));
  EXPECT_NE(dir.Read("a=b/Main.pas"), kUnit);
}

#ifdef _WIN32
// The Windows counterpart: the read-only attribute, and an original that
// another program holds open, are named before anything is written.
TEST_F(RunSafety, ReadOnlyAndLockedOriginalsStopTheRunBeforeAnyChange) {
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  migwiz::testing::SetReadOnlyAttribute(dir.Path("Main.dfm"), true);
  EXPECT_FALSE(RunFolder());
  EXPECT_EQ(replacer->Warnings(), std::vector<std::string>{"Read-only, not replaced: " + dir.Path("Main.dfm")});
  migwiz::testing::SetReadOnlyAttribute(dir.Path("Main.dfm"), false);
  {
    migwiz::testing::THeldOpen held(dir.Path("Main.dfm"));
    ASSERT_TRUE(held.Held());
    EXPECT_FALSE(RunFolder());
  }
  EXPECT_EQ(replacer->Warnings(),
            std::vector<std::string>{"In use by another program, not replaced: " + dir.Path("Main.dfm")});
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Main.dfm"), kForm);
  EXPECT_NE(dir.Read("Wiz_Log.txt").find("Not replaced: " + dir.Path("Main.pas")), std::string::npos);
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
  ASSERT_TRUE(RunFolder());
  EXPECT_NE(dir.Read("Main.dfm"), kForm);
}
MIGWIZ_POSIX_ONLY_TEST_F(RunSafety, OriginalsAreWrittenInPlace, "mode bits and hard links (Win32FileSystem tests the read-only attribute)")
#else
TEST_F(RunSafety, OriginalsAreWrittenInPlace) {
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  ASSERT_EQ(chmod(dir.Path("Main.pas").c_str(), 0640), 0);
  ASSERT_EQ(link(dir.Path("Main.pas").c_str(), dir.Path("hard.link").c_str()), 0);
  struct stat before {}, after {};
  stat(dir.Path("Main.pas").c_str(), &before);
  ASSERT_TRUE(RunFolder());
  stat(dir.Path("Main.pas").c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.Read("hard.link"), dir.Read("Main.pas"));
  ASSERT_TRUE(Restore());
  EXPECT_EQ(dir.Read("hard.link"), kUnit);

  // A read-only original is not replaced, and neither is any other.
  ASSERT_EQ(chmod(dir.Path("Main.dfm").c_str(), 0444), 0);
  EXPECT_FALSE(RunFolder());
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Main.dfm"), kForm);
  EXPECT_EQ(replacer->Warnings(), std::vector<std::string>{"Read-only, not replaced: " + dir.Path("Main.dfm")});
  std::string log = dir.Read("Wiz_Log.txt");
  EXPECT_NE(log.find("Not replaced: " + dir.Path("Main.dfm")), std::string::npos);
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
}
#endif

TEST_F(RunSafety, RestoreRecreatesAndRetiresSoThatLaterEditsSurvive) {
  dir.Write("Main.pas", kUnit);
  dir.Write("sub/U.pas", kUses);
  ASSERT_TRUE(RunFolder());
  std::filesystem::remove_all(dir.Path("sub"));  // an original that no longer exists
  ASSERT_TRUE(Restore());
  EXPECT_EQ(dir.Read("sub/U.pas"), kUses);
  EXPECT_EQ(replacer->RestoredFiles(), (std::vector<std::string>{dir.Path("Main.pas"), dir.Path("sub/U.pas")}));

  // Convert, restore, edit, convert again, restore: the edit is there.
  ASSERT_TRUE(RunFolder());
  ASSERT_TRUE(Restore());
  dir.Write("Main.pas", kUnit + "{ edited }");
  ASSERT_TRUE(RunFolder());
  ASSERT_TRUE(Restore());
  EXPECT_EQ(dir.Read("Main.pas"), kUnit + "{ edited }");
}

TEST_F(RunSafety, AStopDuringTheConversionChangesNothing) {
  dir.Write("A.pas", kUses);
  dir.Write("B.pas", kUses);
  int asked = 0;
  replacer->StopRequested = [&] { return ++asked == 2; };
  EXPECT_THROW(RunFolder(), replace::ERunStopped);
  EXPECT_EQ(dir.Read("A.pas"), kUses);
  EXPECT_EQ(dir.Read("B.pas"), kUses);
  EXPECT_FALSE(dir.Exists("RBackup"));
  ExpectNoTemporaryFolder();
  EXPECT_NE(dir.Read("Wiz_Log.txt").find("Replace was stopped"), std::string::npos);

  // Asked before each file and once before the backups; never after.
  asked = 0;
  replacer->StopRequested = [&] { return ++asked > 3; };
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(asked, 3);
  EXPECT_NE(dir.Read("A.pas"), kUses);
}

// A folder run stays inside the chosen folder and says what it left out.
#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST_F(RunSafety, FolderRunStaysInsideTheChosenFolder, "symbolic links and FIFOs")
#else
TEST_F(RunSafety, FolderRunStaysInsideTheChosenFolder) {
  TempDir library;
  library.Write("Lib.pas", kUses);
  library.Write("Single.pas", kUses);
  dir.Write("Main.pas", kUses);
  dir.Write("real/In.pas", kUses);
  dir.Write("locked/Hidden.pas", kUses);
  ASSERT_EQ(symlink(library.path().c_str(), dir.Path("shared").c_str()), 0);
  ASSERT_EQ(symlink(library.Path("Single.pas").c_str(), dir.Path("Single.pas").c_str()), 0);
  ASSERT_EQ(symlink(dir.Path("real").c_str(), dir.Path("alias").c_str()), 0);
  ASSERT_EQ(mkfifo(dir.Path("Pipe.pas").c_str(), 0644), 0);
  fs.failList.insert(dir.Path("locked"));
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(library.Read("Lib.pas"), kUses);
  EXPECT_EQ(library.Read("Single.pas"), kUses);
  EXPECT_NE(dir.Read("real/In.pas"), kUses);  // followed once, through one of its names
  EXPECT_EQ(replacer->ChangedFiles().size(), 2u);
  const auto& w = replacer->Warnings();
  EXPECT_TRUE(Contains(w, "Link leads outside the folder, not followed: " + dir.Path("shared")));
  EXPECT_TRUE(Contains(w, "Link leads outside the folder, not followed: " + dir.Path("Single.pas")));
  EXPECT_TRUE(Contains(w, "Folder cannot be read, skipped: " + dir.Path("locked")));
  EXPECT_TRUE(Contains(w, "Not a regular file, skipped: " + dir.Path("Pipe.pas")));
  EXPECT_EQ(w.size(), 4u);
  EXPECT_NE(dir.Read("Wiz_Log.txt").find("Folder cannot be read, skipped: "), std::string::npos);
}
#endif

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST_F(RunSafety, UnreadableFolderOnDisk, "mode bits")
#else
TEST_F(RunSafety, UnreadableFolderOnDisk) {
  if (geteuid() == 0) GTEST_SKIP() << "run as root: chmod 000 does not stop reading";
  dir.Write("locked/Hidden.pas", kUses);
  ASSERT_EQ(chmod(dir.Path("locked").c_str(), 0), 0);
  ASSERT_TRUE(RunFolder());
  chmod(dir.Path("locked").c_str(), 0755);
  EXPECT_EQ(replacer->Warnings(), std::vector<std::string>{"Folder cannot be read, skipped: " + dir.Path("locked")});
}
#endif
