#include <gtest/gtest.h>

#include "streams/ComponentStream.h"
#include "replace/ReplaceFixture.h"
#include "support/TextFile.h"

using namespace migwiz;
using namespace migwiz::testing;
using namespace std::string_literals;
using migwiz::replace::TUnresolvedDatabase;

namespace {

const std::string kMainForm =
    "object MainForm: TMainForm\r\n"
    "  Left = 0\r\n"
    "  Caption = 'Main'\r\n"
    "  object Query1: TQuery\r\n"
    "    DatabaseName = 'Sales'\r\n"
    "    SQL.Strings = (\r\n"
    "      'select * from t')\r\n"
    "    RequestLive = True\r\n"
    "    Left = 8\r\n"
    "    Top = 8\r\n"
    "  end\r\n"
    "  object Table1: TTable\r\n"
    "    DatabaseName = 'Sales'\r\n"
    "    TableName = 'CUST'\r\n"
    "  end\r\n"
    "  inherited Base: TQuery\r\n"
    "  end\r\n"
    "  inline Frame1: TwwTable\r\n"
    "  end\r\n"
    "  object DataSource1: TDataSource\r\n"
    "    DataSet = Query1\r\n"
    "  end\r\n"
    "end\r\n";

// Folder run: no connection is known, so DatabaseName goes. Inherited and
// inline objects are converted like the others.
const std::string kMainFormConverted =
    "object MainForm: TMainForm\r\n"
    "  Left = 0\r\n"
    "  Caption = 'Main'\r\n"
    "    object Query1: TTarnQuery\r\n"
    "    SQL.Strings = (\r\n"
    "            'select * from t')\r\n"
    "    Left = 8\r\n"
    "    Top = 8\r\n"
    "  end\r\n"
    "  object Table1: TTarnTable\r\n"
    "    TableName = 'CUST'\r\n"
    "  end\r\n"
    "  inherited Base: TTarnQuery\r\n"
    "  end\r\n"
    "  inline Frame1: TTarnTable\r\n"
    "  end\r\n"
    "object DataSource1: TDataSource\r\n"
    "    DataSet = Query1\r\n"
    "  end\r\n"
    "end\r\n";

const std::string kMainUnit = "unit Main;\r\ninterface\r\n{$R *.dfm}\r\nend.\r\n";

class FormConversion : public ReplaceFixture {};

}  // namespace

TEST_F(FormConversion, TextFormsInEachEncoding) {
  using support::EncodeText;
  using support::TEncoding;
  dir.Write("a/Main.pas", kMainUnit);
  dir.Write("a/Main.dfm", kMainForm);
  dir.Write("b/Main.pas", kMainUnit);
  dir.Write("b/Main.dfm", "\xEF\xBB\xBF" + kMainForm);
  dir.Write("c/Main.pas", kMainUnit);
  dir.Write("c/Main.dfm", "\xFF\xFE" + EncodeText(kMainForm, TEncoding::Utf16LE));
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("a/Main.dfm"), kMainFormConverted);
  EXPECT_EQ(dir.Read("b/Main.dfm"), "\xEF\xBB\xBF" + kMainFormConverted);
  EXPECT_EQ(dir.Read("c/Main.dfm"), "\xFF\xFE" + EncodeText(kMainFormConverted, TEncoding::Utf16LE));
  // Every dataset of a folder run is left without a connection.
  const auto& unresolved = replacer->UnresolvedDatabases();
  EXPECT_EQ(unresolved.size(), 6u);
  for (const char* sub : {"a", "b", "c"}) {
    for (const char* object : {"Query1", "Table1"}) {
      TUnresolvedDatabase wanted{dir.Path(std::string(sub) + "/Main.dfm"), object, "Sales"};
      EXPECT_NE(std::find(unresolved.begin(), unresolved.end(), wanted), unresolved.end())
          << sub << " " << object;
    }
  }
}

// A dataset told of in an object that then failed to parse is no longer
// listed; the same name and database met again later is listed once.
TEST_F(FormConversion, UnresolvedDatabasesOfAnUnparsedObjectAreDroppedThenListedAgain) {
  dir.Write("Main.pas", kMainUnit);
  dir.Write("Main.dfm",
            "object MainForm: TMainForm\r\n"
            "  object Query1: TQuery\r\n"
            "    DatabaseName = 'Sales'\r\n"
            "    Broken = @value\r\n"
            "  end\r\n"
            "  object Panel1: TPanel\r\n"
            "    object Query1: TQuery\r\n"
            "      DatabaseName = 'Sales'\r\n"
            "    end\r\n"
            "    object Query1: TQuery\r\n"
            "      DatabaseName = 'Sales'\r\n"
            "    end\r\n"
            "    object Query2: TQuery\r\n"
            "      DatabaseName = 'Sales'\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n");
  ASSERT_TRUE(RunFolder());
  const std::string form = dir.Path("Main.dfm");
  EXPECT_EQ(replacer->UnresolvedDatabases(),
            (std::vector<TUnresolvedDatabase>{{form, "Query1", "Sales"}, {form, "Query2", "Sales"}}));
}

