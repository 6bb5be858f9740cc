#include <gtest/gtest.h>

#include <map>
#include "testing/PosixOnly.h"
#include <unistd.h>

#include "streams/ComponentStream.h"
#include "replace/ReplaceFixture.h"
#include "support/FileErrors.h"
#include "support/LogWriter.h"
#include "support/StrUtils.h"

using namespace migwiz;
using namespace migwiz::testing;
using namespace std::string_literals;

namespace {

const std::string kUnit = "unit Main;\r\ninterface\r\nuses DBTables;\r\n{$R *.dfm}\r\nend.\r\n";
const std::string kForm = "object F: TForm\r\n  object Q: TQuery\r\n  end\r\nend\r\n";
const std::string kPlain = "unit Plain;\r\nend.\r\n";

class ReplaceRun : public ReplaceFixture {
 protected:
  // The log's lines without the empty line that follows each.
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines = support::SplitTextLines(dir.Read("Wiz_Log.txt"));
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size(); i += 2) {
      EXPECT_TRUE(i + 1 < lines.size() && lines[i + 1].empty()) << i;
      out.push_back(lines[i]);
    }
    return out;
  }
  std::string CreatedAt() {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 12;
    return "Created at: " + support::DateTimeToStr(t);
  }
};

}  // namespace

TEST_F(ReplaceRun, LogOfAFolderRunLineByLine) {
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  dir.Write("sub/Plain.pas", kPlain);
  options.ViewLog = true;
  ASSERT_TRUE(RunFolder(false));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            "BDE Migration Wizard log",
                            CreatedAt(),
                            "Initializing unit list",
                            "Allocating temporary folder",
                            "Processing file: " + dir.Path("Main.pas"),
                            "1 change(s)",
                            "Processing file: " + dir.Path("Main.dfm"),
                            "1 change(s)",
                            "Creating backup folder",
                            "Backup file: " + dir.Path("RBackup/RExpert.reu"),
                            "Replacing original files with changed versions",
                            "Removing temporary folder",
                            "Replace procedure was performed sucessfully.",
                        }));
  EXPECT_EQ(shell.opened, std::vector<std::string>{dir.Path("Wiz_Log.txt")});
  EXPECT_EQ(cursor.started, 1);
  EXPECT_EQ(cursor.stopped, 1);
  EXPECT_EQ(dir.Read("sub/Plain.pas"), kPlain);  // sub-folders only when asked
  ExpectNoTemporaryFolder();
}

TEST_F(ReplaceRun, NothingToReplaceWritesNothing) {
  dir.Write("Plain.pas", kPlain);
  options.ViewLog = true;
  options.WriteLog = false;
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("Plain.pas"), kPlain);
  EXPECT_FALSE(dir.Exists("Wiz_Log.txt"));
  EXPECT_TRUE(shell.opened.empty());  // ViewLog without a log opens nothing
  EXPECT_FALSE(dir.Exists("RBackup"));  // no backup folder, no undo file
  EXPECT_EQ(replacer->UndoFileName(), "");
  // The report alone: it says that nothing was left to convert.
  EXPECT_EQ(fs.ChangesUnder(dir.path()),
            std::vector<std::string>{"write " + dir.Path("Wiz_Report.txt")});

  options.WriteLog = true;
  ASSERT_TRUE(RunFolder());
  std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[4], "Processing file: " + dir.Path("Plain.pas"));
  EXPECT_EQ(lines[5], "No changes");
  EXPECT_FALSE(dir.Exists("RBackup"));
}

