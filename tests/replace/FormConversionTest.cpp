#include <gtest/gtest.h>

#include "platform/ComponentStream.h"
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

// Folder run: no connection is known, so DatabaseName goes.
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
    "inherited Base: TQuery\r\n"
    "  end\r\n"
    "  inline Frame1: TwwTable\r\n"
    "  end\r\n"
    "  object DataSource1: TDataSource\r\n"
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
            "  inherited Base: TQuery\r\n"
            "  end\r\n"
            "  inline Frame1: TwwTable\r\n"
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
