#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include "testing/RecordingFileSystem.h"
#include "testing/TempDir.h"

using namespace migwiz::platform;
using migwiz::testing::RecordingFileSystem;
using migwiz::testing::TempDir;

TEST(SettingsStore, TypedValuesReadBackAsWritten) {
  TempDir dir;
  std::string file = dir.Path("cfg/Software/Corvane.ini");
  {
    TSettingsStore store = TSettingsStore::AtPath(file);
    store.WriteInteger("BDE Migration Wizard", "Dest", 1);
    store.WriteBool("BDE Migration Wizard", "MakeBackup", false);
    store.WriteString("BDE Migration Wizard", "DirHistory", "/a\r\n/b \\ c\r\n");
    store.WriteString("Other=[x]", "Key=1", "v");
  }
  TSettingsStore store = TSettingsStore::AtPath(file);
  EXPECT_EQ(store.DamagedLines(), 0);
  EXPECT_EQ(store.ReadInteger("bde migration wizard", "dest", 0), 1);
  EXPECT_FALSE(store.ReadBool("BDE Migration Wizard", "MakeBackup", true));
  EXPECT_EQ(store.ReadString("BDE Migration Wizard", "DirHistory", ""), "/a\r\n/b \\ c\r\n");
  EXPECT_EQ(store.ReadString("Other=[x]", "Key=1", ""), "v");
  EXPECT_EQ(store.ReadString("BDE Migration Wizard", "Missing", "default"), "default");
  EXPECT_TRUE(store.ReadBool("BDE Migration Wizard", "Missing", true));
}

TEST(SettingsStore, DamagedFileIsReadAsFarAsItGoes) {
  TempDir dir;
  std::string file = dir.Write("s.ini",
                               "junk before any section\n[S]\nGood=i:5\nBad=i:five\nNoType=7\n"
                               "Flag=b:2\nText=s:ok\n[broken\n\0\xFF=s:x\n");
  TSettingsStore store = TSettingsStore::AtPath(file);
  EXPECT_EQ(store.ReadInteger("S", "Good", 0), 5);
  EXPECT_EQ(store.ReadString("S", "Text", ""), "ok");
  EXPECT_EQ(store.ReadInteger("S", "Bad", -1), -1);
  EXPECT_GE(store.DamagedLines(), 4);
}

TEST(SettingsStore, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  std::string file = dir.Write("s.ini", "[S]\nA=i:1\n");
  RecordingFileSystem fs;
  fs.failWrite.insert(file);
  TSettingsStore store = TSettingsStore::AtPath(file, fs);
  try {
    store.WriteInteger("S", "A", 2);
    ADD_FAILURE() << "a failed save must be reported";
  } catch (const ESettingsError& e) {
    EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
  }
  EXPECT_FALSE(store.Saved());
  EXPECT_EQ(dir.Read("s.ini"), "[S]\nA=i:1\n");
  EXPECT_EQ(store.ReadInteger("S", "A", 0), 2);
}

TEST(SettingsStore, RootKeyLivesInTheUsersConfigFolder) {
  TempDir dir;
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  TSettingsStore store("Software\\Corvane");
  EXPECT_EQ(store.FileName(), dir.Path("Software/Corvane.ini"));
  store.WriteBool("S", "Flag", true);
  EXPECT_TRUE(dir.Exists("Software/Corvane.ini"));
  unsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsStore, UnreadableFileIsNeverWrittenOver) {
  TempDir dir;
  std::string file = dir.Write("s.ini", "[S]\nA=i:1\nB=s:keep\n");
  RecordingFileSystem fs;
  fs.failRead.insert(file);
  TSettingsStore store = TSettingsStore::AtPath(file, fs);
  EXPECT_THROW(store.WriteInteger("S", "A", 2), ESettingsError);
  EXPECT_EQ(dir.Read("s.ini"), "[S]\nA=i:1\nB=s:keep\n");
}