TEST_F(FormConversion, BinaryFormsStayBinary) {
  std::string stream = platform::ObjectTextToBinary(kMainForm);
  dir.Write("Main.pas", kMainUnit);
  dir.Write("Main.dfm", platform::WriteResourceForm("TMAINFORM", stream));
  ASSERT_TRUE(RunFolder());
  std::string written = dir.Read("Main.dfm");
  platform::TRCData header;
  size_t start = platform::ReadResourceHeader(written, header);
  EXPECT_EQ(header.Name, "TMAINFORM");
  EXPECT_EQ(header.Size, written.size() - start);
  EXPECT_EQ(written.substr(start - 6, 2), "\x30\x10"s);
  EXPECT_EQ(platform::ObjectBinaryToText(written.substr(start)),
            "object MainForm: TMainForm\r\n"
            "  Left = 0\r\n"
            "  Caption = 'Main'\r\n"
            "  object Query1: TTarnQuery\r\n"
            "    SQL.Strings = (\r\n"
            "      'select * from t')\r\n"
            "    Left = 8\r\n"
            "    Top = 8\r\n"
            "  end\r\n"
            "  object Table1: TTarnTable\r\n"
            "    TableName = 'CUST'\r\n"
            "  end\r\n"
            "  inherited Base: TTarnQuery\r\n"
            "  end\r\n"
            "  inline Frame1: TTarnTable\r\n"
            "  end\r\n"
            "  object DataSource1: TDataSource\r\n"
            "    DataSet = Query1\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST_F(FormConversion, ProjectRunTurnsDatabaseNamesIntoConnections) {
  dir.Write("Project1.dpr",
            "program Project1;\r\nuses\r\n  Forms,\r\n  Main in 'Main.pas' {MainForm},\r\n"
            "  DataMod in 'sub\\DataMod.pas' {DM: TDataModule};\r\n{$R *.res}\r\nbegin\r\nend.\r\n");
  dir.Write("Main.pas", kMainUnit);
  dir.Write("Main.dfm", kMainForm);
  dir.Write("sub/DataMod.pas", "unit DataMod;\r\ninterface\r\nuses DBTables;\r\n{$R *.DFM}\r\nend.\r\n");
  dir.Write("sub/DataMod.dfm",
            "object DM: TDM\r\n"
            "  object Database1: TDatabase\r\n"
            "    DatabaseName = 'Sales'\r\n"
            "    Params.Strings = (\r\n"
            "      'USER NAME=sales'\r\n"
            "      'DATABASE NAME=shop')\r\n"
            "    TransIsolation = tiDirtyRead\r\n"
            "  end\r\n"
            "end\r\n");
  ASSERT_TRUE(RunProject("Project1.dpr", "Main.pas\r\nDataMod.pas\r\n"));
  EXPECT_EQ(replacer->DBList().Value("sales"), "DM.Database1");
  std::string main = dir.Read("Main.dfm");
  EXPECT_NE(main.find("    object Query1: TTarnQuery\r\n    Connection = DM.Database1\r\n"),
            std::string::npos) << main;
  EXPECT_NE(main.find("  object Table1: TTarnTable\r\n    Connection = DM.Database1\r\n"),
            std::string::npos) << main;
  EXPECT_EQ(dir.Read("sub/DataMod.dfm"),
            "object DM: TDM\r\n"
            "    object Database1: TTarnConnection\r\n"
            "    Database = 'shop'\r\n"
            "    Username = 'sales'\r\n"
            "    IsolationLevel = ilReadUnCommitted\r\n"
            "  end\r\n"
            "end\r\n");
  EXPECT_TRUE(replacer->UnresolvedDatabases().empty());
  // Project runs keep the project's folders in the backup folder, unit first.
  EXPECT_EQ(dir.Read("RBackup/Main.~dfm"), kMainForm);
  EXPECT_EQ(dir.Read("RBackup/RExpert.reu"),
            dir.Path("sub/DataMod.pas") + "=" + dir.Path("RBackup/sub/DataMod.~pas") + "\r\n" +
                dir.Path("Main.dfm") + "=" + dir.Path("RBackup/Main.~dfm") + "\r\n" +
                dir.Path("sub/DataMod.dfm") + "=" + dir.Path("RBackup/sub/DataMod.~dfm") + "\r\n");
}

TEST_F(FormConversion, TextAroundEachObjectIsKept) {
  const std::string form =
      "object F: TForm\r\n"
      "  Caption = 'x'\r\n"
      "  object Q: TQuery\r\n"
      "  end\r\n"
      "  Tail = 1\r\n"
      "end";
  dir.Write("F.pas", "unit F;\r\n{$R *.dfm}\r\nend.\r\n");
  dir.Write("F.dfm", form);
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("F.dfm"),
            "object F: TForm\r\n"
            "  Caption = 'x'\r\n"
            "    object Q: TTarnQuery\r\n"
            "  end\r\n"
            "Tail = 1\r\n"
            "end");
}

