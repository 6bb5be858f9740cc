// What only Windows has: the read-only attribute, files that another
// program holds open, paths beyond 260 characters, code pages by number,
// and what stands there for inodes, flock and syncfs.
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

namespace {

// Opened as another program may open a file: sharing only reading, or
// nothing at all.
class HeldOpen {
 public:
  HeldOpen(const std::string& path, DWORD share)
      : h_(CreateFileW(Widen(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldOpen() { if (held()) CloseHandle(h_); }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool held() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

}  // namespace

// Volume serial and file index stand for device and inode: a file written
// in place keeps its identity, one written anew does not, and a file held
// open by another program still has a stamp.
TEST(Win32FileSystem, StampsTellFilesApart) {
  TempDir dir;
  Win32FileSystem fs;
  std::string err;
  const std::string a = dir.Write("a.pas", "one"), b = dir.Write("b.pas", "one");
  const auto first = fs.StampOf(a);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size, 3u);
  EXPECT_EQ(first->specialBits, 0u);
  const auto other = fs.StampOf(b);
  ASSERT_TRUE(other);
  EXPECT_EQ(other->device, first->device);
  EXPECT_NE(other->inode, first->inode);
  {
    HeldOpen held(a, 0);
    ASSERT_TRUE(held.held());
    EXPECT_EQ(fs.StampOf(a), first);
  }

  // The time of the last write, in nanoseconds since 1970.
  {
    HANDLE h = CreateFileW(Widen(a).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const std::uint64_t ticks = 1000000000ull * 10000000ull + 116444736000000000ull;  // 1e9 s after 1970
    FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &time));
    CloseHandle(h);
    EXPECT_EQ(fs.StampOf(a)->modifiedNs, 1000000000ll * 1000000000ll);
  }

  ASSERT_TRUE(fs.OverwriteFile(a, "four", err)) << err;
  auto now = fs.StampOf(a);
  ASSERT_TRUE(now);
  EXPECT_EQ(now->size, 4u);
  EXPECT_EQ(now->inode, first->inode);
  ASSERT_TRUE(fs.WriteFile(a, "five!", err)) << err;
  now = fs.StampOf(a);
  ASSERT_TRUE(now);
  EXPECT_NE(now->inode, first->inode);

  EXPECT_FALSE(fs.StampOf(dir.path()));
  EXPECT_FALSE(fs.StampOf(dir.Path("missing.pas")));
  // No set-user-id or set-group-id bits to give back: nothing to fail.
  EXPECT_TRUE(fs.RestoreSpecialBits(a, 06000));
}

// Asked before the copy back, as the copy back opens the file; asking
// changes nothing.
TEST(Win32FileSystem, CanWriteAsTheCopyBackWrites) {
  TempDir dir;
  Win32FileSystem fs;
  std::string err;
  const std::string plain = dir.Write("Plain.pas", "old");
  const auto before = fs.StampOf(plain);
  EXPECT_TRUE(fs.CanWrite(plain, err)) << err;
  EXPECT_EQ(fs.StampOf(plain), before);
  EXPECT_EQ(dir.Read("Plain.pas"), "old");

  const std::string readOnly = dir.Write("ReadOnly.pas", "old");
  ASSERT_TRUE(SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(fs.CanWrite(readOnly, err));
  EXPECT_EQ(err, "cannot write \"" + readOnly + "\": the file is read-only");
  SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);

  const std::string held = dir.Write("Held.pas", "old");
  {
    HeldOpen open(held, FILE_SHARE_READ);
    ASSERT_TRUE(open.held());
    EXPECT_FALSE(fs.CanWrite(held, err));
    EXPECT_EQ(err, "cannot write \"" + held + "\": the file is in use by another program");
  }
  EXPECT_TRUE(fs.CanWrite(held, err)) << err;
  EXPECT_FALSE(fs.CanWrite(dir.Path("missing.pas"), err));
}

// The lock file names its holder while it is held, a second lock is
// refused naming it, and the file goes with the lock; a file left by a run
// that was killed is taken over.
TEST(Win32FileSystem, LocksNameTheirHolderAndGoWithIt) {
  TempDir dir;
  Win32FileSystem fs;
  const std::string file = dir.Path("Wiz_Run.lock");
  const std::string me = "pid " + std::to_string(GetCurrentProcessId());
  std::string holder = "x", err = "x", contents;
  auto lock = fs.TryLock(file, holder, err);
  ASSERT_TRUE(lock) << err;
  EXPECT_EQ(holder, "");
  EXPECT_EQ(err, "");
  ASSERT_TRUE(fs.ReadFile(file, contents, err)) << err;
  EXPECT_EQ(contents, me + "\n");

  EXPECT_FALSE(fs.TryLock(file, holder, err));
  EXPECT_EQ(holder, me);
  EXPECT_EQ(err, "");

  lock.reset();
  EXPECT_FALSE(dir.Exists("Wiz_Run.lock"));
  dir.Write("Wiz_Run.lock", "pid 999999\n");
  lock = fs.TryLock(file, holder, err);
  ASSERT_TRUE(lock) << err;
  EXPECT_EQ(dir.Read("Wiz_Run.lock"), me + "\n");
  lock.reset();
  EXPECT_FALSE(dir.Exists("Wiz_Run.lock"));

  EXPECT_FALSE(fs.TryLock(dir.Path("missing/Wiz_Run.lock"), holder, err));
  EXPECT_EQ(holder, "");
  EXPECT_NE(err.find("cannot create the lock file"), std::string::npos) << err;
}

// Windows flushes files, not file systems: every file written whole or in
// place since the last flush is flushed (one that another program holds
// open stops it, named), and only once.
TEST(Win32FileSystem, FlushesEveryFileWritten) {
  TempDir dir;
  Win32FileSystem fs;
  std::string err;
  ASSERT_TRUE(fs.WriteFile(dir.Path("a.pas"), "a", err)) << err;
  ASSERT_TRUE(fs.OverwriteFile(dir.Path("b.pas"), "b", err)) << err;
  ASSERT_TRUE(fs.CopyFile(dir.Path("a.pas"), dir.Path("c.pas"), err)) << err;
  ASSERT_TRUE(fs.WriteFile(dir.Path("d.pas"), "d", err)) << err;
  ASSERT_TRUE(fs.DeleteFile(dir.Path("d.pas")));  // gone: nothing to flush
  {
    HeldOpen held(dir.Path("c.pas"), 0);
    ASSERT_TRUE(held.held());
    EXPECT_FALSE(fs.SyncFileSystem(dir.path(), err));
    EXPECT_EQ(err, "cannot flush to disk \"" + dir.Path("c.pas") + "\": the file is in use by another program");
  }
  EXPECT_TRUE(fs.SyncFileSystem(dir.path(), err)) << err;
  HeldOpen held(dir.Path("c.pas"), 0);
  EXPECT_TRUE(fs.SyncFileSystem(dir.path(), err)) << err;  // flushed already

  EXPECT_FALSE(fs.SyncFileSystem(dir.Path("missing"), err));
  EXPECT_NE(err.find("cannot flush to disk \"" + dir.Path("missing") + "\""), std::string::npos) << err;
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
