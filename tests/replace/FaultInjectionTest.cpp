// A fault at every step: the k-th file operation of a run fails, for every
// k of a clean run (locks, reads, the check of each original before it is
// replaced, backups, flushes, the copy back). Whatever fails, the run says
// so truthfully, and a run that fails leaves every original as it was: a
// copy back that fails half-way is undone. A second fault during that undo
// leaves every original as it was or restorable with the undo file.
#include <gtest/gtest.h>

#include <map>

#include "streams/ComponentStream.h"
#include "platform/OpenToolsAPI.h"
#include "platform/StandaloneIDE.h"
#include "replace/TarnReplacer.h"
#include "support/TextFile.h"
#include "testing/RecordingFileSystem.h"
#include "testing/TempDir.h"

using namespace migwiz;
using namespace migwiz::testing;

namespace {

using Files = std::map<std::string, std::string>;

const std::string kMainForm =
    "object F: TForm\r\n  object Db: TDatabase\r\n    DatabaseName = 'Sales'\r\n  end\r\n"
    "  object Q: TQuery\r\n    DatabaseName = 'Sales'\r\n  end\r\nend\r\n";
const std::string kDataForm = "object DM: TDataModule\r\n  object T: TTable\r\n  end\r\nend\r\n";

Files Fixture() {
  const std::string unit = "uses DBTables;\r\n{$R *.dfm}\r\nend.\r\n";
  return {
      {"App.dpr", "program App;\r\nuses Main in 'Main.pas', Data in 'sub\\Data.pas', Wide in 'Wide.pas';\r\nbegin end.\r\n"},
      {"Main.pas", "unit Main;\r\n" + unit},
      {"Main.dfm", kMainForm},
      {"sub/Data.pas", "unit Data;\r\n" + unit},
      {"sub/Data.dfm", platform::WriteResourceForm("TDM", platform::ObjectTextToBinary(kDataForm))},
      {"Wide.pas", "\xFF\xFE" + support::EncodeText("unit Wide;\r\nuses DBTables;\r\nvar Q: TQuery;\r\nend.\r\n",
                                                   support::TEncoding::Utf16LE)},
      {"sub/Plain.pas", "unit Plain;\r\nend.\r\n"},
  };
}

struct Outcome {
  bool threw = false;
  bool result = false;
  bool copyBackBegan = false;
  bool warned = false;
  bool unchanged = false;  // the replacer says every original is as it was
};

// One run over a fresh copy of the fixture, its k-th operation failing.
class Trial {
 public:
  Trial(bool project, size_t failAt, bool copiesOnDisk)
      : options_(replace::kTarnSourceName), project_(project) {
    for (const auto& [rel, bytes] : Fixture()) dir_.Write(rel, bytes);
    fs_.tempDirectory = tmp_.path();
    replace::TReplaceEnvironment env;
    env.fs = &fs_;
    replacer_ = replace::CreateTarnReplacer(options_, env);
    if (copiesOnDisk) replacer_->SetMemoryForCopies(0);  // every copy through the temporary folder
    options_.BackupDir = dir_.Path("RBackup");
    if (project_) {
      ide_ = std::make_unique<platform::TStandaloneIDE>(fs_);
      platform::BorlandIDEServices = ide_.get();
      ide_->OpenProject(dir_.Path("App.dpr"), true);
      options_.Dest = replace::TSearchDestination::sdProject;
      options_.ModuleList = "Main.pas\r\nData.pas\r\nWide.pas\r\n";
    } else {
      options_.Dest = replace::TSearchDestination::sdDirectory;
      options_.Directory = dir_.path();
      options_.IncludeSubDirs = true;
    }
    fs_.failAt = failAt;
  }
  ~Trial() { platform::BorlandIDEServices = nullptr; }

  Outcome Run() {
    Outcome o;
    try {
      o.result = replacer_->PerformReplace();
    } catch (const std::exception&) {
      o.threw = true;
    }
    o.warned = !replacer_->Warnings().empty();
    o.unchanged = replacer_->OriginalsUnchanged();
    for (const std::string& op : fs_.log)
      if (op.rfind("overwrite ", 0) == 0) o.copyBackBegan = true;
    fs_.failAt = 0;
    fs_.failAlsoAt.clear();
    return o;
  }
  void FailAlsoAt(size_t k) { fs_.failAlsoAt.insert(k); }
  bool UndoFileLeft() const { return dir_.Exists("RBackup/RExpert.reu"); }
  bool LockLeft() const { return dir_.Exists("Wiz_Run.lock") || dir_.Exists("RBackup/RExpert.reu.lock"); }
  // The number of the first operation whose log entry starts so, after the given one.
  size_t FirstOperation(const std::string& prefix, size_t after = 0) const {
    for (size_t n = after; n < fs_.log.size(); ++n)
      if (fs_.log[n].rfind(prefix, 0) == 0) return n + 1;
    return 0;
  }

