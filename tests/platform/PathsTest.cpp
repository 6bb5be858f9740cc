#include "platform/Paths.h"

#include <gtest/gtest.h>

#include "testing/TempDir.h"

using namespace migwiz::platform;

TEST(Paths, RootOfAPath) {
  struct Case { const char* path; size_t root; } cases[] = {
#ifdef _WIN32
      {"C:\\src\\App\\App.dpr", 3}, {"c:/src", 3},       {"\\src", 1},
      {"\\\\server\\share\\App\\App.dpr", 15},          {"\\\\server\\share", 14},
      {"\\\\?\\C:\\long\\path", 7},  {"\\\\?\\UNC\\server\\share\\x", 21},
      {"..\\Common\\Db.pas", 0},     {"App.dpr", 0},      {"", 0},
#else
      {"/src/App/App.dpr", 1}, {"/", 1}, {"../Common/Db.pas", 0}, {"App.dpr", 0}, {"", 0},
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathRootLength(c.path), c.root) << c.path;
    EXPECT_EQ(IsAbsolutePath(c.path), c.root > 0) << c.path;
  }
}

// Names compare as the file system compares them, and a name found in
// another letter case is spelt as the folder spells it.
TEST(Paths, NamesAsTheFileSystemComparesThem) {
  migwiz::testing::TempDir dir;
  dir.Write("Sub/DataMod.pas", "unit DataMod;");
#ifdef _WIN32
  EXPECT_TRUE(SameFileName("C:\\Src\\Main.PAS", "c:\\src\\main.pas"));
  EXPECT_EQ(SpellingOnDisk(dir.Path("SUB/datamod.PAS")), dir.Path("Sub/DataMod.pas"));
  EXPECT_EQ(SpellingOnDisk(dir.Path("sub/Missing.pas")), dir.Path("Sub/Missing.pas"));
  EXPECT_EQ(NativePath("a/b\\c"), "a\\b\\c");
#else
  EXPECT_FALSE(SameFileName("/src/Main.PAS", "/src/main.pas"));
  EXPECT_EQ(SpellingOnDisk(dir.Path("SUB/datamod.PAS")), dir.Path("SUB/datamod.PAS"));
  EXPECT_EQ(NativePath("a/b\\c"), "a/b\\c");
#endif
  EXPECT_TRUE(SameFileName(dir.Path("Sub"), dir.Path("Sub")));
  EXPECT_FALSE(CurrentDirectory().empty());
}
