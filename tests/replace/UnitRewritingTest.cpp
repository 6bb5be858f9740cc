#include <filesystem>
#include <gtest/gtest.h>

#include "replace/ReplaceFixture.h"
#include "support/TextFile.h"

using namespace migwiz;
using namespace migwiz::testing;
using namespace std::string_literals;

namespace {

const std::string kUnit =
    "unit Main;\r\n"
    "interface\r\n"
    "uses\r\n"
    "  Windows, dbtables, DB;\r\n"
    "type\r\n"
    "  TMainForm = class(TForm)\r\n"
    "    Query1: TQuery;\r\n"
    "    Table1: DBTables.TTable;\r\n"
    "    Ex: TQueryEx;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "uses DBTables;\r\n"
    "{$R *.dfm}\r\n"
    "{ TQuery in a comment } // TwwQuery, don't forget\r\n"
    "procedure X;\r\n"
    "var q: tquery;\r\n"
    "begin\r\n"
    "  ShowMessage('TQuery stays');\r\n"
    "  q := TQuery.Create(nil);\r\n"
    "  try except on E: EDBEngineError do ; end;\r\n"
    "end;\r\n"
    "end.\r\n";

const std::string kConverted =
    "unit Main;\r\n"
    "interface\r\n"
    "uses\r\n"
    "  Windows, dbtables, TarnAccess, TarnClasses, TarnCall, Quarry, Cellar, DB;\r\n"
    "type\r\n"
    "  TMainForm = class(TForm)\r\n"
    "    Query1: TTarnQuery;\r\n"
    "    Table1: DBTables.TTarnTable;\r\n"
    "    Ex: TQueryEx;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "uses DBTables, TarnAccess, TarnClasses, TarnCall, Quarry, Cellar;\r\n"
    "{$R *.dfm}\r\n"
    "{ TTarnQuery in a comment } // TTarnQuery, don't forget\r\n"
    "procedure X;\r\n"
    "var q: TTarnQuery;\r\n"
    "begin\r\n"
    "  ShowMessage('TQuery stays');\r\n"
    "  q := TTarnQuery.Create(nil);\r\n"
    "  try except on E: ETarnError do ; end;\r\n"
    "end;\r\n"
    "end.\r\n";

class UnitRewriting : public ReplaceFixture {};

}  // namespace

TEST_F(UnitRewriting, UsesClausesClassNamesAndComments) {
  dir.Write("Main.pas", kUnit);
  dir.Write("Plain.pas", "unit Plain;\r\ninterface\r\nuses SysUtils;\r\nend.\r\n");
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("Main.pas"), kConverted);
  EXPECT_EQ(dir.Read("Plain.pas"), "unit Plain;\r\ninterface\r\nuses SysUtils;\r\nend.\r\n");
  ASSERT_EQ(replacer->ChangedFiles().size(), 1u);
  EXPECT_EQ(replacer->ChangedFiles()[0].Changes, 9);
  ExpectNoTemporaryFolder();

  // A second run finds every clause converted: nothing changes, nothing is
  // written.
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("Main.pas"), kConverted);
  EXPECT_TRUE(replacer->ChangedFiles().empty());
}

TEST_F(UnitRewriting, ClauseNamingAProductUnitGetsNoneAddedAgain) {
  struct Case { std::string uses, expected; } cases[] = {
      {"uses DBTables, tarnaccess;", "uses DBTables, tarnaccess;"},       // any letter case
      {"uses DB, Cellar, DBTables;", "uses DB, Cellar, DBTables;"},       // anywhere in the clause
      {"uses DBTables; uses DBTables, Quarry;",                          // each clause on its own
       "uses DBTables, TarnAccess, TarnClasses, TarnCall, Quarry, Cellar; uses DBTables, Quarry;"},
      {"uses DBTables {Cellar};", "uses DBTables, TarnAccess, TarnClasses, TarnCall, Quarry, Cellar {Cellar};"},
  };
  for (const auto& c : cases) {
    dir.Write("U.pas", "unit U;\r\n" + c.uses + "\r\nend.\r\n");
    RunFolder();
    EXPECT_EQ(dir.Read("U.pas"), "unit U;\r\n" + c.expected + "\r\nend.\r\n") << c.uses;
    std::filesystem::remove_all(dir.Path("RBackup"));
  }
}

