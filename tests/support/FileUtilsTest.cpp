#include "support/FileUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "platform/Paths.h"
#include "testing/RecordingFileSystem.h"
#include "testing/TempDir.h"
#include "testing/PosixOnly.h"

using namespace migwiz::support;
using migwiz::testing::RecordingFileSystem;
using migwiz::testing::TempDir;

// The rules are the same on every system, with its own delimiter.
std::string N(const char* path) { return migwiz::platform::NativePath(path); }

TEST(ConcatPath, JoinsWithOneDelimiter) {
  struct Case { const char* path; const char* name; const char* expected; } cases[] = {
      {"/a", "", "/a/"},     {"/a/", "b", "/a/b"}, {"/a", "/b", "/a/b"},
      {"", "b", "b"},        {"/a", "/", "/a//"},  {"", "/sub/a.pas", "sub/a.pas"},
      {"", "", ""},          {"/", "x", "/x"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ConcatPath(N(c.path), N(c.name)), N(c.expected)) << c.path << " + " << c.name;
}

TEST(PathParts, ExtensionOnlyAfterLastDelimiter) {
  EXPECT_EQ(ExtractFileExt(N("/w/Unit1.pas")), ".pas");
  EXPECT_EQ(ExtractFileExt(N("/dir.x/file")), "");
  EXPECT_EQ(ExtractFileExt("name."), ".");
  EXPECT_EQ(ChangeFileExt(N("/dir.x/file"), ".~"), N("/dir.x/file.~"));
  EXPECT_EQ(ExtractFileName(N("/w/sub/Unit1.pas")), "Unit1.pas");
  EXPECT_EQ(ExtractFilePath(N("/w/sub/Unit1.pas")), N("/w/sub/"));
  EXPECT_EQ(ExtractFileDir(N("/w/sub/Unit1.pas")), N("/w/sub"));
  EXPECT_EQ(ExtractFileDir(N("/Unit1.pas")), N("/"));
  EXPECT_EQ(ExtractFilePath("Unit1.pas"), "");
}

TEST(GetBackupFileName, ReplacesTheExtension) {
  EXPECT_EQ(GetBackupFileName(N("/p/Unit1.pas")), N("/p/Unit1.~pas"));
  EXPECT_EQ(GetBackupFileName(N("/p/Unit1.DFM")), N("/p/Unit1.~DFM"));
  EXPECT_EQ(GetBackupFileName("Project1.dpr"), "Project1.~dpr");
  EXPECT_EQ(GetBackupFileName("Makefile"), "Makefile.~");
  EXPECT_EQ(GetBackupFileName("name."), "name.~");
  EXPECT_EQ(GetBackupFileName(N("/dir.x/file")), N("/dir.x/file.~"));
}

TEST(ForceDirectory, CreatesEveryMissingLevel) {
  TempDir tmp;
  EXPECT_TRUE(ForceDirectory(tmp.Path("a/b/c")));
  EXPECT_TRUE(tmp.Exists("a/b/c"));
  EXPECT_TRUE(ForceDirectory(tmp.Path("a/b/c")));  // all levels exist already
  EXPECT_TRUE(ForceDirectory(tmp.Path("x/y/")));   // trailing delimiter
  EXPECT_TRUE(tmp.Exists("x/y"));
  EXPECT_TRUE(ForceDirectory("/"));
  EXPECT_FALSE(ForceDirectory(""));
}

TEST(ForceDirectory, FailsBehindAFileAndKeepsOuterLevels) {
  TempDir tmp;
  tmp.Write("a/file", "x");
  EXPECT_FALSE(ForceDirectory(tmp.Path("a/file/b")));
  // The already-exists answer counts even for a file at the last level.
  EXPECT_TRUE(ForceDirectory(tmp.Path("a/file")));

  RecordingFileSystem fs;
  fs.failMakeDir.insert(tmp.Path("n/m"));
  EXPECT_FALSE(ForceDirectory(tmp.Path("n/m/k"), fs));
  EXPECT_TRUE(tmp.Exists("n"));
  EXPECT_FALSE(tmp.Exists("n/m"));
}

TEST(CreateTempDirectory, SkipsExistingFoldersAndCountsInHex) {
  TempDir tmp;
  RecordingFileSystem fs;
  fs.tempDirectory = tmp.path();
  tmp.MakeDir("$DS1");
  tmp.MakeDir("$DS2");
  EXPECT_EQ(CreateTempDirectory("$DS", 1, fs), tmp.Path("$DS3"));
  EXPECT_EQ(CreateTempDirectory("$DSxyz", 9, fs), tmp.Path("$DS9"));
  EXPECT_EQ(CreateTempDirectory("$DS", 10, fs), tmp.Path("$DSA"));
  EXPECT_TRUE(tmp.Exists("$DSA"));
}

TEST(CreateTempDirectory, SkipsTakenNamesAndSaysWhyItFails) {
  TempDir tmp;
  RecordingFileSystem fs;
  fs.noTempDirectory = true;
  EXPECT_EQ(CreateTempDirectory("$DS", 1, fs), "");

  std::string err;
  fs.noTempDirectory = false;
  fs.tempDirectory = tmp.Path("gone");
  EXPECT_EQ(CreateTempDirectory("$DS", 1, fs, &err), "");
  EXPECT_EQ(err, "the temporary folder \"" + tmp.Path("gone") + "\" (" + migwiz::platform::kTempDirVariable + ") does not exist");

  // A name taken by a file or a link is skipped like one taken by a folder.
  fs.tempDirectory = tmp.path();
  tmp.Write("$DS1", "a file, not a folder");
#ifdef _WIN32
  tmp.Write("$DS2", "no links made by symlink() here: another file");
#else
  ASSERT_EQ(symlink("nowhere", tmp.Path("$DS2").c_str()), 0);
#endif
  EXPECT_EQ(CreateTempDirectory("$DS", 1, fs), tmp.Path("$DS3"));
  // A counter whose low 16 bits are zero forms no name: the search ends.
  tmp.MakeDir("$DSFFFF");
  EXPECT_EQ(CreateTempDirectory("$DS", 0xFFFF, fs, &err), "");
  EXPECT_EQ(err, "every temporary name in \"" + tmp.path() + "\" is taken");
}

TEST(DeleteDirectory, RemovesTreeAndRefusesEmptyPath) {
  TempDir tmp;
  tmp.Write("t/a.txt", "a");
  tmp.Write("t/sub/deeper/b.txt", "b");
  EXPECT_TRUE(DeleteDirectory(tmp.Path("t")));
  EXPECT_FALSE(tmp.Exists("t"));

  // An empty path would mean the current folder: refused, nothing deleted.
  tmp.Write("cwd/keep.txt", "keep");
  const std::string old = std::filesystem::current_path().string();
  ASSERT_EQ(chdir(tmp.Path("cwd").c_str()), 0);
  EXPECT_FALSE(ClearDirectory(""));
  EXPECT_FALSE(DeleteDirectory(""));
  EXPECT_FALSE(RemoveTempDirectory(""));
  ASSERT_EQ(chdir(old.c_str()), 0);
  EXPECT_EQ(tmp.Read("cwd/keep.txt"), "keep");
}

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST(DeleteDirectory, NeverFollowsLinksOutOfTheTree, "symbolic links")
#else
TEST(DeleteDirectory, NeverFollowsLinksOutOfTheTree) {
  TempDir tmp;
  tmp.Write("outside/precious.txt", "precious");
  tmp.Write("run/own.txt", "x");
  ASSERT_EQ(symlink(tmp.Path("outside").c_str(), tmp.Path("run/link").c_str()), 0);
  ASSERT_EQ(symlink(tmp.Path("outside").c_str(), tmp.Path("toplink").c_str()), 0);

  EXPECT_FALSE(ClearDirectory(tmp.Path("toplink")));
  EXPECT_TRUE(RemoveTempDirectory(tmp.Path("run")));
  EXPECT_FALSE(tmp.Exists("run"));
  EXPECT_TRUE(DeleteDirectory(tmp.Path("toplink")));
  EXPECT_FALSE(tmp.Exists("toplink"));
  EXPECT_EQ(tmp.Read("outside/precious.txt"), "precious");
}
#endif

TEST(DeleteDirectory, FalseWhenAFileStays) {
  TempDir tmp;
  std::string stuck = tmp.Write("t/stuck.txt", "x");
  tmp.Write("t/gone.txt", "y");
  RecordingFileSystem fs;
  fs.failDelete.insert(stuck);
  EXPECT_FALSE(DeleteDirectory(tmp.Path("t"), fs));
  EXPECT_TRUE(tmp.Exists("t/stuck.txt"));
  EXPECT_FALSE(tmp.Exists("t/gone.txt"));
}

TEST(CopyDirectory, CopiesTreeOverExistingFiles) {
  TempDir tmp;
  tmp.Write("src/a.pas", "new a");
  tmp.Write("src/sub/b.pas", "new b");
  tmp.Write("dst/a.pas", "old a");
  tmp.Write("dst/other.txt", "untouched");
  EXPECT_TRUE(CopyDirectory(tmp.Path("src"), tmp.Path("dst")));
  EXPECT_EQ(tmp.Read("dst/a.pas"), "new a");
  EXPECT_EQ(tmp.Read("dst/sub/b.pas"), "new b");
  EXPECT_EQ(tmp.Read("dst/other.txt"), "untouched");

  // The target folder must exist: nothing is copied, still true.
  EXPECT_TRUE(CopyDirectory(tmp.Path("src"), tmp.Path("missing")));
  EXPECT_FALSE(tmp.Exists("missing"));
}

TEST(CopyDirectory, FirstFailureEndsOnlyThatFolder) {
  TempDir tmp;
  tmp.Write("src/f1.txt", "1");
  tmp.Write("src/f2.txt", "2");
  tmp.Write("src/f3.txt", "3");
  tmp.MakeDir("dst");
  RecordingFileSystem fs;
  // Fail whichever file the host lists first.
  std::vector<migwiz::platform::DirEntry> entries;
  ASSERT_TRUE(fs.ListDirectory(tmp.Path("src"), entries));
  fs.failCopyTo.insert(tmp.Path("dst/" + entries[0].name));
  CopyDirectoryContents(tmp.Path("src"), tmp.Path("dst"), fs);
  for (const auto& e : entries) EXPECT_FALSE(tmp.Exists("dst/" + e.name)) << e.name;

  // A sub-folder's failure is not passed up: the enclosing walk goes on.
  TempDir tree;
  tree.Write("src/a/x.txt", "x");
  tree.Write("src/b/y.txt", "y");
  tree.MakeDir("dst");
  RecordingFileSystem fs2;
  fs2.failCopyTo.insert(tree.Path("dst/a/x.txt"));
  CopyDirectoryContents(tree.Path("src"), tree.Path("dst"), fs2);
  EXPECT_EQ(tree.Read("dst/b/y.txt"), "y");
  EXPECT_FALSE(tree.Exists("dst/a/x.txt"));
}

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST(CopyDirectory, EndsOnLinkCyclesAndTargetsInsideTheSource, "symbolic links")
#else
TEST(CopyDirectory, EndsOnLinkCyclesAndTargetsInsideTheSource) {
  TempDir tmp;
  tmp.Write("src/a.txt", "a");
  ASSERT_EQ(symlink(tmp.Path("src").c_str(), tmp.Path("src/loop").c_str()), 0);
  tmp.MakeDir("dst");
  CopyDirectoryContents(tmp.Path("src"), tmp.Path("dst"));
  EXPECT_EQ(tmp.Read("dst/a.txt"), "a");
  EXPECT_FALSE(tmp.Exists("dst/loop/loop"));

  TempDir nest;
  nest.Write("a/f.txt", "f");
  nest.MakeDir("a/b");
  CopyDirectoryContents(nest.Path("a"), nest.Path("a/b"));
  EXPECT_EQ(nest.Read("a/b/f.txt"), "f");
  EXPECT_FALSE(nest.Exists("a/b/b/b"));
}
#endif
