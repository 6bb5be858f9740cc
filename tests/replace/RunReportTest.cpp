#include <algorithm>
#include <filesystem>
#include <fstream>

#include "replace/ManualWorkScan.h"
#include "replace/ReplaceFixture.h"
#include "replace/RunReportText.h"
#include "support/StrUtils.h"

using migwiz::replace::ScanUnitForManualWork;
using migwiz::replace::TManualWorkKind;
using migwiz::testing::ReadAll;
using migwiz::testing::ReplaceFixture;

namespace {

// The report with the run's folder written as ROOT, so that it can be kept
// as a fixture.
std::string Portable(std::string text, const std::string& root) {
  for (size_t at; (at = text.find(root)) != std::string::npos;) text.replace(at, root.size(), "ROOT");
#ifdef _WIN32  // the fixtures are written with Linux's delimiter
  std::replace(text.begin(), text.end(), '\\', '/');
#endif
  return text;
}

class RunReportTest : public ReplaceFixture {
 protected:
  void CopyOrders() {
    std::filesystem::copy(MIGWIZ_EXAMPLES "/Orders", dir.path(), std::filesystem::copy_options::recursive);
  }
  void ExpectReportIs(const std::string& fixture) {
    std::string actual = Portable(dir.Read("Wiz_Report.txt"), dir.path());
    std::string expected = ReadAll(MIGWIZ_FIXTURES "/" + fixture);
#ifdef _WIN32
    // A folder run takes the files in the order the folder lists them, which
    // is another on NTFS: the same lines, in another order.
    if (fixture.find("folder") != std::string::npos) {
      auto lines = [](const std::string& text) {
        auto v = migwiz::support::SplitTextLines(text);
        std::sort(v.begin(), v.end());
        return v;
      };
      EXPECT_EQ(lines(actual), lines(expected));
      return;
    }
#endif
    EXPECT_EQ(actual, expected);
    if (actual != expected) std::ofstream(::testing::TempDir() + fixture) << actual;
  }
};

}  // namespace

// Every dropped property and every dataset without a connection of the
// example, in a folder run (nothing linked) and a project run (all linked).
TEST_F(RunReportTest, TheExampleInAFolderRun) {
  CopyOrders();
  ASSERT_TRUE(RunFolder(false));
  ExpectReportIs("orders-folder-report.txt");
  EXPECT_EQ(replacer->ReportFileName(), dir.Path("Wiz_Report.txt"));
  EXPECT_EQ(replacer->Report().UnlinkedDatasets().size(), 6u);
}

TEST_F(RunReportTest, TheExampleInAProjectRun) {
  CopyOrders();
  options.Layout = migwiz::grammar::TObjectLayout::Kept;  // the lines of the converted forms as users get them
  ASSERT_TRUE(RunProject("Orders.dpr", "Main.pas\r\nDataMod.pas\r\nReport.pas\r\n"));
  ExpectReportIs("orders-project-report.txt");
  EXPECT_TRUE(replacer->Report().UnlinkedDatasets().empty());
}

TEST_F(RunReportTest, FolderRunLinkingConnectionsMatchesAProjectRun) {
  CopyOrders();
  options.LinkConnections = true;
  ASSERT_TRUE(RunFolder(false));
  const auto& objects = replacer->Report().ConvertedObjects();
  ASSERT_EQ(objects.size(), 9u);
  EXPECT_TRUE(replacer->Report().UnlinkedDatasets().empty());
  // Files come in the order the folder lists them.
  auto table = std::find_if(objects.begin(), objects.end(), [](const auto& o) { return o.Name == "tblCustomers"; });
  ASSERT_NE(table, objects.end());
  ASSERT_EQ(table->Translated.size(), 1u);
  EXPECT_EQ(table->Translated[0].NewName, "Connection");
  EXPECT_EQ(table->Translated[0].NewValue, "DM.Database1");
}

