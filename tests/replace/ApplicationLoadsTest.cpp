// Whole applications converted in one run: connections linked to the right
// TDatabase when several applications share a tree, inherited objects
// converted with their ancestors, BDE objects without a counterpart and
// every dataset without a connection reported, and the run's check of its
// own output.
#include <algorithm>

#include "streams/ComponentStream.h"
#include "replace/ManualWorkScan.h"
#include "replace/ReplaceFixture.h"
#include "replace/RunReportJson.h"
#include "replace/RunReportText.h"

using namespace migwiz::replace;
using migwiz::testing::ReplaceFixture;

namespace {

// The report's text with relative paths as Linux writes them (Windows
// writes them with its own delimiter).
std::string ReportWithSlashes(const TRunReport& report) {
  std::string text = RunReportText(report);
#ifdef _WIN32
  std::replace(text.begin(), text.end(), '\\', '/');
#endif
  return text;
}

std::string Unit(const std::string& name, const std::string& uses) {
  return "unit " + name + ";\r\ninterface\r\nuses DBTables" + (uses.empty() ? "" : ", " + uses) +
         ";\r\n{$R *.dfm}\r\nend.\r\n";
}

std::string Project(const std::string& name, const std::vector<std::string>& units) {
  std::string text = "program " + name + ";\r\nuses\r\n  Forms";
  for (const std::string& u : units) text += ",\r\n  " + u + " in '" + u + ".pas'";
  return text + ";\r\nbegin\r\nend.\r\n";
}

std::string DataModule(const std::string& root, const std::string& databaseName) {
  return "object " + root + ": TDataModule\r\n  object Db: TDatabase\r\n    DatabaseName = '" + databaseName +
         "'\r\n  end\r\nend\r\n";
}

// A form with one query; databaseName empty for none.
std::string QueryForm(const std::string& root, const std::string& databaseName, const std::string& extra = "") {
  return "object " + root + ": TForm\r\n" + extra + "  object Qry: TQuery\r\n" +
         (databaseName.empty() ? "" : "    DatabaseName = '" + databaseName + "'\r\n") +
         "    SQL.Strings = (\r\n      'select 1')\r\n  end\r\nend\r\n";
}

class ApplicationLoads : public ReplaceFixture {
 protected:
  const TConvertedObject* Converted(const std::string& file, const std::string& path) const {
    for (const TConvertedObject& o : replacer->Report().ConvertedObjects())
      if (o.File == dir.Path(file) && o.Place.Path == path) return &o;
    return nullptr;
  }
};

}  // namespace