  bool Restore() {
    std::string undo = dir_.Path("RBackup/RExpert.reu");
    return dir_.Exists("RBackup/RExpert.reu") && replacer_->PerformRestore(undo);
  }

  Files Units() const {
    Files files;
    for (const auto& [rel, bytes] : Fixture()) files[rel] = dir_.Read(rel);
    return files;
  }
  bool TemporaryFolderLeft() {
    std::vector<platform::DirEntry> entries;
    fs_.ListDirectory(tmp_.path(), entries);
    return !entries.empty();
  }
  size_t Operations() const { return fs_.operations; }
  const std::string& FailedOperation() const { return fs_.failedOperation; }

 private:
  TempDir dir_, tmp_;
  RecordingFileSystem fs_;
  replace::TReplaceOptions options_;
  std::unique_ptr<replace::TComponentReplacer> replacer_;
  std::unique_ptr<platform::TStandaloneIDE> ide_;
  bool project_;
};

size_t TryEveryFailure(bool project, bool copiesOnDisk = false) {
  Files converted;
  size_t count;
  {
    Trial clean(project, 0, copiesOnDisk);
    Outcome o = clean.Run();
    EXPECT_TRUE(o.result && !o.warned);
    converted = clean.Units();
    count = clean.Operations();
  }
  EXPECT_NE(converted, Fixture());
  for (size_t k = 1; k <= count; ++k) {
    Trial trial(project, k, copiesOnDisk);
    Outcome o = trial.Run();
    const std::string what = "failing operation " + std::to_string(k) + ": " + trial.FailedOperation();
    EXPECT_FALSE(trial.TemporaryFolderLeft()) << what;
    EXPECT_FALSE(trial.LockLeft()) << what;
    if (o.result && !o.threw) {
      // Success is only claimed for a complete run, or with a warning.
      if (trial.Units() != converted) {
        EXPECT_TRUE(o.warned) << what;
      }
      if (!o.warned) {
        EXPECT_EQ(trial.Units(), converted) << what;
      }
      continue;
    }
    // Failed: undone, with no undo file left to describe a change that is not there.
    if (o.copyBackBegan) {
      EXPECT_TRUE(o.unchanged) << what;
    }
    EXPECT_FALSE(trial.UndoFileLeft()) << what;
    EXPECT_EQ(trial.Units(), Fixture()) << what;
  }
  return count;
}

// The copy back fails at the second original; then, for each operation of
// the undo in turn, that operation fails too.
size_t TryEveryFailureOfTheUndo(bool project) {
  size_t secondOverwrite, undoOperations;
  {
    Trial clean(project, 0, false);
    clean.Run();
    secondOverwrite = clean.FirstOperation("overwrite ", clean.FirstOperation("overwrite "));
  }
  {
    Trial once(project, secondOverwrite, false);
    Outcome o = once.Run();
    EXPECT_TRUE(!o.result && o.unchanged);
    undoOperations = once.Operations() - secondOverwrite;
    EXPECT_EQ(once.Units(), Fixture());
  }
  for (size_t extra = 1; extra <= undoOperations; ++extra) {
    Trial trial(project, secondOverwrite, false);
    trial.FailAlsoAt(secondOverwrite + extra);
    Outcome o = trial.Run();
    const std::string what = "second failure at operation " + std::to_string(secondOverwrite + extra) +
                             ": " + trial.FailedOperation();
    EXPECT_FALSE(o.result) << what;
    EXPECT_FALSE(trial.TemporaryFolderLeft()) << what;
    if (!o.unchanged) {
      EXPECT_TRUE(trial.Restore()) << what;  // the undo file stays when the undo was not complete
    }
    EXPECT_EQ(trial.Units(), Fixture()) << what;
  }
  return undoOperations;
}

}  // namespace

TEST(FaultInjection, EveryFailingOperationOfAProjectRun) {
  size_t points = TryEveryFailure(true);
  std::printf("project run: %zu failure points tried\n", points);
  EXPECT_GT(points, 40u);
}

TEST(FaultInjection, EveryFailingOperationOfARecursiveFolderRun) {
  size_t points = TryEveryFailure(false);
  std::printf("folder run: %zu failure points tried\n", points);
  EXPECT_GT(points, 40u);
}

TEST(FaultInjection, EveryFailingOperationOfTheUndoOfAFailedCopyBack) {
  size_t project = TryEveryFailureOfTheUndo(true), folder = TryEveryFailureOfTheUndo(false);
  std::printf("undo of a failed copy back: %zu and %zu failure points tried\n", project, folder);
  EXPECT_GT(project, 3u);
  EXPECT_GT(folder, 3u);
}

TEST(FaultInjection, EveryFailingOperationWithConvertedCopiesOnDisk) {
  size_t project = TryEveryFailure(true, true), folder = TryEveryFailure(false, true);
  std::printf("with copies on disk: %zu and %zu failure points tried\n", project, folder);
  EXPECT_GT(project, 50u);
  EXPECT_GT(folder, 55u);
}