// What the run could not do: Params lines it does not translate, an
// isolation level it does not know, a password, and an object whose body the
// grammar cannot parse; and the run writes no report when told not to.
TEST_F(RunReportTest, DroppedParametersAndObjectsLeftUnparsed) {
  dir.Write("Data.pas", "unit Data;\r\ninterface\r\nuses DBTables;\r\n{$R *.dfm}\r\nend.\r\n");
  dir.Write("Data.dfm",
            "object D: TDataModule\r\n"
            "  object Db: TDatabase\r\n"
            "    DatabaseName = 'Sub'\r\n"
            "    Params.Strings = (\r\n"
            "      'ODBC DSN=SQLSub'\r\n"
            "      'user name=sa'\r\n"
            "      'PASSWORD=top''secret'\r\n"
            "      'SERVER NAME=')\r\n"
            "    TransIsolation = tiDirtyReadish\r\n"
            "  end\r\n"
            "  object T: TTable\r\n"
            "    DatabaseName = 'Elsewhere'\r\n"
            "  end\r\n"
            "  object Broken: TQuery\r\n"
            "    SQL.Strings = @what\r\n"
            "  end\r\n"
            "end\r\n");
  options.WriteReport = false;
  ASSERT_TRUE(RunFolder(false));
  EXPECT_FALSE(dir.Exists("Wiz_Report.txt"));
  EXPECT_EQ(replacer->ReportFileName(), "");
  const auto& report = replacer->Report();
  ASSERT_EQ(report.ConvertedObjects().size(), 2u);
  const auto& db = report.ConvertedObjects()[0];
  EXPECT_EQ(db.Place.Line, 2);
  EXPECT_EQ(db.Place.Path, "D.Db");
  ASSERT_EQ(db.Translated.size(), 2u);
  EXPECT_EQ(db.Translated[0].OldName, "Params USER NAME");
  EXPECT_EQ(db.Translated[0].NewValue, "'sa'");
  EXPECT_EQ(db.Translated[1].OldValue, "***");
  EXPECT_EQ(db.Translated[1].NewValue, "***");
  std::vector<std::pair<std::string, std::string>> dropped;
  for (const auto& d : db.Dropped) dropped.emplace_back(d.Name, d.Value);
  EXPECT_EQ(dropped, (std::vector<std::pair<std::string, std::string>>{{"DatabaseName", "'Sub'"},
                                                                         {"ODBC DSN", "SQLSub"},
                                                                         {"SERVER NAME", ""},
                                                                         {"TransIsolation", "tiDirtyReadish"}}));
  ASSERT_EQ(report.UnparsedObjects().size(), 1u);
  const auto& broken = report.UnparsedObjects()[0];
  EXPECT_EQ(broken.ObjectName, "Broken");
  EXPECT_EQ(broken.ClassName, "TQuery");
  EXPECT_EQ(broken.Line, 15);  // where the grammar stopped: at "@what"
  EXPECT_EQ(broken.Column, 19);
  std::string text = migwiz::replace::RunReportText(report);
  EXPECT_NE(text.find("  Data.dfm:15:19 Broken: TQuery: the form grammar does not accept \"@what\"\n"),
            std::string::npos) << text;
  EXPECT_NE(text.find("    dropped     Params line ODBC DSN=SQLSub\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("secret"), std::string::npos);
  EXPECT_NE(text.find("  database 'Elsewhere'\n    No TDatabase of the run carries this name"), std::string::npos);
}

// Each converted object is placed by its header's line and the names of the
// objects around it: containers left as they are count, collection items and
// the children of a converted sibling do not.
TEST_F(RunReportTest, PlacesOfConvertedObjectsInsideOthers) {
  dir.Write("Data.pas", "unit Data;\r\ninterface\r\nuses DBTables;\r\n{$R *.dfm}\r\nend.\r\n");
  dir.Write("Data.dfm",
            "object D: TDataModule\n"
            "  object Q: TQuery\n"
            "    ParamData = <\n"
            "      item\n"
            "        Name = 'p'\n"
            "      end>\n"
            "    object QId: TIntegerField\n"
            "    end\n"
            "  end\n"
            "  object P: TPanel\n"
            "    Items = <\n"
            "      item\n"
            "      end>\n"
            "    object T: TTable\n"
            "    end\n"
            "  end\n"
            "  object S: TStoredProc\n"
            "  end\n"
            "end\n");
  options.WriteReport = false;
  ASSERT_TRUE(RunFolder(false));
  std::vector<std::pair<int, std::string>> places;
  for (const auto& o : replacer->Report().ConvertedObjects()) places.emplace_back(o.Place.Line, o.Place.Path);
  EXPECT_EQ(places, (std::vector<std::pair<int, std::string>>{{2, "D.Q"}, {14, "D.P.T"}, {17, "D.S"}}));
}

TEST(ManualWorkScan, FindsWhatMustBeRewrittenOutsideStringsAndComments) {
  struct Case {
    const char* source;
    std::vector<std::tuple<TManualWorkKind, int, int, std::string>> expected;
  } cases[] = {
      {"uses SysUtils, BDE, DbiProcs,\r\n  dbitypes;",
       {{TManualWorkKind::mwBdeUnit, 1, 16, "BDE"},
        {TManualWorkKind::mwBdeUnit, 1, 21, "DbiProcs"},
        {TManualWorkKind::mwBdeUnit, 2, 3, "dbitypes"}}},
      {"begin\r\n  Check(DbiGetSysInfo(Info)); h := hDBIDb(x);\r\nend;",
       {{TManualWorkKind::mwBdeApi, 2, 9, "DbiGetSysInfo"}, {TManualWorkKind::mwBdeApi, 2, 36, "hDBIDb"}}},
      {"Session.NetFileDir := 'x'; S: TSession;",
       {{TManualWorkKind::mwSession, 1, 1, "Session"}, {TManualWorkKind::mwSession, 1, 31, "TSession"}}},
      {"Db.Params.Values['USER NAME'] := U;\nDb.Params.Add('PASSWORD=' + P);\nDb.Params.Add('SERVER NAME=db');",
       {{TManualWorkKind::mwBdeParameter, 1, 4, "Params.Values['USER NAME']"},
        {TManualWorkKind::mwBdeParameter, 2, 4, "Params.Add('PASSWORD=***')"},
        {TManualWorkKind::mwBdeParameter, 3, 4, "Params.Add('SERVER NAME=db')"}}},
      {"Query1.DatabaseName := 'Sales'; if Query1.DatabaseName = '' then",
       {{TManualWorkKind::mwDatabaseName, 1, 8, "DatabaseName :="}}},
      // Nothing inside strings and comments, nor look-alikes.
      {"ShowMessage('DbiOpenTable Session'); { DbiExit; uses BDE } // Session\r\nDbitmap := Sessionize;", {}},
      {"Q.Params[0].AsString := 'x'; Q.ParamByName('USER NAME');", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::tuple<TManualWorkKind, int, int, std::string>> actual;
    for (const auto& item : ScanUnitForManualWork(c.source))
      actual.emplace_back(item.Kind, item.Line, item.Column, item.Text);
    EXPECT_EQ(actual, c.expected) << c.source;
  }
}
