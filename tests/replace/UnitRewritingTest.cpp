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

  // A second run appends the product's units once more.
  ASSERT_TRUE(RunFolder());
  EXPECT_NE(dir.Read("Main.pas").find("Cellar, TarnAccess, TarnClasses, TarnCall, Quarry, Cellar"),
            std::string::npos);
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