namespace {

const std::string kFUnit = "unit F;\r\n{$R *.dfm}\r\nend.\r\n";

}  // namespace

TEST_F(FormConversion, ConnectionTableOfInheritedAndEncodedDataModules) {
  dir.Write("Project1.dpr",
            "program Project1;\r\nuses\r\n  Main in 'Main.pas',\r\n  DataMod in 'DataMod.pas';\r\n"
            "begin\r\nend.\r\n");
  dir.Write("Main.pas", kMainUnit);
  dir.Write("DataMod.pas", "unit DataMod;\r\ninterface\r\n{$R *.dfm}\r\nend.\r\n");
  dir.Write("DataMod.dfm",
            "inherited DM2: TDM2\r\n"
            "  inherited Database0: TDatabase\r\n"
            "    DatabaseName = 'O''Brien'\r\n"
            "  end\r\n"
            "  object Database1: TDatabase\r\n"
            "    DatabaseName = 'Gr'#246'sse'\r\n"
            "  end\r\n"
            "  object Database2: TDatabase\r\n"
            "    DatabaseName = \r\n"
            "      'Very' +\r\n"
            "      'Long'\r\n"
            "  end\r\n"
            "end\r\n");
  dir.Write("Main.dfm",
            "object MainForm: TMainForm\r\n"
            "  object Q0: TQuery\r\n"
            "    DatabaseName = 'o'#39'brien'\r\n"
            "  end\r\n"
            "  object Q1: TQuery\r\n"
            "    DatabaseName = 'Gr\xF6sse'\r\n"  // an ANSI text form
            "  end\r\n"
            "  object Q2: TTable\r\n"
            "    DatabaseName = 'VeryLong'\r\n"
            "  end\r\n"
            "end\r\n");
  ASSERT_TRUE(RunProject("Project1.dpr", "Main.pas\r\nDataMod.pas\r\n"));
  EXPECT_EQ(replacer->DBList().Lines(),
            (std::vector<std::string>{"O'Brien=DM2.Database0", "Gr\xC3\xB6sse=DM2.Database1",
                                      "VeryLong=DM2.Database2"}));
  std::string main = dir.Read("Main.dfm");
  for (const char* wanted : {"Q0: TTarnQuery\r\n    Connection = DM2.Database0\r\n",
                             "Q1: TTarnQuery\r\n    Connection = DM2.Database1\r\n",
                             "Q2: TTarnTable\r\n    Connection = DM2.Database2\r\n"})
    EXPECT_NE(main.find(wanted), std::string::npos) << wanted << "\n" << main;
  EXPECT_TRUE(replacer->UnresolvedDatabases().empty());
}

// Only the keyword that opens a collection item counts as one: a property or
// object called Item leaves the nesting as it is.
TEST_F(FormConversion, ItemAsANameLeavesTheNestingAlone) {
  dir.Write("F.pas", kFUnit);
  dir.Write("F.dfm",
            "object F: TForm\r\n"
            "  Item = 1\r\n"
            "  Columns = <\r\n"
            "    item\r\n"
            "      Item = 2\r\n"
            "    end>\r\n"
            "  object Item: TPanel\r\n"
            "    Items.Item = Item\r\n"
            "    object Q: TQuery\r\n"
            "      Tag = 1\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n");
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("F.dfm"),
            "object F: TForm\r\n"
            "  Item = 1\r\n"
            "  Columns = <\r\n"
            "    item\r\n"
            "      Item = 2\r\n"
            "    end>\r\n"
            "  object Item: TPanel\r\n"
            "    Items.Item = Item\r\n"
            "        object Q: TTarnQuery\r\n"  // its own blanks, then the text for depth 2
            "      Tag = 1\r\n"
            "    end\r\n"
            "end\r\n"
            "end\r\n");
}

