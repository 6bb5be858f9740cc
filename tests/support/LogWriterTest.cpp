#include "support/LogWriter.h"

#include <gtest/gtest.h>

#include "support/FileErrors.h"
#include "testing/RecordingFileSystem.h"
#include "testing/TempDir.h"

using namespace migwiz::support;
using migwiz::testing::RecordingFileSystem;
using migwiz::testing::TempDir;

namespace {

std::tm At(int h, int m, int s) {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = h;
  t.tm_min = m;
  t.tm_sec = s;
  return t;
}

}  // namespace

TEST(LogWriter, ReplacerLayoutByteForByte) {
  TempDir tmp;
  TLogWriter log(migwiz::platform::SystemFileSystem(), [] { return At(22, 37, 5); });
  log.SetHeader("BDE Migration Wizard log");
  log.SetCreationTimeString("Created at:");
  log.SetEmptyLineAfterString(true);
  std::string path = tmp.Path("Wiz_Log.txt");
  log.OpenLogFile(path);
  log.WriteLine("Initializing unit list");
  log.WriteLine(" ");
  log.WriteLine("ends in a line feed\n");
  log.CloseLogFile();
  log.WriteLine("after close: dropped");
  EXPECT_EQ(tmp.Read("Wiz_Log.txt"),
            "BDE Migration Wizard log\r\n\r\n"
            "Created at: " + DateTimeToStr(At(22, 37, 5)) + "\r\n\r\n"
            "Initializing unit list\r\n\r\n"
            "\r\n\r\n"
            "ends in a line feed\n\r\n");
}

TEST(LogWriter, DefaultsAndReopening) {
  TempDir tmp;
  TLogWriter log(migwiz::platform::SystemFileSystem(), [] { return At(0, 0, 0); });
  EXPECT_EQ(log.CreationTimeString(), "Log created at:");
  std::string path = tmp.Path("log.txt");
  log.OpenLogFile(path);
  log.WriteLine("first run");
  log.WriteLine("");
  log.CloseLogFile();
  log.CloseLogFile();  // harmless when closed
  EXPECT_EQ(tmp.Read("log.txt"),
            "Log created at: " + DateTimeToStr(At(0, 0, 0)) + "\r\nfirst run\r\n\r\n");

  log.OpenLogFile(path);  // a later run replaces the file
  log.WriteLine("second run\r");
  log.CloseLogFile();
  EXPECT_EQ(tmp.Read("log.txt"),
            "Log created at: " + DateTimeToStr(At(0, 0, 0)) + "\r\nsecond run\r");
}

TEST(LogWriter, MidnightHasNoTimePart) {
  EXPECT_EQ(DateTimeToStr(At(0, 0, 0)).find(' '), std::string::npos);
  EXPECT_NE(DateTimeToStr(At(0, 0, 1)).find(' '), std::string::npos);
}

TEST(LogWriter, WritesAnsiWithDefaultCharacter) {
  TempDir tmp;
  TLogWriter log;
  log.SetCreationTimeString("Log");
  log.OpenLogFile(tmp.Path("log.txt"));
  log.WriteLine("caf\xC3\xA9 \xE2\x82\xAC \xD0\x96!");  // café € Ж!
  log.CloseLogFile();
  std::string bytes = tmp.Read("log.txt");
  EXPECT_NE(bytes.find("caf\xE9 \x80 ?!\r\n"), std::string::npos);
}

TEST(LogWriter, CreationFailureLeavesWriterClosed) {
  TempDir tmp;
  RecordingFileSystem fs;
  std::string path = tmp.Path("log.txt");
  fs.failCreate.insert(path);
  TLogWriter log(fs);
  EXPECT_THROW(log.OpenLogFile(path), EFCreateError);
  EXPECT_FALSE(log.IsOpen());
  log.WriteLine("ignored");
  EXPECT_THROW(log.OpenLogFile(tmp.Path("no/such/folder/log.txt")), EFCreateError);
}