// Four applications in one tree, each with a TDatabase named Sales.
TEST_F(ApplicationLoads, EachDatasetFindsTheTDatabaseOfItsOwnApplication) {
  // a and b: a data module the main form's unit uses, each in its project.
  for (const char* app : {"a", "b"}) {
    const std::string up = std::string(1, static_cast<char>(app[0] - 'a' + 'A'));
    dir.Write(std::string(app) + "/App.dpr", Project("App", {"Main", "Data"}));
    dir.Write(std::string(app) + "/Main.pas", Unit("Main", "Data"));
    dir.Write(std::string(app) + "/Main.dfm", QueryForm("MainForm", "Sales"));
    dir.Write(std::string(app) + "/Data.pas", Unit("Data", ""));
    dir.Write(std::string(app) + "/Data.dfm", DataModule("DM" + up, "Sales"));
  }
  // c: the form holds its own TDatabase of that name (its root name,
  // MainForm, is shared with the other applications' forms).
  dir.Write("c/Own.pas", Unit("Own", ""));
  dir.Write("c/Own.dfm", QueryForm("MainForm", "Sales",
                                   "  object Db: TDatabase\r\n    DatabaseName = 'Sales'\r\n  end\r\n"));
  // d: no project, two data modules it uses: nothing tells them apart.
  dir.Write("d/Both.pas", Unit("Both", "D1, D2"));
  dir.Write("d/Both.dfm", QueryForm("BothForm", "Sales"));
  dir.Write("d/D1.pas", Unit("D1", ""));
  dir.Write("d/D1.dfm", DataModule("DMD1", "Sales"));
  dir.Write("d/D2.pas", Unit("D2", ""));
  dir.Write("d/D2.dfm", DataModule("DMD2", "Sales"));
  // e: a dataset without DatabaseName and one whose name no TDatabase has.
  dir.Write("e/None.pas", Unit("None", ""));
  dir.Write("e/None.dfm", QueryForm("NoneForm", ""));
  dir.Write("e/Other.pas", Unit("Other", ""));
  dir.Write("e/Other.dfm", QueryForm("OtherForm", "Elsewhere"));
  options.LinkConnections = true;
  ASSERT_TRUE(RunFolder());

  struct Expected {
    const char* file;
    const char* path;
    TLinkReason reason;
    const char* connection;  // "" for none
  };
  const Expected kExpected[] = {
      {"a/Main.dfm", "MainForm.Qry", TLinkReason::lrLinked, "DMA.Db"},
      {"b/Main.dfm", "MainForm.Qry", TLinkReason::lrLinked, "DMB.Db"},
      {"c/Own.dfm", "MainForm.Qry", TLinkReason::lrLinked, "MainForm.Db"},
      {"d/Both.dfm", "BothForm.Qry", TLinkReason::lrAmbiguous, ""},
      {"e/None.dfm", "NoneForm.Qry", TLinkReason::lrNoDatabaseName, ""},
      {"e/Other.dfm", "OtherForm.Qry", TLinkReason::lrNoDatabase, ""},
  };
  for (const Expected& e : kExpected) {
    const TConvertedObject* o = Converted(e.file, e.path);
    ASSERT_NE(o, nullptr) << e.file;
    EXPECT_TRUE(o->NeedsConnection) << e.file;
    EXPECT_EQ(o->Connection.Reason, e.reason) << e.file;
    const std::string form = dir.Read(e.file);
    if (*e.connection)
      EXPECT_NE(form.find(std::string("Connection = ") + e.connection + "\r\n"), std::string::npos) << form;
    else
      EXPECT_EQ(form.find("Connection"), std::string::npos) << form;
  }
  // The ambiguous one names both candidates; every unlinked dataset is listed.
  EXPECT_EQ(Converted("d/Both.dfm", "BothForm.Qry")->Connection.Candidates,
            (std::vector<TDatabaseCandidate>{{dir.Path("d/D1.dfm"), "DMD1.Db"}, {dir.Path("d/D2.dfm"), "DMD2.Db"}}));
  EXPECT_EQ(replacer->Report().UnlinkedDatasets().size(), 3u);
  const std::string text = ReportWithSlashes(replacer->Report());
  EXPECT_NE(text.find("      candidate DMD1.Db (d/D1.dfm)\n      candidate DMD2.Db (d/D2.dfm)\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("  no DatabaseName\n    It names no database in the form"), std::string::npos) << text;
  EXPECT_NE(text.find("self-check findings:                      0\n"), std::string::npos) << text;
}

// Two forms of one name: a reference DM.Db could mean either, so it is
// made only from the dataset's own form.
TEST_F(ApplicationLoads, AFormNameTwoFormsShareIsNotReferenced) {
  dir.Write("App.dpr", Project("App", {"Main", "Data", "Spare"}));
  dir.Write("Main.pas", Unit("Main", "Data"));
  dir.Write("Main.dfm", QueryForm("MainForm", "Sales"));
  dir.Write("Data.pas", Unit("Data", ""));
  dir.Write("Data.dfm", DataModule("DM", "Sales"));
  dir.Write("Spare.pas", Unit("Spare", ""));
  dir.Write("Spare.dfm", DataModule("DM", "Archive"));
  options.LinkConnections = true;
  ASSERT_TRUE(RunFolder());
  const TConvertedObject* o = Converted("Main.dfm", "MainForm.Qry");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Connection.Reason, TLinkReason::lrSharedRoot);
  EXPECT_EQ(o->Connection.Chosen.Reference, "DM.Db");
  EXPECT_EQ(dir.Read("Main.dfm").find("Connection"), std::string::npos);
}

// Without --link-connections the report's hint names the TDatabase a
// linking run would choose, by the same order.
TEST_F(ApplicationLoads, TheHintOfARunWithoutLinksChoosesTheSameWay) {
  for (const char* app : {"a", "b"}) {
    dir.Write(std::string(app) + "/App.dpr", Project("App", {"Main", "Data"}));
    dir.Write(std::string(app) + "/Main.pas", Unit("Main", "Data"));
    dir.Write(std::string(app) + "/Main.dfm", QueryForm("MainForm", "Sales"));
    dir.Write(std::string(app) + "/Data.pas", Unit("Data", ""));
    dir.Write(std::string(app) + "/Data.dfm", DataModule(std::string("DM") + app, "Sales"));
  }
  // Outside both projects, reaching neither: a linking run could not choose.
  dir.Write("c/Lone.pas", Unit("Lone", ""));
  dir.Write("c/Lone.dfm", QueryForm("LoneForm", "Sales"));
  dir.Write("c/Far.pas", Unit("Far", ""));
  dir.Write("c/Far.dfm", QueryForm("FarForm", "Nowhere"));
  ASSERT_TRUE(RunFolder());
  for (const char* app : {"a", "b"}) {
    const TConvertedObject* o = Converted(std::string(app) + "/Main.dfm", "MainForm.Qry");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Connection.Reason, TLinkReason::lrNotLinking);
    EXPECT_EQ(o->Connection.Chosen.Reference, std::string("DM") + app + ".Db");
  }
  EXPECT_EQ(Converted("c/Lone.dfm", "LoneForm.Qry")->Connection.Reason, TLinkReason::lrAmbiguous);
  EXPECT_EQ(Converted("c/Lone.dfm", "LoneForm.Qry")->Connection.Candidates.size(), 2u);
  EXPECT_EQ(Converted("c/Far.dfm", "FarForm.Qry")->Connection.Reason, TLinkReason::lrNoDatabase);
  const std::string text = ReportWithSlashes(replacer->Report());
  EXPECT_NE(text.find("    a/Main.dfm:2 (converted: line 2) MainForm.Qry\n      The TDatabase DMa.Db (a/Data.dfm) carries this name: run "
                      "again with --link-connections"),
            std::string::npos)
      << text;
}