// Binary data in braces is a value (the unit tokenizer takes it for a
// comment): the child after it still counts.
TEST_F(FormConversion, BinaryDataBeforeAChildKeepsTheNesting) {
  dir.Write("F.pas", kFUnit);
  dir.Write("F.dfm",
            "object F: TForm\r\n"
            "  inherited P: TPanel\r\n"
            "    Data = {\r\n"
            "      0A0B}\r\n"
            "    inherited Q: TQuery\r\n"
            "      Tag = 1\r\n"
            "    end\r\n"
            "    object T: TTable\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n");
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("F.dfm"),
            "object F: TForm\r\n"
            "  inherited P: TPanel\r\n"
            "    Data = {\r\n"
            "      0A0B}\r\n"
            "        inherited Q: TTarnQuery\r\n"
            "      Tag = 1\r\n"
            "    end\r\n"
            "    object T: TTarnTable\r\n"
            "    end\r\n"
            "end\r\n"
            "end\r\n");
}

TEST_F(FormConversion, LineFeedFormsGetLineFeeds) {
  dir.Write("F.pas", kFUnit);
  dir.Write("F.dfm",
            "object F: TForm\n"
            "  object Q: TQuery\n"
            "    SQL.Strings = (\n"
            "      'select 1')\n"
            "    object QID: TIntegerField\n"
            "    end\n"
            "  end\n"
            "end\n");
  ASSERT_TRUE(RunFolder());
  EXPECT_EQ(dir.Read("F.dfm"),
            "object F: TForm\n"
            "    object Q: TTarnQuery\n"
            "    SQL.Strings = (\n"
            "            'select 1')\n"
            "    object QID: TIntegerField\n"
            "    end\n"
            "  end\n"
            "end\n");
}

TEST_F(FormConversion, ObjectsTheGrammarRefusesAreRecordedNotHidden) {
  dir.Write("F.pas", kFUnit);
  const std::string form =
      "object F: TForm\r\n"
      "  object Q: TQuery\r\n"
      "    DatabaseName = 'Sales'\r\n"
      "    Tag = 1\r\n"
      "    Bad = @x\r\n"
      "  end\r\n"
      "  object T: TTable\r\n"
      "    DatabaseName = 'Sales'\r\n"
      "  end\r\n"
      "end\r\n";
  dir.Write("F.dfm", form);
  ASSERT_TRUE(RunFolder());
  // The refused object keeps its body under the new class; the other converts.
  EXPECT_EQ(dir.Read("F.dfm"),
            "object F: TForm\r\n"
            "  object Q: TTarnQuery\r\n"
            "    DatabaseName = 'Sales'\r\n"
            "    Tag = 1\r\n"
            "    Bad = @x\r\n"
            "  end\r\n"
            "    object T: TTarnTable\r\n"
            "  end\r\n"
            "end\r\n");
  ASSERT_EQ(replacer->UnconvertedObjects().size(), 1u);
  const replace::TUnconvertedObject& u = replacer->UnconvertedObjects()[0];
  EXPECT_EQ(u.FormFile, dir.Path("F.dfm"));
  EXPECT_EQ(u.Line, 2);
  EXPECT_EQ(u.ObjectName, "Q");
  EXPECT_EQ(u.ClassName, "TQuery");
  EXPECT_EQ(u.NewClassName, "TTarnQuery");
  EXPECT_EQ(u.StopLine, 5);
  EXPECT_EQ(u.StopColumn, 11);
  EXPECT_EQ(u.Reason, "the form grammar does not accept \"@x\"");
  // Only the converted dataset lost its DatabaseName.
  EXPECT_EQ(replacer->UnresolvedDatabases(),
            (std::vector<TUnresolvedDatabase>{{dir.Path("F.dfm"), "T", "Sales"}}));

  // The next run starts with an empty list.
  dir.Write("F.dfm", "object F: TForm\r\nend\r\n");
  ASSERT_TRUE(RunFolder());
  EXPECT_TRUE(replacer->UnconvertedObjects().empty());
}