TEST_F(ReplaceRun, FailuresLeaveEveryOriginalAndNoTemporaryFolder) {
  dir.Write("a/Main.pas", kUnit);
  dir.Write("a/Main.dfm", kForm);
  dir.Write("b/Main.pas", kUnit);
  dir.Write("b/Main.dfm", "\xFF\x0A\x00T\x00\x30\x10\x08\x00\x00\x00TPF0\x02T"s);  // cut short
  EXPECT_THROW(RunFolder(), support::EFOpenError);
  EXPECT_EQ(dir.Read("a/Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("a/Main.dfm"), kForm);
  EXPECT_EQ(dir.Read("b/Main.pas"), kUnit);
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
  ExpectNoTemporaryFolder();
  EXPECT_EQ(cursor.stopped, cursor.started);
  std::string log = dir.Read("Wiz_Log.txt");
  EXPECT_EQ(log.find("sucessfully"), std::string::npos);

  // An unreadable file stops the run the same way.
  dir.Write("b/Main.dfm", kForm);
  fs.failRead.insert(dir.Path("b/Main.dfm"));
  EXPECT_THROW(RunFolder(), support::EFOpenError);
  EXPECT_EQ(dir.Read("a/Main.pas"), kUnit);
  ExpectNoTemporaryFolder();
}

TEST_F(ReplaceRun, NoTemporaryFolderStopsBeforeAnyFileIsRead) {
  dir.Write("Main.pas", kUnit);
  fs.noTempDirectory = true;
  try {
    RunFolder();
    ADD_FAILURE();
  } catch (const support::EFCreateError& e) {
    EXPECT_STREQ(e.what(), "Failed to create a temporary folder: no temporary folder is configured.");
  }
  for (const std::string& op : fs.log) EXPECT_NE(op.rfind("read ", 0), 0u) << op;
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
}

TEST_F(ReplaceRun, BackupFolderThatCannotBeMade) {
  dir.Write("Main.pas", kUnit);
  fs.failMakeDir.insert(dir.Path("RBackup"));
  try {
    RunFolder();
    ADD_FAILURE();
  } catch (const support::EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Failed to create directory. \"" + dir.Path("RBackup") + "\": Input/output error");
  }
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(cursor.stopped, 1);
}

TEST_F(ReplaceRun, FailedCopyBackIsNoSuccess) {
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  fs.failOverwrite.insert(dir.Path("Main.pas"));
  EXPECT_FALSE(RunFolder(false));
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Main.dfm"), kForm);  // not replaced after the failure either
  std::vector<std::string> lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Not replaced: " + dir.Path("Main.pas")), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Not replaced: " + dir.Path("Main.dfm")), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "Replace procedure was performed sucessfully."),
            lines.end());
  ExpectNoTemporaryFolder();
}

TEST_F(ReplaceRun, FailedBackupCopyStopsTheRun) {
  dir.Write("Main.pas", kUnit);
  fs.failCopyTo.insert(dir.Path("RBackup/Main.~pas"));
  EXPECT_THROW(RunFolder(), support::EFCreateError);
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
}

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST_F(ReplaceRun, LinkCyclesAreSearchedOnce, "symbolic links")
#else
TEST_F(ReplaceRun, LinkCyclesAreSearchedOnce) {
  dir.Write("Main.pas", kUnit);
  dir.Write("sub/Other.pas", kUnit);
  ASSERT_EQ(symlink(dir.path().c_str(), dir.Path("sub/loop").c_str()), 0);
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(replacer->ChangedFiles().size(), 2u);
}
#endif

TEST_F(ReplaceRun, DryRunTouchesNothing) {
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  replacer->SetDryRun(true);
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Main.dfm"), kForm);
  EXPECT_FALSE(dir.Exists("RBackup"));
  EXPECT_FALSE(dir.Exists("Wiz_Log.txt"));
  ASSERT_EQ(replacer->ChangedFiles().size(), 2u);
  EXPECT_EQ(replacer->ChangedFiles()[1].FileName, dir.Path("Main.dfm"));
  ExpectNoTemporaryFolder();
}

// Converted copies of a dry run are shown, never kept or written, however
// little memory they may take.
TEST_F(ReplaceRun, DryRunShowsEveryConvertedCopy) {
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", kForm);
  std::map<std::string, std::string> shown;
  replacer->OnFileConverted = [&shown](const std::string& f, const std::string& b) { shown[f] = b; };
  replacer->SetMemoryForCopies(0);
  replacer->SetDryRun(true);
  ASSERT_TRUE(RunFolder());
  ASSERT_EQ(shown.size(), 2u);
  replacer->OnFileConverted = nullptr;
  replacer->SetDryRun(false);
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(shown[dir.Path("Main.pas")], dir.Read("Main.pas"));
  EXPECT_EQ(shown[dir.Path("Main.dfm")], dir.Read("Main.dfm"));
  ExpectNoTemporaryFolder();
}