// An ancestor form and its descendant, text and binary: the inherited
// object becomes the class its ancestor becomes, with its properties
// translated and its connection linked.
TEST_F(ApplicationLoads, InheritedObjectsAreConvertedInTextAndBinaryForms) {
  const std::string child =
      "inherited ChildForm: TChildForm\r\n"
      "  Caption = 'Child'\r\n"
      "  inherited Qry: TQuery\r\n"
      "    DatabaseName = 'Sales'\r\n"
      "    RequestLive = True\r\n"
      "  end\r\n"
      "  inline Frame1: TFrame1\r\n"
      "    inherited Tbl: TTable\r\n"
      "      SessionName = 'Default'\r\n"
      "    end\r\n"
      "  end\r\n"
      "end\r\n";
  dir.Write("App.dpr", Project("App", {"Base", "Child", "Bin"}));
  dir.Write("Base.pas", Unit("Base", ""));
  dir.Write("Base.dfm", QueryForm("BaseForm", "Sales", "  object Db: TDatabase\r\n    DatabaseName = 'Sales'\r\n  end\r\n"));
  dir.Write("Child.pas", Unit("Child", "Base"));
  dir.Write("Child.dfm", child);
  dir.Write("Bin.pas", Unit("Bin", "Base"));
  dir.Write("Bin.dfm", migwiz::platform::WriteResourceForm("TCHILDFORM", migwiz::platform::ObjectTextToBinary(child)));
  ASSERT_TRUE(RunProject("App.dpr", "Base.pas\r\nChild.pas\r\nBin.pas\r\n"));
  const std::string text = dir.Read("Child.dfm");
  EXPECT_NE(text.find("inherited Qry: TTarnQuery\r\n    Connection = BaseForm.Db\r\n  end"), std::string::npos) << text;
  EXPECT_NE(text.find("inherited Tbl: TTarnTable\r\n    end"), std::string::npos) << text;
  std::string binary = dir.Read("Bin.dfm");
  migwiz::platform::TRCData header;
  const std::string asText =
      migwiz::platform::ObjectBinaryToText(binary.substr(migwiz::platform::ReadResourceHeader(binary, header)));
  EXPECT_NE(asText.find("  inherited Qry: TTarnQuery\r\n    Connection = BaseForm.Db\r\n  end"), std::string::npos)
      << asText;
  EXPECT_NE(asText.find("    inherited Tbl: TTarnTable\r\n    end"), std::string::npos) << asText;
  for (const char* file : {"Child.dfm", "Bin.dfm"}) {
    const TConvertedObject* qry = Converted(file, "ChildForm.Qry");
    ASSERT_NE(qry, nullptr) << file;
    EXPECT_EQ(qry->Connection.Reason, TLinkReason::lrLinked);
    EXPECT_EQ(qry->Dropped.size(), 1u);  // RequestLive
    const TConvertedObject* tbl = Converted(file, "ChildForm.Frame1.Tbl");
    ASSERT_NE(tbl, nullptr) << file;
    EXPECT_EQ(tbl->Connection.Reason, TLinkReason::lrNoDatabaseName);  // its ancestor's is inherited
  }
  EXPECT_TRUE(replacer->Report().SelfChecked());  // after the copy back
  EXPECT_TRUE(replacer->Report().SelfCheckFindings().empty());
}

