// Nothing lost to another run, another program, a full disk or a power cut:
// one scenario per accident, each made to happen at a chosen file operation
// of the recorded file system, so that every one is deterministic.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/PosixOnly.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "streams/ComponentStream.h"
#include "replace/ReplaceFixture.h"
#include "support/FileErrors.h"

using namespace migwiz;
using namespace migwiz::testing;

namespace {

const std::string kUnit = "unit Main;\r\ninterface\r\nuses DBTables;\r\n{$R *.dfm}\r\nend.\r\n";
const std::string kForm = "object F: TForm\r\n  object Q: TQuery\r\n  end\r\nend\r\n";
const std::string kOther = "unit Other;\r\nuses DBTables;\r\nvar T: TTable;\r\nend.\r\n";

class Accidents2 : public ReplaceFixture {
 protected:
  Accidents2() { replacer->SetJobs(1); }  // the order of the operations is the list's
  void WriteTree() {
    dir.Write("Main.pas", kUnit);
    dir.Write("Main.dfm", kForm);
    dir.Write("sub/Other.pas", kOther);
  }
  bool TreeAsWritten() {
    return dir.Read("Main.pas") == kUnit && dir.Read("Main.dfm") == kForm &&
           dir.Read("sub/Other.pas") == kOther;
  }
  std::string Undo() { return dir.Path("RBackup/RExpert.reu"); }
  bool Has(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
  std::string LogText() { return dir.Read("Wiz_Log.txt"); }
  // The position of the first log entry starting so (log size when none).
  size_t At(const std::string& prefix) {
    auto it = std::find_if(fs.log.begin(), fs.log.end(),
                           [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    return static_cast<size_t>(it - fs.log.begin());
  }
  size_t LastAt(const std::string& prefix) {
    size_t last = fs.log.size();
    for (size_t n = 0; n < fs.log.size(); ++n)
      if (fs.log[n].rfind(prefix, 0) == 0) last = n;
    return last;
  }
};

}  // namespace

// 1. A second run on a tree in use refuses at once and changes nothing; a
// lock whose holder died is taken over; no lock file stays behind.
TEST_F(Accidents2, TwoRunsOnOneTree) {
  WriteTree();
  const std::string lockFile = dir.Path("Wiz_Run.lock");
  {
    std::string holder, err;
    auto held = platform::SystemFileSystem().TryLock(lockFile, holder, err);  // another run
    ASSERT_TRUE(held) << err;
    try {
      RunFolder();
      ADD_FAILURE() << "a second run went ahead";
    } catch (const replace::ERunBusy& e) {
      EXPECT_EQ(std::string(e.what()), "\"" + dir.path() + "\" is being converted or restored by another "
                                       "run (pid " + std::to_string(getpid()) + "); nothing was changed.");
    }
    EXPECT_TRUE(TreeAsWritten());
    EXPECT_FALSE(dir.Exists("Wiz_Log.txt"));
    EXPECT_FALSE(dir.Exists("RBackup"));
  }
  dir.Write("Wiz_Run.lock", "pid 999999\n");  // left by a run that was killed
  ASSERT_TRUE(RunFolder());
  EXPECT_FALSE(dir.Exists("Wiz_Run.lock"));
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu.lock"));

  // A replace started while a restore of the tree copies files back.
  auto second = replace::CreateTarnReplacer(options, {&fs, &cursor, &shell, {}});
  std::string refused;
  fs.beforeOperation = [&](const std::string& op) {
    if (op.rfind("overwrite ", 0) != 0 || !refused.empty()) return;
    refused = "running";
    try {
      second->PerformReplace();
      refused = "went ahead";
    } catch (const replace::ERunBusy& e) {
      refused = e.what();
    }
  };
  ASSERT_TRUE(replacer->PerformRestore(Undo())) << replacer->RestoreError();
  fs.beforeOperation = nullptr;
  EXPECT_NE(refused.find("is being converted or restored by another run"), std::string::npos) << refused;
  EXPECT_TRUE(TreeAsWritten());
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
  EXPECT_FALSE(dir.Exists("Wiz_Run.lock"));
}

// 2. An original changed after the run read it is not replaced; the run
// fails naming it and is undone, and the edit is kept.
TEST_F(Accidents2, OriginalEditedDuringTheRun) {
  struct Case {
    const char* name;
    std::string when;   // the operation before which the editor saves (its start)
    std::string file;   // what it saves
    bool sameSizeAndTime;
  } cases[] = {
      {"while converting", "read " + dir.Path("Main.dfm"), "Main.pas", false},
      // Units are read once, by the scan for class declarations before the
      // conversion: an edit after that read and before the conversion.
      {"between the scan and the conversion", "read " + dir.Path("sub/Other.pas"), "Main.pas", false},
      // The form comes last in the list: its check follows the first write.
      {"during the copy back", "overwrite ", "Main.dfm", false},
      {"same size and time", "overwrite ", "Main.dfm", true},
  };
  for (const Case& c : cases) {
    WriteTree();
    std::filesystem::remove_all(dir.Path("RBackup"));
    const std::string before = dir.Read(c.file);
    std::string edited = before;
    edited[edited.size() - 3] = 'X';  // same size
    bool saved = false;
    fs.beforeOperation = [&](const std::string& op) {
      if (saved || op.rfind(c.when, 0) != 0) return;
      saved = true;
      const auto time = std::filesystem::last_write_time(dir.Path(c.file));
      dir.Write(c.file, edited);
      if (c.sameSizeAndTime) std::filesystem::last_write_time(dir.Path(c.file), time);
    };
    EXPECT_FALSE(RunFolder()) << c.name;
    fs.beforeOperation = nullptr;
    EXPECT_TRUE(saved) << c.name;
    EXPECT_EQ(dir.Read(c.file), edited) << c.name;
    const std::pair<std::string, std::string> files[] = {
        {"Main.pas", kUnit}, {"Main.dfm", kForm}, {"sub/Other.pas", kOther}};
    for (const auto& [file, text] : files) {
      if (file != c.file) {
        EXPECT_EQ(dir.Read(file), text) << c.name << ": " << file;
      }
    }
    EXPECT_TRUE(Has(replacer->Warnings(), "Changed by another program while the run was converting it, "
                                          "not replaced: " + dir.Path(c.file))) << c.name;
    EXPECT_TRUE(replacer->OriginalsUnchanged()) << c.name;
    EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu")) << c.name;
  }
}

// 3. Files edited after the run are not restored over unless asked; a
// refused restore changes nothing.
TEST_F(Accidents2, RestoreOverEditsAfterTheRun) {
  WriteTree();
  ASSERT_TRUE(RunFolder());
  const std::string converted = dir.Read("Main.pas"), convertedForm = dir.Read("Main.dfm");
  dir.Write("Main.pas", converted + "{ the user's edit }");
  dir.Write("sub/Other.pas", kOther);  // already as its backup: not an edit
  EXPECT_FALSE(replacer->PerformRestore(Undo()));
  EXPECT_EQ(replacer->EditedFiles(), std::vector<std::string>{dir.Path("Main.pas")});
  EXPECT_NE(replacer->RestoreError().find("Changed since the run wrote it (restore with --force to lose "
                                          "the change): " + dir.Path("Main.pas")),
            std::string::npos) << replacer->RestoreError();
  EXPECT_EQ(dir.Read("Main.pas"), converted + "{ the user's edit }");
  EXPECT_EQ(dir.Read("Main.dfm"), convertedForm);
  EXPECT_TRUE(dir.Exists("RBackup/RExpert.reu"));
  EXPECT_TRUE(dir.Exists("RBackup/RExpert.sum"));

  replacer->SetRestoreOverEdits(true);
  ASSERT_TRUE(replacer->PerformRestore(Undo())) << replacer->RestoreError();
  EXPECT_TRUE(TreeAsWritten());
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.sum"));
}

// 4. Nothing is written outside the tree through a link or a path with "..".
// Links are made here with symlink(): on Windows only the ".." half runs.
TEST_F(Accidents2, NothingWrittenThroughLinksOrDotDot) {
  TempDir elsewhere;
  elsewhere.Write("precious.txt", "precious");
  WriteTree();
#ifndef _WIN32
  for (const char* name : {"Wiz_Log.txt", "Wiz_Report.txt"}) {
    ASSERT_EQ(symlink(elsewhere.Path("precious.txt").c_str(), dir.Path(name).c_str()), 0);
    try {
      RunFolder();
      ADD_FAILURE() << name;
    } catch (const support::EFCreateError& e) {
      EXPECT_NE(std::string(e.what()).find(dir.Path(name) + "\" is a symbolic link"), std::string::npos) << e.what();
    }
    EXPECT_EQ(elsewhere.Read("precious.txt"), "precious") << name;
    EXPECT_TRUE(TreeAsWritten()) << name;
    ASSERT_EQ(unlink(dir.Path(name).c_str()), 0);
  }
#endif

  ASSERT_TRUE(RunFolder());
  const std::string undo = dir.Read("RBackup/RExpert.reu");
#ifndef _WIN32
  // An original that became a link to a file elsewhere.
  std::filesystem::rename(dir.Path("Main.pas"), dir.Path("Main.pas.saved"));
  ASSERT_EQ(symlink(elsewhere.Path("precious.txt").c_str(), dir.Path("Main.pas").c_str()), 0);
  EXPECT_FALSE(replacer->PerformRestore(Undo()));
  EXPECT_NE(replacer->RestoreError().find("the file to restore is a symbolic link"), std::string::npos)
      << replacer->RestoreError();
  EXPECT_EQ(elsewhere.Read("precious.txt"), "precious");
  ASSERT_EQ(unlink(dir.Path("Main.pas").c_str()), 0);
  std::filesystem::rename(dir.Path("Main.pas.saved"), dir.Path("Main.pas"));
#endif

  // A line whose path climbs out with "..", or (on Windows) hides a level
  // behind the other delimiter, names the root of whichever drive is current
  // or names a stream of a file.
  std::vector<std::string> notPlain = {dir.Path("sub/../../x/Evil.pas")};
#ifdef _WIN32
  notPlain.push_back(dir.path() + "\\sub/../../x/Evil.pas");
  notPlain.push_back("\\Evil.pas");
  notPlain.push_back(dir.Path("Main.pas:Evil.pas"));
#endif
  for (const std::string& bad : notPlain) {
    dir.Write("RBackup/RExpert.reu", bad + "=" + dir.Path("RBackup/Main.~pas") + "\r\n" + undo);
    EXPECT_FALSE(replacer->PerformRestore(Undo())) << bad;
    EXPECT_NE(replacer->RestoreError().find("its path is not a plain absolute path"), std::string::npos)
        << replacer->RestoreError();
    EXPECT_NE(dir.Read("Main.pas"), kUnit);  // nothing restored
  }
}

// 5. A copy back that fails is undone: found before the first original is
// replaced where it can be, put back file by file where it cannot.
TEST_F(Accidents2, AFailedCopyBackIsUndone) {
  // A permission the mode bits do not show: nothing is backed up or replaced.
  WriteTree();
  fs.failCanWrite.insert(dir.Path("sub/Other.pas"));
  EXPECT_FALSE(RunFolder());
  fs.failCanWrite.clear();
  EXPECT_TRUE(TreeAsWritten());
  EXPECT_FALSE(dir.Exists("RBackup"));
  EXPECT_TRUE(Has(replacer->Warnings(), "Cannot be written, not replaced: cannot write \"" +
                                            dir.Path("sub/Other.pas") + "\""));

  // A full disk half-way through the last file (the form, which comes after
  // its unit): every file is put back.
  fs.failOverwriteHalfWay.insert(dir.Path("Main.dfm"));
  EXPECT_FALSE(RunFolder());
  fs.failOverwriteHalfWay.clear();
  EXPECT_TRUE(TreeAsWritten());
  EXPECT_TRUE(replacer->OriginalsUnchanged());
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
  EXPECT_FALSE(dir.Exists("RBackup/Main.~pas"));
  const std::string log = LogText();
  for (const char* file : {"Main.pas", "Main.dfm", "sub/Other.pas"})
    EXPECT_NE(log.find("Put back as it was: " + dir.Path(file)), std::string::npos) << file;
  EXPECT_EQ(log.find("Not replaced: "), std::string::npos);
  EXPECT_TRUE(Has(replacer->Warnings(), "every original already replaced was put back as it was"));
}

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST_F(Accidents2, ImmutableOriginalOnDisk,
                         "chattr +i (on Windows, RunSafety.ReadOnlyAndLockedOriginalsStopTheRunBeforeAnyChange "
                         "refuses an original that another program holds open)")
#else
TEST_F(Accidents2, ImmutableOriginalOnDisk) {
  WriteTree();
  if (geteuid() != 0 || std::system(("chattr +i '" + dir.Path("Main.dfm") + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "chattr +i is not available here (needs root and a file system with the flag)";
  const bool ok = RunFolder();
  std::system(("chattr -i '" + dir.Path("Main.dfm") + "'").c_str());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(TreeAsWritten());
  EXPECT_TRUE(Has(replacer->Warnings(), "Cannot be written, not replaced: cannot write \"" + dir.Path("Main.dfm")));
}
#endif

// 6. A restore checks every line before it copies, and puts back what it
// restored when a copy fails.
TEST_F(Accidents2, RestoreIsAllOrNothing) {
  WriteTree();
  ASSERT_TRUE(RunFolder());
  const std::string converted = dir.Read("Main.pas"), convertedOther = dir.Read("sub/Other.pas");
  fs.failOverwriteHalfWay.insert(dir.Path("sub/Other.pas"));
  EXPECT_FALSE(replacer->PerformRestore(Undo()));
  fs.failOverwriteHalfWay.clear();
  EXPECT_NE(replacer->RestoreError().find("Every file already restored was put back as it was"),
            std::string::npos) << replacer->RestoreError();
  EXPECT_EQ(dir.Read("Main.pas"), converted);
  EXPECT_EQ(dir.Read("sub/Other.pas"), convertedOther);
  EXPECT_TRUE(dir.Exists("RBackup/RExpert.reu"));

  // A path of a megabyte, and a folder outside the run: refused, no folder made.
  const std::string undo = dir.Read("RBackup/RExpert.reu");
  const std::string delim(1, platform::kPathDelim);
  std::string deep = dir.path();
  while (deep.size() < (1 << 20)) deep += delim + "d";
#ifdef _WIN32
  const std::string outside = dir.path().substr(0, 3) + "nonexistent-migwiz-folder";  // on the drive's root
#else
  const std::string outside = "/nonexistent-migwiz-folder";
#endif
  for (const std::string& bad : {deep + delim + "X.pas", outside + delim + "X.pas"}) {
    dir.Write("RBackup/RExpert.reu", undo + bad + "=" + dir.Path("RBackup/Main.~pas") + "\r\n");
    EXPECT_FALSE(replacer->PerformRestore(Undo())) << bad.size();
    EXPECT_NE(replacer->RestoreError().find("is refused"), std::string::npos) << replacer->RestoreError().substr(0, 200);
    EXPECT_FALSE(dir.Exists("d"));
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_EQ(dir.Read("Main.pas"), converted);
  }
  dir.Write("RBackup/RExpert.reu", undo);
  std::filesystem::remove_all(dir.Path("sub"));  // a folder of the run that went: made again
  ASSERT_TRUE(replacer->PerformRestore(Undo())) << replacer->RestoreError();
  EXPECT_TRUE(TreeAsWritten());
}

// 7. Backups and the undo file reach the disk before the first original is
// replaced, the originals before the run reports success, and the restored
// files before the backups go.
TEST_F(Accidents2, WhatIsWrittenIsFlushedInOrder) {
  WriteTree();
  ASSERT_TRUE(RunFolder());
  const size_t firstOverwrite = At("overwrite "), lastOverwrite = LastAt("overwrite ");
  const size_t backupSync = At("sync " + dir.Path("RBackup"));
  EXPECT_GT(backupSync, LastAt("copy "));
  EXPECT_GT(backupSync, At("write " + dir.Path("RBackup/RExpert.reu")));
  EXPECT_GT(backupSync, At("write " + dir.Path("RBackup/RExpert.sum")));
  EXPECT_LT(backupSync, firstOverwrite);
  EXPECT_GT(LastAt("sync "), lastOverwrite);
  EXPECT_EQ(fs.Count("sync "), 2u);  // one a stage, not one a file

  fs.log.clear();
  ASSERT_TRUE(replacer->PerformRestore(Undo()));
  EXPECT_GT(At("sync "), LastAt("overwrite "));
  EXPECT_LT(At("sync "), At("delete " + Undo()));

  // A flush that fails before the copy back: the run fails, undone.
  fs.failSync.insert(dir.Path("RBackup"));
  EXPECT_THROW(RunFolder(), support::EWriteError);
  fs.failSync.clear();
  EXPECT_TRUE(TreeAsWritten());
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
}

// 8. Every byte of a form is kept: a text form with a NUL is refused whole
// (and its converted unit named), a binary form keeps what follows its root.
TEST_F(Accidents2, FormsKeepEveryByte) {
  dir.Write("Main.pas", kUnit);
  std::string withNul = kForm;
  withNul.insert(20, std::string(1, '\0'));
  dir.Write("Main.dfm", withNul);
  const std::string trailer("\0\0\x01tail", 7);
  dir.Write("Data.pas", "unit Data;\r\nuses DBTables;\r\n{$R *.dfm}\r\nend.\r\n");
  const std::string binary = platform::WriteResourceForm("TDM", platform::ObjectTextToBinary(
      "object DM: TDataModule\r\n  object T: TTable\r\n  end\r\nend\r\n"));
  dir.Write("Data.dfm", binary + trailer);
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("Main.dfm"), withNul);
  EXPECT_NE(dir.Read("Main.pas"), kUnit);
  const auto& w = replacer->Warnings();
  EXPECT_TRUE(Has(w, "Form holds a NUL character on line 2 and was left unconverted: " + dir.Path("Main.dfm")));
  EXPECT_TRUE(Has(w, "Unit " + dir.Path("Main.pas") + " was converted, but its form " + dir.Path("Main.dfm") +
                         " was left unconverted"));
  const std::string data = dir.Read("Data.dfm");
  EXPECT_NE(data.find("TTarnTable"), std::string::npos);
  ASSERT_GE(data.size(), trailer.size());
  EXPECT_EQ(data.substr(data.size() - trailer.size()), trailer);
}

// 9. Set-user-id and set-group-id bits that a write takes away are given
// back, by the run and by the restore.
#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST_F(Accidents2, SpecialModeBitsAreGivenBack,
                         "Windows files have no set-user-id or set-group-id bits")
#else
TEST_F(Accidents2, SpecialModeBitsAreGivenBack) {
  WriteTree();
  ASSERT_EQ(chmod(dir.Path("Main.pas").c_str(), 04755), 0);
  fs.writesClearSpecialBits = true;  // as for a user without the right to keep them
  ASSERT_TRUE(RunFolder());
  struct stat st {};
  stat(dir.Path("Main.pas").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 04755u);
  EXPECT_NE(dir.Read("Main.pas"), kUnit);
  ASSERT_TRUE(replacer->PerformRestore(Undo())) << replacer->RestoreError();
  stat(dir.Path("Main.pas").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 04755u);
  EXPECT_TRUE(TreeAsWritten());
}
#endif

// Converted copies that wait in the run's spill file are checked as they are
// read back: a spill file that another program changed stops the copy back
// before the copy it garbled reaches an original.
#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST_F(Accidents2, AChangedSpillFileStopsTheCopyBack,
                         "the run holds its spill file open without sharing write access")
#else
TEST_F(Accidents2, AChangedSpillFileStopsTheCopyBack) {
  WriteTree();
  replacer->SetMemoryForCopies(0);  // every converted copy through the spill file
  std::string spill;
  fs.beforeOperation = [&](const std::string& entry) {
    const std::string name = "/@spill";
    if (!spill.empty() || entry.rfind("read ", 0) != 0 || entry.size() < name.size() ||
        entry.compare(entry.size() - name.size(), name.size(), name) != 0)
      return;
    spill = entry.substr(5);
    std::string bytes = ReadAll(spill);
    ASSERT_FALSE(bytes.empty());
    bytes[0] ^= 1;
    std::FILE* f = std::fopen(spill.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, 1, f);
    std::fclose(f);
  };
  EXPECT_FALSE(RunFolder());
  fs.beforeOperation = nullptr;
  ASSERT_FALSE(spill.empty());
  EXPECT_TRUE(TreeAsWritten());
  EXPECT_TRUE(replacer->OriginalsUnchanged());
  EXPECT_EQ(fs.Count("overwrite "), 0u);
  EXPECT_TRUE(Has(replacer->Warnings(), "The run's temporary file \"" + spill + "\" was changed by another program"));
  EXPECT_FALSE(dir.Exists("RBackup/RExpert.reu"));
}
#endif
