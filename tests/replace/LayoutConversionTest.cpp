// Forms converted in both layouts: the kept layout changes only the lines
// whose meaning changed, and both layouts load as the same component stream.
#include <gtest/gtest.h>

#include <map>

#include "streams/ComponentStream.h"
#include "replace/ReplaceFixture.h"
#include "support/StrUtils.h"

using namespace migwiz;
using namespace migwiz::testing;

namespace {

const std::string kUnit = "unit F;\r\n{$R *.dfm}\r\nend.\r\n";

// The data module whose TDatabase the datasets are linked to.
const std::string kDataModule =
    "object DM: TDataModule\r\n"
    "  Left = 1\r\n"
    "  object Database1: TDatabase\r\n"
    "    AliasName = 'SALES'\r\n"
    "    DatabaseName = 'Sales'\r\n"
    "    LoginPrompt = False\r\n"
    "    Params.Strings = (\r\n"
    "      'USER NAME=admin'\r\n"
    "      'PASSWORD=it''s'\r\n"
    "      'DATABASE NAME=shop')\r\n"
    "    TransIsolation = tiReadCommitted\r\n"
    "    Left = 8\r\n"
    "  end\r\n"
    "  object Timer1: TTimer\r\n"
    "    Left = 40\r\n"
    "  end\r\n"
    "end\r\n";

const std::string kDataModuleKept =
    "object DM: TDataModule\r\n"
    "  Left = 1\r\n"
    "  object Database1: TTarnConnection\r\n"
    "    LoginPrompt = False\r\n"
    "    Database = 'shop'\r\n"
    "    Username = 'admin'\r\n"
    "    Password = 'it''s'\r\n"
    "    IsolationLevel = ilReadCommitted\r\n"
    "    Left = 8\r\n"
    "  end\r\n"
    "  object Timer1: TTimer\r\n"
    "    Left = 40\r\n"
    "  end\r\n"
    "end\r\n";

std::string FormWith(const std::string& objects) {
  return "object F: TForm\r\n  Caption = 'F'\r\n" + objects + "  object After: TLabel\r\n    Left = 2\r\n  end\r\nend\r\n";
}

std::string Stream(const std::string& text) { return platform::ObjectTextToBinaryUtf8(text); }

// The 1-based line of text, without its line break.
std::string LineOf(const std::string& text, int line) {
  std::vector<std::string> lines = support::SplitTextLines(text);
  return line >= 1 && static_cast<size_t>(line) <= lines.size() ? lines[line - 1] : std::string();
}

class LayoutConversion : public ReplaceFixture {
 protected:
  // Runs over the folder sub in the given layout, with the connections of
  // the run linked.
  void Run(const std::string& sub, grammar::TObjectLayout layout) {
    options.Layout = layout;
    options.LinkConnections = true;
    options.MakeBackup = false;
    options.WriteLog = false;
    options.WriteReport = false;
    ASSERT_TRUE(RunFolder(dir.Path(sub), true));
    EXPECT_TRUE(replacer->UnconvertedObjects().empty());
    ExpectHeadersWhereTheReportSays();
  }

  // The report names the line of each converted object in the original
  // form and in the converted one (for a binary form, in their text forms).
  void ExpectHeadersWhereTheReportSays() {
    EXPECT_FALSE(replacer->Report().ConvertedObjects().empty());
    for (const replace::TConvertedObject& o : replacer->Report().ConvertedObjects()) {
      std::string header = " " + o.Name + ": " + o.NewClass, oldHeader = " " + o.Name + ": " + o.OldClass;
      std::string original = backups_[o.File], converted = dir.Read(o.File.substr(dir.path().size() + 1));
      if (o.Place.Binary) {
        original = platform::ObjectBinaryToTextUtf8(original.substr(platform::ReadResourceHeader(original, rc_)));
        converted = platform::ObjectBinaryToTextUtf8(converted.substr(platform::ReadResourceHeader(converted, rc_)));
      }
      EXPECT_NE(LineOf(original, o.Place.Line).find(oldHeader), std::string::npos) << o.File << oldHeader;
      EXPECT_NE(LineOf(converted, o.Place.ConvertedLine).find(header), std::string::npos) << o.File << header;
    }
  }
  // Form files as written, by full name, before the run changes them.
  void Keep(const std::string& file, const std::string& bytes) {
    dir.Write(file, bytes);
    backups_[dir.Path(file)] = bytes;
  }

 private:
  std::map<std::string, std::string> backups_;
  platform::TRCData rc_;
};

}  // namespace