// A TSession has no counterpart: it stays, and the report says what to do;
// an object whose new class is not registered keeps what it has and says so.
TEST_F(ApplicationLoads, ObjectsWithoutCounterpartOrUnknownClassAreReported) {
  replacer->AddReplacePair("TOldGrid", "TNewGrid");
  dir.Write("Main.pas", Unit("Main", ""));
  dir.Write("Main.dfm",
            "object MainForm: TForm\r\n"
            "  object Session1: TSession\r\n    SessionName = 'S'\r\n  end\r\n"
            "  object Grid: TOldGrid\r\n    Odd = 1\r\n  end\r\n"
            "end\r\n");
  ASSERT_TRUE(RunFolder());
  const TRunReport& r = replacer->Report();
  ASSERT_EQ(r.ObjectsWithoutCounterpart().size(), 1u);
  EXPECT_EQ(r.ObjectsWithoutCounterpart()[0].Place.Path, "MainForm.Session1");
  EXPECT_EQ(r.ObjectsWithoutCounterpart()[0].Place.Line, 2);
  EXPECT_NE(dir.Read("Main.dfm").find("object Session1: TSession"), std::string::npos);
  EXPECT_EQ(r.UncheckedObjectsCount(), 1u);
  const std::string text = RunReportText(r);
  EXPECT_NE(text.find("  Main.dfm:2 MainForm.Session1: TSession: remove it"), std::string::npos) << text;
  EXPECT_NE(text.find("    properties not checked: TNewGrid is not a known class"), std::string::npos) << text;
  const std::string json = RunReportJson(r);
  EXPECT_NE(json.find("\"className\": \"TSession\""), std::string::npos);
  EXPECT_NE(json.find("\"version\": 2"), std::string::npos);
}

// The check reads the converted form again: a form whose text (outside
// any converted object) makes no binary stream is a finding, in a dry run
// too; the run itself stands.
TEST_F(ApplicationLoads, TheSelfCheckFindsAFormThatDoesNotLoad) {
  dir.Write("Main.pas", Unit("Main", ""));
  dir.Write("Main.dfm", QueryForm("MainForm", "", "  object L: TLabel\r\n    Caption = @\r\n  end\r\n"));
  SCOPED_TRACE("dry run");
  replacer->SetDryRun(true);
  ASSERT_TRUE(RunFolder());
  const TRunReport& r = replacer->Report();
  EXPECT_TRUE(r.SelfChecked());
  ASSERT_EQ(r.SelfCheckFindings().size(), 1u);
  EXPECT_NE(r.SelfCheckFindings()[0].Finding.find("does not load"), std::string::npos);
  EXPECT_NE(RunReportText(r).find("self-check findings:                      1\n"), std::string::npos);
}

