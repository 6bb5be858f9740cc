// Names looked up without regard to letter case, with and without listings
// kept for a run: both give the same answer, and kept listings list each
// folder once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "support/FileUtils.h"
#include "testing/RecordingFileSystem.h"
#include "testing/TempDir.h"
#include "testing/PosixOnly.h"

using namespace migwiz::support;
using migwiz::platform::DirEntry;
using migwiz::testing::RecordingFileSystem;
using migwiz::testing::TempDir;

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST(FolderListings, CaseInsensitiveLookupKeptOrNot, "symbolic links (the lookup itself is the system's on Windows)")
#else
TEST(FolderListings, CaseInsensitiveLookupKeptOrNot) {
  TempDir dir;
  dir.Write("Src/Unit1.pas", "");
  dir.Write("Src/Unit1.dfm", "");
  dir.Write("Src/UNIT2.DFM", "");
  dir.Write("Src/unit2.dfm", "");  // two spellings: the least name wins
  dir.MakeDir("Src/Sub");
  ASSERT_EQ(symlink("Unit1.dfm", dir.Path("Src/Link.dfm").c_str()), 0);
  ASSERT_EQ(symlink("Gone.dfm", dir.Path("Src/Dangling.dfm").c_str()), 0);
  ASSERT_EQ(symlink("Gone.dfm", dir.Path("Src/DANGLING.DFM").c_str()), 0);
  struct Case {
    const char* wanted;
    const char* found;  // "" for nothing
  } cases[] = {
      {"Src/Unit1.dfm", "Src/Unit1.dfm"}, {"Src/Unit1.DFM", "Src/Unit1.dfm"},
      {"src/UNIT1.DFM", "Src/Unit1.dfm"}, {"Src/Unit2.dfm", "Src/UNIT2.DFM"},
      {"Src/unit2.dfm", "Src/unit2.dfm"}, {"Src/Missing.dfm", ""},
      {"Src/link.DFM", "Src/Link.dfm"},   {"Src/sub", "Src/Sub"},
      {"Nowhere/Unit1.dfm", ""},
      // A link that names nothing is taken by its spelling alone.
      {"Src/Dangling.dfm", "Src/DANGLING.DFM"},
  };
  RecordingFileSystem fs;
  TFolderListings kept(fs);
  for (int round = 0; round < 2; ++round) {  // the second round from the kept listings
    for (const Case& c : cases) {
      const std::string expected = *c.found ? dir.Path(c.found) : "";
      EXPECT_EQ(FindPathNoCase(dir.Path(c.wanted), fs), expected) << c.wanted;
      const DirEntry* entry = nullptr;
      EXPECT_EQ(FindPathNoCase(dir.Path(c.wanted), kept, nullptr, &entry), expected) << c.wanted;
      if (*c.found && entry) {
        EXPECT_EQ(entry->name, ExtractFileName(expected)) << c.wanted;
      }
    }
  }
  // Each folder of the kept lookups was listed once.
  fs.log.clear();
  for (const Case& c : cases) FindPathNoCase(dir.Path(c.wanted), kept);
  EXPECT_EQ(std::count_if(fs.log.begin(), fs.log.end(),
                          [](const std::string& op) { return op.rfind("list ", 0) == 0; }),
            0);

  // The kind of each entry comes with the listing.
  const auto* listing = kept.Cached(dir.Path("Src"));
  ASSERT_NE(listing, nullptr);
  auto at = [&](const std::string& name) { return listing->entries[listing->byName.at(name)]; };
  EXPECT_TRUE(at("Unit1.pas").isRegular && !at("Unit1.pas").isLink);
  EXPECT_TRUE(at("Link.dfm").isLink && !at("Link.dfm").isRegular);
  EXPECT_TRUE(at("Sub").isDirectory && !at("Sub").isRegular);
}
#endif

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST(FolderListings, UnreadableFolderIsNamedAndTriedAgain, "the system finds a name in any letter case without a listing")
#else
TEST(FolderListings, UnreadableFolderIsNamedAndTriedAgain) {
  TempDir dir;
  dir.Write("Src/Unit1.pas", "");
  RecordingFileSystem fs;
  fs.failList.insert(dir.Path("Src"));
  TFolderListings kept(fs);
  std::string unreadable;
  EXPECT_EQ(FindPathNoCase(dir.Path("Src/UNIT1.PAS"), kept, &unreadable), "");
  EXPECT_EQ(unreadable, dir.Path("Src"));
  fs.failList.clear();  // a passing failure is not kept
  EXPECT_EQ(FindPathNoCase(dir.Path("Src/UNIT1.PAS"), kept), dir.Path("Src/Unit1.pas"));
}
#endif