TEST_F(ReplaceRun, ReplaceThenRestoreInEitherDestination) {
  const std::string binary = platform::WriteResourceForm("TF", platform::ObjectTextToBinary(kForm));
  dir.Write("Project1.dpr", "program Project1;\r\nuses Main in 'Main.pas';\r\nbegin end.\r\n");
  dir.Write("Main.pas", kUnit);
  dir.Write("Main.dfm", binary);
  dir.Write("deep/er/Unit2.pas", kUnit);
  dir.Write("deep/er/Unit2.dfm", kForm);

  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("RBackup/deep/er/Unit2.~pas"), kUnit);
  EXPECT_EQ(dir.Read("RBackup/Main.~dfm"), binary);
  const std::string undo = dir.Path("RBackup/RExpert.reu");
  EXPECT_EQ(replacer->UndoFileName(), undo);
  EXPECT_NE(dir.Read("Main.dfm"), binary);

  ASSERT_TRUE(replacer->PerformRestore(undo)) << replacer->RestoreError();
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Main.dfm"), binary);
  EXPECT_EQ(dir.Read("deep/er/Unit2.pas"), kUnit);
  EXPECT_EQ(dir.Read("deep/er/Unit2.dfm"), kForm);
  EXPECT_EQ(replacer->RestoredFiles().size(), 4u);
  // What was restored is retired: undo file and copies are gone.
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
  EXPECT_FALSE(dir.Exists("RBackup/deep"));
  EXPECT_FALSE(dir.Exists("RBackup/Main.~pas"));

  ASSERT_TRUE(RunProject("Project1.dpr", "Main.pas\r\n"));
  EXPECT_EQ(dir.Read("RBackup/RExpert.reu"),
            dir.Path("Main.pas") + "=" + dir.Path("RBackup/Main.~pas") + "\r\n" +
                dir.Path("Main.dfm") + "=" + dir.Path("RBackup/Main.~dfm") + "\r\n");
  ASSERT_TRUE(replacer->PerformRestore(undo));
  EXPECT_EQ(dir.Read("Main.pas"), kUnit);
  EXPECT_EQ(dir.Read("Main.dfm"), binary);
  EXPECT_EQ(ide->Reloaded().size(), 0u);  // reloading is the wizard object's, not the run's
}

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST_F(ReplaceRun, RestoreRefusesBeforeCopyingAnything, "symbolic links")
#else
TEST_F(ReplaceRun, RestoreRefusesBeforeCopyingAnything) {
  TempDir elsewhere;
  elsewhere.Write("passwd.~pas", "not a backup of ours");
  dir.Write("a.pas", "converted a");
  dir.Write("b.pas", "converted b");
  dir.Write("bak/a.~pas", "original a");
  const std::string a = dir.Path("a.pas") + "=" + dir.Path("bak/a.~pas") + "\r\n";
  struct Case { std::string undo; std::string error; } cases[] = {
      {"", "Undo file \"" + dir.Path("u.reu") + "\" lists no files."},
      {a + dir.Path("b.pas") + "=" + dir.Path("bak/b.~pas") + "\r\n",
       "Backup copy \"" + dir.Path("bak/b.~pas") + "\" does not exist."},
      {a + "garbage\r\n", "Undo file line 2 is not of the form file=backup."},
      {a + dir.Path("b.pas") + "=" + elsewhere.Path("passwd.~pas") + "\r\n",
       "Undo file line 2 is refused (its backup copy lies outside the folder of the undo file): " +
           dir.Path("b.pas") + "=" + elsewhere.Path("passwd.~pas")},
      {a + dir.Path("bak/../../x") + "=" + dir.Path("bak/a.~pas") + "\r\n",
       "Undo file line 2 is refused (it names no unit or form file): " + dir.Path("bak/../../x") + "=" +
           dir.Path("bak/a.~pas")},
      {a + dir.Path("b.txt") + "=" + dir.Path("bak/a.~pas") + "\r\n",
       "Undo file line 2 is refused (it names no unit or form file): " + dir.Path("b.txt") + "=" +
           dir.Path("bak/a.~pas")},
  };
  for (const auto& c : cases) {
    dir.Write("u.reu", c.undo);
    EXPECT_FALSE(replacer->PerformRestore(dir.Path("u.reu")));
    EXPECT_EQ(replacer->RestoreError(), c.error);
    EXPECT_EQ(dir.Read("a.pas"), "converted a");
  }
  // A backup reached through a link that leads out of the folder is refused too.
  ASSERT_EQ(symlink(elsewhere.Path("passwd.~pas").c_str(), dir.Path("bak/b.~pas").c_str()), 0);
  dir.Write("u.reu", a + dir.Path("b.pas") + "=" + dir.Path("bak/b.~pas") + "\r\n");
  EXPECT_FALSE(replacer->PerformRestore(dir.Path("u.reu")));
  EXPECT_EQ(dir.Read("a.pas"), "converted a");
  EXPECT_EQ(dir.Read("b.pas"), "converted b");
  EXPECT_THROW(replacer->PerformRestore(dir.Path("none.reu")), support::EFOpenError);
}
#endif