// The check reads each converted copy again as the IDE would, alike in a
// dry run (the copy in memory; a binary one as the text the report's lines
// came from) and after a run (the files written), in a text and a binary
// form: a dataset inside a panel, after a collection, that holds a
// Connection the report lists as missing; objects that were not converted
// are not looked at; of two objects of one path the first is the one read.
TEST_F(ApplicationLoads, TheSelfCheckReadsDryAndWrittenCopiesAlike) {
  struct Case {
    std::string form, finding;
  } cases[] = {
      {"object MainForm: TForm\r\n"
       "  Items = <\r\n    item\r\n      Name = 'a'\r\n    end>\r\n"
       "  object Panel1: TPanel\r\n"
       "    Caption = 'p'\r\n"
       "    object Lbl: TLabel\r\n      Connection = Foo\r\n    end\r\n"
       "    object Qry: TQuery\r\n      Connection = Foo\r\n      SQL.Strings = (\r\n        'select 1')\r\n    end\r\n"
       "  end\r\n"
       "  object Tbl: TTable\r\n    DatabaseName = 'X'\r\n  end\r\n"
       "  object Panel1: TPanel\r\n    object Qry: TLabel\r\n      Connection = Foo\r\n    end\r\n  end\r\n"
       "end\r\n",
       "MainForm.Panel1.Qry: holds a Connection the report lists as missing"},
      {"object MainForm: TForm\r\n"
       "  object Panel1: TPanel\r\n    object Qry: TLabel\r\n      Connection = Foo\r\n    end\r\n  end\r\n"
       "  object Panel1: TPanel\r\n    object Qry: TQuery\r\n      Tag = 1\r\n    end\r\n  end\r\n"
       "end\r\n",
       "MainForm.Panel1.Qry: not found as a TTarnQuery in the converted form"},
  };
  auto findings = [&] {
    std::vector<std::string> list;
    for (const TSelfCheckFinding& f : replacer->Report().SelfCheckFindings())
      list.push_back(f.File.substr(f.File.find_last_of("/\\") + 1) + " " + f.Object + ": " + f.Finding);
    std::sort(list.begin(), list.end());
    return list;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.finding);
    dir.Write("Main.pas", Unit("Main", ""));
    dir.Write("Main.dfm", c.form);
    dir.Write("Bin.pas", Unit("Bin", ""));
    dir.Write("Bin.dfm", migwiz::platform::WriteResourceForm("TMAINFORM", migwiz::platform::ObjectTextToBinary(c.form)));
    const std::vector<std::string> expected = {"Bin.dfm " + c.finding, "Main.dfm " + c.finding};
    replacer->SetDryRun(true);
    ASSERT_TRUE(RunFolder());
    EXPECT_EQ(findings(), expected) << "dry run";
    replacer->SetDryRun(false);
    ASSERT_TRUE(RunFolder());
    EXPECT_EQ(findings(), expected) << "run";
  }
}

// Renames inside comments are counted apart from those in code.
TEST_F(ApplicationLoads, RenamesInCommentsAreCountedApart) {
  dir.Write("U.pas",
            "unit U;\r\ninterface\r\nuses DBTables;\r\n{ a TQuery and a TTable }\r\n"
            "var Q: TQuery; // TQuery\r\nimplementation\r\nend.\r\n");
  ASSERT_TRUE(RunFolder());
  ASSERT_EQ(replacer->Report().UnitChanges().size(), 1u);
  const TUnitChange& u = replacer->Report().UnitChanges()[0];
  EXPECT_EQ(u.IdentifiersRenamed, 1);
  EXPECT_EQ(u.RenamedInComments, 3);
  EXPECT_TRUE(u.UsesExtended);
}