TEST_F(FormConversion, BinaryFormWithAnEncodedParameterList) {
  const std::string longPath = "C:\\Data\\" + std::string(70, 'x') + "\\employee.gdb";
  const std::string text =
      "object DM: TDM\r\n"
      "  object Database1: TDatabase\r\n"
      "    Params.Strings = (\r\n"
      "      'DATABASE NAME=" + longPath + "'\r\n"
      "      'USER NAME=O''Brien'\r\n"
      "      'PASSWORD=caf\xC3\xA9')\r\n"
      "  end\r\n"
      "end\r\n";
  dir.Write("DM.pas", "unit DM;\r\n{$R *.dfm}\r\nend.\r\n");
  dir.Write("DM.dfm", platform::WriteResourceForm("TDM", platform::ObjectTextToBinaryUtf8(text)));
  ASSERT_TRUE(RunFolder());
  std::string written = dir.Read("DM.dfm");
  platform::TRCData header;
  size_t start = platform::ReadResourceHeader(written, header);
  std::string back = platform::ObjectBinaryToTextUtf8(written.substr(start));
  EXPECT_EQ(platform::ObjectTextToBinaryUtf8(back),
            platform::ObjectTextToBinaryUtf8("object DM: TDM\r\n"
                                             "  object Database1: TTarnConnection\r\n"
                                             "    Database = '" + longPath + "'\r\n"
                                             "    Username = 'O''Brien'\r\n"
                                             "    Password = 'caf\xC3\xA9'\r\n"
                                             "  end\r\n"
                                             "end\r\n"))
      << back;
}

// Each value the IDE and form2text write, in a dataset and in a field under
// it, through binary form, conversion and binary form again.
TEST_F(FormConversion, EveryValueOfTheTextFormConvertsAndLoads) {
  struct Case { const char* header; const char* property; const char* after; } cases[] = {
      {" [0]", "Tag = 1", "Tag = 1"},
      {"", "Ratio = 1.5s", "Ratio = 1.5s"},
      {"", "Price = 15000c", "Price = 15000c"},
      {"", "Stamp = 45000.5d", "Stamp = 45000.5d"},
      {"", "Ratio = -INF", "Ratio = -INF"},
      {"", "Ratio = INF", "Ratio = INF"},
      {"", "Ratio = NAN", "Ratio = NAN"},
      {"", "Mask = $FF", "Mask = 255"},
      {"", "Link = A.B.C", "Link = A.B.C"},
      {"", "Items = <\r\n        item [3]\r\n          Size = 1.5s\r\n        end>",
       "Items = <\r\n        item [3]\r\n          Size = 1.5s\r\n        end>"},
  };
  auto formWith = [](const std::string& header, const std::string& property,
                     const std::string& newClass) {
    return "object F: TForm\r\n"
           "  object Q: " + newClass + header + "\r\n"
           "    Tag = 2\r\n"
           "    object QID: TBCDField" + header + "\r\n"
           "      " + property + "\r\n"
           "    end\r\n"
           "  end\r\n"
           "end\r\n";
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::string sub = "c" + std::to_string(i) + "/";
    dir.Write(sub + "F.pas", kFUnit);
    std::string text = formWith(cases[i].header, cases[i].property, "TQuery");
    dir.Write(sub + "F.dfm", platform::WriteResourceForm("TF", platform::ObjectTextToBinaryUtf8(text)));
  }
  ASSERT_TRUE(RunFolder());
  EXPECT_TRUE(replacer->UnconvertedObjects().empty());
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::string written = dir.Read("c" + std::to_string(i) + "/F.dfm");
    platform::TRCData header;
    size_t start = platform::ReadResourceHeader(written, header);
    EXPECT_EQ(platform::ObjectBinaryToTextUtf8(written.substr(start)),
              formWith(cases[i].header, cases[i].after, "TTarnQuery"))
        << cases[i].property;
  }
}

// Many datasets in one form: each is rebuilt, all text between them kept.
TEST_F(FormConversion, FormWithManyDatasets) {
  std::string form = "object F: TForm\r\n", converted = form;
  for (int i = 0; i < 400; ++i) {
    std::string n = std::to_string(i);
    form += "  object Q" + n + ": TQuery\r\n    Tag = " + n + "\r\n  end\r\n"
            "  object L" + n + ": TLabel\r\n    Caption = 'end'\r\n  end\r\n";
    converted += "    object Q" + n + ": TTarnQuery\r\n    Tag = " +
                 n + "\r\n  end\r\nobject L" + n + ": TLabel\r\n    Caption = 'end'\r\n  end\r\n";
  }
  form += "end\r\n";
  converted += "end\r\n";
  dir.Write("F.pas", kFUnit);
  dir.Write("F.dfm", form);
  ASSERT_TRUE(RunFolder());
  EXPECT_TRUE(dir.Read("F.dfm") == converted);
  ASSERT_EQ(replacer->ChangedFiles().size(), 1u);
  EXPECT_EQ(replacer->ChangedFiles()[0].Changes, 400);
}
