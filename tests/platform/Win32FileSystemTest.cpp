// What only Windows has: the read-only attribute, files that another
// program holds open, paths beyond 260 characters, code pages by number.
#include "platform/Win32Text.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"
#include "platform/Win32FileSystem.h"
#include "testing/TempDir.h"

using namespace migwiz::platform;
using migwiz::testing::TempDir;

TEST(Win32FileSystem, ReadOnlyAndLockedFilesAreRefusedByName) {
  TempDir dir;
  Win32FileSystem fs;
  std::string err;
  const std::string readOnly = dir.Write("Main.pas", "old");
  ASSERT_TRUE(SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(fs.IsReadOnly(readOnly));
  EXPECT_FALSE(fs.OverwriteFile(readOnly, "new", err));
  EXPECT_EQ(err, "cannot write \"" + readOnly + "\": the file is read-only");
  EXPECT_EQ(dir.Read("Main.pas"), "old");
  SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);

  // Held open by another program that shares nothing (as an editor may).
  const std::string locked = dir.Write("Main.dfm", "old");
  HANDLE h = CreateFileW(Widen(locked).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fs.OverwriteFile(locked, "new", err));
  EXPECT_EQ(err, "cannot open \"" + locked + "\": the file is in use by another program");
  std::string contents;
  EXPECT_FALSE(fs.ReadFile(locked, contents, err));
  EXPECT_NE(err.find("in use by another program"), std::string::npos) << err;
  CloseHandle(h);
  EXPECT_TRUE(fs.OverwriteFile(locked, "new", err)) << err;
  EXPECT_EQ(dir.Read("Main.dfm"), "new");
}

TEST(Win32FileSystem, PathsBeyond260Characters) {
  TempDir dir;
  Win32FileSystem fs;
  std::string path = dir.path();
  for (int level = 0; level < 6; ++level) {
    path += "\\" + std::string(40, static_cast<char>('a' + level));
    ASSERT_NE(fs.MakeDirectory(path), MakeDirResult::Failed) << path.size();
  }
  const std::string file = path + "\\Unit1.pas";
  ASSERT_GT(file.size(), 260u);
  std::string err, contents;
  ASSERT_TRUE(fs.WriteFile(file, "unit Unit1;", err)) << err;
  ASSERT_TRUE(fs.ReadFile(file, contents, err)) << err;
  EXPECT_EQ(contents, "unit Unit1;");
  EXPECT_TRUE(fs.CopyFile(file, path + "\\Unit1.~pas", err)) << err;
  std::vector<DirEntry> entries;
  ASSERT_TRUE(fs.ListDirectory(path, entries));
  EXPECT_EQ(entries.size(), 2u);
  EXPECT_EQ(fs.KindOf(file), FileKind::Regular);
  EXPECT_EQ(fs.KindOf(path), FileKind::Directory);
  EXPECT_TRUE(fs.DeleteFile(file));
}

TEST(Win32CodePage, ByNumberOrName) {
  for (const char* name : {"1251", "cp1251", "windows-1251", "Windows_1251"}) {
    AnsiCodePage cp(name);
    EXPECT_EQ(cp.Decode("\xC6"), "\xD0\x96") << name;
  }
  EXPECT_FALSE(AnsiCodePage("shift_jis").IsSingleByte());
  EXPECT_EQ(AnsiCodePage("utf-8").Encode("\xD0\x96"), "\xD0\x96");
  EXPECT_THROW(AnsiCodePage("99999"), ECodePageError);
}