// Every kind of hand work, found in code and never in strings or comments.
TEST(ManualWorkScanTest, EveryKindInCodeNoneInStringsOrComments) {
  const std::string code =
      "uses Bde.DBTables, DbiProcs;\r\n"                 // a unit scope, then a BDE unit
      "var Database1: TDatabase;\r\n"
      "begin\r\n"
      "  DBIsaveChanges(Table1.Handle);\r\n"
      "  Database1.Params.Clear;\r\n"
      "  Database1.Params.Append(S);\r\n"
      "  Database1.Params.Strings[0] := S;\r\n"
      "  Query1.Params.Clear;\r\n"                      // a query's own parameters
      "  Q := TQuery.Create(nil);\r\n"
      "  Query1.RequestLive := True;\r\n"
      "  Database1.AliasName := 'X';\r\n"
      "  Table1.BatchMove(Other, batAppend);\r\n"
      "  DBImage1.Picture := nil;\r\n"                   // a component, not the API
      "  S := 'DbiExit(); RequestLive := TQuery.Create(';\r\n"
      "  { DbiExit(); Params.Clear; TQuery.Create( }\r\n"
      "end.\r\n";
  struct Expected {
    TManualWorkKind kind;
    const char* text;
  };
  const Expected kExpected[] = {
      {TManualWorkKind::mwBdeUnit, "DbiProcs"},
      {TManualWorkKind::mwBdeApi, "DBIsaveChanges"},
      {TManualWorkKind::mwDatabaseParams, "Params.Clear"},
      {TManualWorkKind::mwDatabaseParams, "Params.Append"},
      {TManualWorkKind::mwDatabaseParams, "Params.Strings"},
      {TManualWorkKind::mwBdeCreate, "TQuery.Create"},
      {TManualWorkKind::mwBdeProperty, "RequestLive :="},
      {TManualWorkKind::mwBdeProperty, "AliasName :="},
      {TManualWorkKind::mwBatchMove, "BatchMove("},
  };
  const std::vector<TManualWorkItem> items = ScanUnitForManualWork(code);
  ASSERT_EQ(items.size(), std::size(kExpected));
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].Kind, kExpected[i].kind) << i;
    EXPECT_EQ(items[i].Text, kExpected[i].text) << i;
  }
}

// A project run does not convert its project source but reports its hand
// work.
TEST_F(ApplicationLoads, AProjectRunReportsTheHandWorkOfItsProjectSource) {
  dir.Write("App.dpr", "program App;\r\nuses Forms, Main in 'Main.pas';\r\nbegin\r\n  Session.Open;\r\nend.\r\n");
  dir.Write("Main.pas", Unit("Main", ""));
  dir.Write("Main.dfm", QueryForm("MainForm", ""));
  ASSERT_TRUE(RunProject("App.dpr", "Main.pas\r\n"));
  const auto& work = replacer->Report().ManualWork();
  ASSERT_EQ(work.size(), 1u);
  EXPECT_EQ(work[0].File, dir.Path("App.dpr"));
  EXPECT_EQ(work[0].Item.Kind, TManualWorkKind::mwSession);
  EXPECT_EQ(work[0].Item.Line, 4);
}

// Projects narrow where uses clauses do not: each main unit here uses no
// data module, and only its project (a .dproj alone) tells the two apart.
TEST_F(ApplicationLoads, AProjectFileTellsApplicationsApart) {
  for (const char* app : {"x", "y"}) {
    const std::string a = app;
    dir.Write(a + "/" + a + ".dproj",
              "<Project>\r\n  <ItemGroup>\r\n    <DelphiCompile Include=\"" + a + ".dpr\"/>\r\n"
              "    <DCCReference Include=\"Main" + a + ".pas\"/>\r\n"
              "    <DCCReference Include=\"Data" + a + ".pas\"/>\r\n  </ItemGroup>\r\n</Project>\r\n");
    dir.Write(a + "/Main" + a + ".pas", Unit("Main" + a, ""));
    dir.Write(a + "/Main" + a + ".dfm", QueryForm("Form" + a, "Sales"));
    dir.Write(a + "/Data" + a + ".pas", Unit("Data" + a, ""));
    dir.Write(a + "/Data" + a + ".dfm", DataModule("DM" + a, "Sales"));
  }
  options.LinkConnections = true;
  ASSERT_TRUE(RunFolder());
  for (const char* app : {"x", "y"}) {
    const std::string a = app;
    const TConvertedObject* o = Converted(a + "/Main" + a + ".dfm", "Form" + a + ".Qry");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Connection.Reason, TLinkReason::lrLinked) << a;
    EXPECT_EQ(o->Connection.Chosen.Reference, "DM" + a + ".Db");
  }
}