TEST_F(LayoutConversion, EveryKindOfValueInBothLayouts) {
  struct Case {
    const char* what;
    std::string objects;
    std::string kept;
  } cases[] = {
      {"a string split with +, a list with joins and codes, a collection",
       "  object Q: TQuery\r\n"
       "    DatabaseName = 'Sa' +\r\n"
       "      'les'\r\n"
       "    SQL.Strings = (\r\n"
       "      'select a, ' +\r\n"
       "        'b from t'\r\n"
       "      'where c = '#39'x'#39)\r\n"
       "    ParamData = <\r\n"
       "      item\r\n"
       "        DataType = ftInteger\r\n"
       "        Name = 'ID'\r\n"
       "      end>\r\n"
       "  end\r\n",
       "  object Q: TTarnQuery\r\n"
       "    Connection = DM.Database1\r\n"
       "    SQL.Strings = (\r\n"
       "      'select a, ' +\r\n"
       "        'b from t'\r\n"
       "      'where c = '#39'x'#39)\r\n"
       "    ParamData = <\r\n"
       "      item\r\n"
       "        DataType = ftInteger\r\n"
       "        Name = 'ID'\r\n"
       "      end>\r\n"
       "  end\r\n"},
      {"binary data dropped and kept, a renamed property, nested children",
       "  object T: TTable\r\n"
       "    DataSource = S\r\n"
       "    DatabaseName = 'Sales'\r\n"
       "    StoreData = {\r\n"
       "      0A0B0C0D0E0F\r\n"
       "      1011}\r\n"
       "    TableName = 'CUST'\r\n"
       "    Filter = 'a > 1'\r\n"
       "    object TID: TIntegerField\r\n"
       "      FieldName = 'ID'\r\n"
       "    end\r\n"
       "    object TPic: TGraphicField\r\n"
       "      BlobData = {\r\n"
       "        0102}\r\n"
       "      object Deep: TX\r\n"
       "      end\r\n"
       "    end\r\n"
       "  end\r\n",
       "  object T: TTarnTable\r\n"
       "    Connection = DM.Database1\r\n"
       "    TableName = 'CUST'\r\n"
       "    Filter = 'a > 1'\r\n"
       "    object TID: TIntegerField\r\n"
       "      FieldName = 'ID'\r\n"
       "    end\r\n"
       "    object TPic: TGraphicField\r\n"
       "      BlobData = {\r\n"
       "        0102}\r\n"
       "      object Deep: TX\r\n"
       "      end\r\n"
       "    end\r\n"
       "  end\r\n"},
      {"a dataset two levels down, a query's DataSource renamed, the next object untouched",
       "  object P: TPanel\r\n"
       "    object Q2: TQuery\r\n"
       "      DataSource = S\r\n"
       "      RequestLive = True\r\n"
       "      Tag = 4\r\n"
       "    end\r\n"
       "    object S: TDataSource\r\n"
       "      DataSet = Q2\r\n"
       "    end\r\n"
       "  end\r\n",
       "  object P: TPanel\r\n"
       "    object Q2: TTarnQuery\r\n"
       "      MasterSource = S\r\n"
       "      Tag = 4\r\n"
       "    end\r\n"
       "    object S: TDataSource\r\n"
       "      DataSet = Q2\r\n"
       "    end\r\n"
       "  end\r\n"},
      {"objects with nothing to translate, one after the other",
       "  object U: TUpdateSQL\r\n"
       "    ModifySQL.Strings = (\r\n"
       "      'update t set a = :a')\r\n"
       "  end\r\n"
       "  object U2: TUpdateSQL\r\n"
       "  end\r\n",
       "  object U: TTarnUpdateSQL\r\n"
       "    ModifySQL.Strings = (\r\n"
       "      'update t set a = :a')\r\n"
       "  end\r\n"
       "  object U2: TTarnUpdateSQL\r\n"
       "  end\r\n"},
  };
  for (const char* layout : {"kept", "design"}) {
    dir.Write(std::string(layout) + "/DM.pas", kUnit);
    Keep(std::string(layout) + "/DM.dfm", kDataModule);
    for (size_t i = 0; i < std::size(cases); ++i) {
      std::string sub = std::string(layout) + "/c" + std::to_string(i) + "/";
      dir.Write(sub + "F.pas", kUnit);
      Keep(sub + "F.dfm", FormWith(cases[i].objects));
    }
  }
  Run("kept", grammar::TObjectLayout::Kept);
  Run("design", grammar::TObjectLayout::Design);

  EXPECT_EQ(dir.Read("kept/DM.dfm"), kDataModuleKept);
  EXPECT_EQ(Stream(dir.Read("kept/DM.dfm")), Stream(dir.Read("design/DM.dfm")));
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::string sub = "/c" + std::to_string(i) + "/F.dfm";
    std::string kept = dir.Read("kept" + sub), design = dir.Read("design" + sub);
    EXPECT_EQ(kept, FormWith(cases[i].kept)) << cases[i].what;
    EXPECT_NE(design, kept) << cases[i].what;
    EXPECT_EQ(Stream(kept), Stream(design)) << cases[i].what;
  }
}

// A binary form is written by the stream writer whatever the layout.
TEST_F(LayoutConversion, BinaryFormsAreTheSameInBothLayouts) {
  const std::string form = FormWith(
      "  object Q: TQuery\r\n    DatabaseName = 'Sales'\r\n    SQL.Strings = (\r\n      'select 1')\r\n"
      "    object QID: TIntegerField\r\n    end\r\n  end\r\n");
  for (const char* layout : {"kept", "design"}) {
    dir.Write(std::string(layout) + "/DM.pas", kUnit);
    Keep(std::string(layout) + "/DM.dfm", platform::WriteResourceForm("TDM", Stream(kDataModule)));
    dir.Write(std::string(layout) + "/F.pas", kUnit);
    Keep(std::string(layout) + "/F.dfm", platform::WriteResourceForm("TF", Stream(form)));
  }
  Run("kept", grammar::TObjectLayout::Kept);
  Run("design", grammar::TObjectLayout::Design);
  EXPECT_NE(dir.Read("kept/F.dfm"), platform::WriteResourceForm("TF", Stream(form)));
  EXPECT_EQ(dir.Read("kept/F.dfm"), dir.Read("design/F.dfm"));
  EXPECT_EQ(dir.Read("kept/DM.dfm"), dir.Read("design/DM.dfm"));
}
