#include <gtest/gtest.h>

#include "streams/ComponentStream.h"
#include "testing/RunProgram.h"
#include "testing/TempDir.h"

using migwiz::testing::RunProgram;
using migwiz::testing::TempDir;
using namespace std::string_literals;

namespace {

const std::string kMigwiz = MIGWIZ_BIN;
const std::string kText =
    "object Form1: TForm1\r\n"
    "  Caption = 'Orders'\r\n"
    "  object Query1: TQuery\r\n"
    "    SQL.Strings = (\r\n"
    "      'select 1')\r\n"
    "  end\r\n"
    "end\r\n";

}  // namespace

TEST(MigwizFormCommands, TextToFormAndBack) {
  TempDir tmp;
  std::string text = tmp.Write("Unit1.txt", kText);
  auto made = RunProgram(kMigwiz, {"text2form", text, "-o", tmp.Path("Unit1.dfm")});
  ASSERT_EQ(made.status, 0) << made.err;
  std::string dfm = tmp.Read("Unit1.dfm");
  EXPECT_EQ(dfm.substr(0, 12), "\xFF\x0A\x00TFORM1\x00\x30\x10"s);

  auto back = RunProgram(kMigwiz, {"form2text", tmp.Path("Unit1.dfm")});
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out, kText);

  auto toFile = RunProgram(kMigwiz, {"form2text", tmp.Path("Unit1.dfm"), "-o", tmp.Path("out.txt")});
  EXPECT_EQ(toFile.status, 0);
  EXPECT_EQ(tmp.Read("out.txt"), kText);

  // A text form passes through unchanged; a UTF-8 text with a mark converts.
  auto same = RunProgram(kMigwiz, {"form2text", text});
  EXPECT_EQ(same.out, kText);
  std::string utf8 = tmp.Write("u.txt", "\xEF\xBB\xBF" "object A: TA\r\n  C = 'Gr\xC3\xBC\xC3\x9F" "e'\r\nend\r\n");
  auto named = RunProgram(kMigwiz, {"text2form", utf8, "-o", tmp.Path("u.dfm"), "--resource-name", "MYFORM"});
  EXPECT_EQ(named.status, 0) << named.err;
  EXPECT_EQ(tmp.Read("u.dfm").substr(3, 7), "MYFORM\0"s);
  EXPECT_EQ(RunProgram(kMigwiz, {"form2text", tmp.Path("u.dfm")}).out,
            "object A: TA\r\n  C = 'Gr'#252#223'e'\r\nend\r\n");
}

TEST(MigwizFormCommands, FailuresAndUsageErrors) {
  TempDir tmp;
  std::string stream = migwiz::platform::ObjectTextToBinary(kText);
  std::string cut = "\xFF\x0A\x00T\x00\x30\x10"s + "\x20\x00\x00\x00"s + stream.substr(0, 32);
  tmp.Write("cut.dfm", cut);
  auto r = RunProgram(kMigwiz, {"form2text", tmp.Path("cut.dfm")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "migwiz: " + tmp.Path("cut.dfm") +
                       ": length 6 of a string runs past the end of the stream at byte offset 38\n");

  tmp.Write("bad.txt", "object A: TA\r\n  P = @\r\nend\r\n");
  r = RunProgram(kMigwiz, {"text2form", tmp.Path("bad.txt"), "-o", tmp.Path("bad.dfm")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "migwiz: " + tmp.Path("bad.txt") + ": line 2, column 7: invalid property value '@'\n");
  EXPECT_FALSE(tmp.Exists("bad.dfm"));

  r = RunProgram(kMigwiz, {"form2text", tmp.Path("missing.dfm")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.dfm"), std::string::npos);

  EXPECT_EQ(RunProgram(kMigwiz, {"text2form", tmp.Path("bad.txt")}).status, 2);  // no -o
  EXPECT_EQ(RunProgram(kMigwiz, {"frobnicate"}).status, 2);
  auto version = RunProgram(kMigwiz, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("migwiz ", 0), 0u);
}

// A form whose strings are in the code page (as IDEs before Unicode wrote
// them) is named as such by form2text and comes back byte for byte through
// text2form --string-kinds code-page; the default writes UTF-8 there.
TEST(MigwizFormCommands, CodePageStringsRoundTripWhenAskedFor) {
  TempDir tmp;
  const std::string stream = "TPF0\x06TForm1\x05" "Form1\x07" "Caption\x06\x06\xA9 1999\x00\x00"s;
  tmp.Write("Old.dfm", migwiz::platform::WriteResourceForm("TFORM1", stream));
  auto text = RunProgram(kMigwiz, {"form2text", tmp.Path("Old.dfm"), "-o", tmp.Path("Old.txt")});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.err.find("text2form --string-kinds code-page"), std::string::npos) << text.err;

  auto old = RunProgram(kMigwiz, {"text2form", tmp.Path("Old.txt"), "-o", tmp.Path("Back.dfm"),
                                  "--string-kinds", "code-page"});
  ASSERT_EQ(old.status, 0) << old.err;
  EXPECT_EQ(tmp.Read("Back.dfm"), tmp.Read("Old.dfm"));

  auto unicode = RunProgram(kMigwiz, {"text2form", tmp.Path("Old.txt"), "-o", tmp.Path("New.dfm")});
  ASSERT_EQ(unicode.status, 0) << unicode.err;
  EXPECT_NE(tmp.Read("New.dfm").find("\x14\x07\x00\x00\x00\xC2\xA9 1999"s), std::string::npos);
}