// Bytes that are not valid in the file's encoding, away from the edits,
// come back as they were read.
TEST_F(UnitRewriting, InvalidBytesOutsideTheEditsAreKept) {
  using namespace std::string_literals;
  const std::string utf8 = "\xEF\xBB\xBFunit A; { caf\xE9 }\r\nuses DBTables;\r\nvar s = 'x\xFFy';\r\nend.";
  std::string utf16 = "\xFF\xFE" + support::EncodeText("unit B;\r\nuses DBTables;\r\n// ", support::TEncoding::Utf16LE) +
                      "\x00\xD8"s + support::EncodeText("\r\nend.", support::TEncoding::Utf16LE) + "\x41"s;
  dir.Write("A.pas", utf8);
  dir.Write("B.pas", utf16);
  ASSERT_TRUE(RunFolder());
  const std::string added = ", TarnAccess, TarnClasses, TarnCall, Quarry, Cellar";
  std::string expectA = utf8;
  expectA.insert(expectA.find("DBTables") + 8, added);
  EXPECT_EQ(dir.Read("A.pas"), expectA);
  std::string expectB = utf16;
  expectB.insert(expectB.find(std::string("D\0B\0T\0a\0b\0l\0e\0s\0", 16)) + 16,
                 support::EncodeText(added, support::TEncoding::Utf16LE));
  EXPECT_EQ(dir.Read("B.pas"), expectB);
}

TEST_F(UnitRewriting, EncodingsAndMarksAreKept) {
  using support::EncodeText;
  using support::TEncoding;
  const std::string text = "unit U;\r\n// Stra\xC3\x9F" "e\r\nvar Q: TQuery;\r\nend.\r\n";
  const std::string expected = "unit U;\r\n// Stra\xC3\x9F" "e\r\nvar Q: TTarnQuery;\r\nend.\r\n";
  dir.Write("Ansi.pas", EncodeText(text, TEncoding::Ansi));
  dir.Write("Utf8.pas", "\xEF\xBB\xBF" + text);
  dir.Write("Utf16.pas", "\xFF\xFE" + EncodeText(text, TEncoding::Utf16LE));
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("Ansi.pas"), EncodeText(expected, TEncoding::Ansi));
  EXPECT_EQ(dir.Read("Utf8.pas"), "\xEF\xBB\xBF" + expected);
  EXPECT_EQ(dir.Read("Utf16.pas"), "\xFF\xFE" + EncodeText(expected, TEncoding::Utf16LE));
}

TEST_F(UnitRewriting, ResourceDirectivesFindFormsWhateverTheirCase) {
  const std::string form = "object F: TForm\r\n  object T: TTable\r\n  end\r\nend\r\n";
  const std::string converted = "object F: TForm\r\n    object T: TTarnTable\r\n  end\r\nend\r\n";
  struct Case { const char* directive; const char* formOnDisk; bool found; } cases[] = {
      {"{$R *.DFM}", "A.dfm", true},
      {"{$R Main.dfm}", "MAIN.DFM", true},
      {"{$RESOURCE Other.nfm}", "Other.nfm", true},
      {"{$R Form1.dfm}", "Form1.dfm", false},  // the walk back stops at the digit
      {"{$R*.dfm}", "A.dfm", false},
      {"{$R *.res}", "A.dfm", false},
      {"{$R *.dfmx}", "A.dfm", false},
      {"{$R Gone.dfm}", "Other.dfm", false},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::string sub = "case" + std::to_string(++n) + "/";
    dir.Write(sub + "A.pas", std::string("unit A;\r\n") + c.directive + "\r\nend.\r\n");
    dir.Write(sub + c.formOnDisk, form);
    ASSERT_TRUE(RunFolder(dir.Path(sub), false)) << c.directive;
    EXPECT_EQ(dir.Read(sub + c.formOnDisk), c.found ? converted : form) << c.directive;
  }
}