TEST_F(ReplaceRun, OptionsLoadAndSave) {
  replace::TReplaceOptions fresh("BDE");
  EXPECT_EQ(fresh.Caption(), "BDE Migration Wizard");
  EXPECT_TRUE(fresh.MakeBackup && fresh.WriteLog && !fresh.ViewLog && !fresh.IncludeSubDirs);
  EXPECT_EQ(fresh.Dest, replace::TSearchDestination::sdProject);
  EXPECT_EQ(fresh.Layout, grammar::TObjectLayout::Kept);

  platform::TMemIniFile ini;
  fresh.Directory = "/keep";
  fresh.LoadFromIniFile(ini, fresh.Caption());  // an empty section keeps everything
  EXPECT_EQ(fresh.Directory, "/keep");
  ini.WriteInteger("BDE Migration Wizard", "Dest", 1);
  ini.WriteBool("BDE Migration Wizard", "ViewLog", true);
  fresh.LoadFromIniFile(ini, "bde migration wizard");
  EXPECT_EQ(fresh.Dest, replace::TSearchDestination::sdDirectory);
  EXPECT_TRUE(fresh.ViewLog);
  ini.WriteInteger("BDE Migration Wizard", "Dest", 7);  // unknown: kept as it is
  fresh.LoadFromIniFile(ini, "BDE Migration Wizard");
  EXPECT_EQ(fresh.Dest, replace::TSearchDestination::sdDirectory);

  fresh.IncludeSubDirs = true;
  fresh.SaveToIniFile(ini, "S");
  replace::TReplaceOptions other("BDE");
  other.LoadFromIniFile(ini, "S");
  EXPECT_EQ(other.Directory, "/keep");
  EXPECT_TRUE(other.IncludeSubDirs);
  EXPECT_EQ(other.Dest, replace::TSearchDestination::sdDirectory);
  EXPECT_EQ(ini.Sections().at("S").size(), 8u);  // BackupDir and ModuleList are not stored
  EXPECT_EQ(ini.ReadString("S", "Layout", ""), "kept");

  // The layout is kept by name; an unknown name keeps the current one.
  ini.WriteString("S", "Layout", "Design");
  other.LoadFromIniFile(ini, "S");
  EXPECT_EQ(other.Layout, grammar::TObjectLayout::Design);
  ini.WriteString("S", "Layout", "tidy");
  other.LoadFromIniFile(ini, "S");
  EXPECT_EQ(other.Layout, grammar::TObjectLayout::Design);
}
