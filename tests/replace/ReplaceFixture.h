// A replace run on files in a temporary folder, with the machine's file
// system recorded, a fixed clock, and a temporary folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/OpenToolsAPI.h"
#include "platform/StandaloneIDE.h"
#include "replace/TarnReplacer.h"
#include "testing/RecordingFileSystem.h"
#include "testing/RecordingShell.h"
#include "testing/TempDir.h"

namespace migwiz::testing {

class CountingCursor : public platform::IBusyCursor {
 public:
  int started = 0, stopped = 0;
  void StartWait() override { ++started; }
  void StopWait() override { ++stopped; }
};

class ReplaceFixture : public ::testing::Test {
 protected:
  ReplaceFixture() : options(replace::kTarnSourceName) {
    // The byte-exact expectations of these runs are written in the rebuilt
    // layout; tests of the kept layout ask for it.
    options.Layout = grammar::TObjectLayout::Design;
    fs.tempDirectory = tmp.path();
    replace::TReplaceEnvironment env;
    env.fs = &fs;
    env.cursor = &cursor;
    env.shell = &shell;
    env.clock = [] {
      std::tm t{};
      t.tm_year = 126;
      t.tm_mon = 11;
      t.tm_mday = 7;
      t.tm_hour = 12;
      return t;
    };
    replacer = replace::CreateTarnReplacer(options, env);
  }
  ~ReplaceFixture() override { platform::BorlandIDEServices = nullptr; }

  // A folder run over the project folder.
  bool RunFolder(bool subDirs = true) { return RunFolder(dir.path(), subDirs); }
  bool RunFolder(const std::string& folder, bool subDirs) {
    options.Dest = replace::TSearchDestination::sdDirectory;
    options.Directory = folder;
    options.IncludeSubDirs = subDirs;
    options.BackupDir = dir.Path("RBackup");
    return replacer->PerformReplace();
  }

  // A project run over the chosen units of a project file.
  bool RunProject(const std::string& projectFile, const std::string& moduleList) {
    ide = std::make_unique<platform::TStandaloneIDE>(fs);
    platform::BorlandIDEServices = ide.get();
    EXPECT_TRUE(ide->OpenProject(dir.Path(projectFile), true)) << ide->LastError();
    options.Dest = replace::TSearchDestination::sdProject;
    options.ModuleList = moduleList;
    options.BackupDir = dir.Path("RBackup");
    return replacer->PerformReplace();
  }

  // The temporary folder holds nothing once a run is over.
  void ExpectNoTemporaryFolder() {
    std::vector<platform::DirEntry> entries;
    fs.ListDirectory(tmp.path(), entries);
    EXPECT_TRUE(entries.empty()) << entries.size() << " left, first " << entries[0].name;
  }

  TempDir dir;  // the project
  TempDir tmp;  // the host's temporary folder
  RecordingFileSystem fs;
  CountingCursor cursor;
  RecordingShell shell;
  replace::TReplaceOptions options;
  std::unique_ptr<replace::TComponentReplacer> replacer;
  std::unique_ptr<platform::TStandaloneIDE> ide;
};

}  // namespace migwiz::testing
