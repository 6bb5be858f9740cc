#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <regex>
#include <set>

#include "MigwizProgram.h"
#include "testing/RunProgram.h"
#include "testing/TempDir.h"

using migwiz::testing::ProgramResult;
using migwiz::testing::ReadAll;
using migwiz::testing::RunProgram;
using migwiz::testing::TempDir;
using nlohmann::json;

namespace {

using migwiz::testing::kMigwiz;
using migwiz::testing::Migwiz;
const std::string& kUnit = migwiz::testing::kBdeUnit;
const std::string& kForm = migwiz::testing::kBdeForm;

void CopyOrders(const TempDir& dir) {
  std::filesystem::copy(MIGWIZ_EXAMPLES "/Orders", dir.Path("Orders"), std::filesystem::copy_options::recursive);
}

// Checks a value against the parts of JSON Schema that the report's schema
// uses: type, const, enum, required, properties and items.
void ExpectMatches(const json& schema, const json& value, const std::string& where) {
  if (schema.contains("const")) {
    EXPECT_EQ(value, schema["const"]) << where;
  }
  if (schema.contains("enum")) {
    bool found = false;
    for (const json& e : schema["enum"]) found = found || e == value;
    EXPECT_TRUE(found) << where << ": " << value;
  }
  if (schema.contains("type")) {
    std::vector<std::string> types;
    if (schema["type"].is_array()) types = schema["type"].get<std::vector<std::string>>();
    else types.push_back(schema["type"]);
    bool ok = false;
    for (const std::string& t : types)
      ok = ok || (t == "object" && value.is_object()) || (t == "array" && value.is_array()) ||
           (t == "string" && value.is_string()) || (t == "integer" && value.is_number_integer()) ||
           (t == "boolean" && value.is_boolean()) || (t == "null" && value.is_null());
    ASSERT_TRUE(ok) << where << " is not " << schema["type"] << ": " << value;
  }
  if (value.is_object()) {
    const json required = schema.contains("required") ? schema["required"] : json::array();
    const json properties = schema.contains("properties") ? schema["properties"] : json::object();
    for (const json& name : required)
      EXPECT_TRUE(value.contains(name.get<std::string>())) << where << " lacks " << name;
    for (const auto& [name, v] : value.items()) {
      if (properties.contains(name)) ExpectMatches(properties[name], v, where + "." + name);
      else ADD_FAILURE() << where << "." << name << " is not described";
    }
  }
  if (value.is_array() && schema.contains("items"))
    for (size_t i = 0; i < value.size(); ++i) ExpectMatches(schema["items"], value[i], where + "[" + std::to_string(i) + "]");
}

}  // namespace

TEST(MigwizReport, UsageErrorsAndHints) {
  TempDir dir;
  dir.Write("p/App.dpr", "program App;\r\nuses Main in 'Main.pas';\r\nbegin end.\r\n");
  dir.Write("p/Main.pas", kUnit);
  struct Case {
    std::vector<std::string> args;
    std::string hint;
  } cases[] = {
      {{"replace", dir.Path("p/App.dpr")}, "is a project file; a project is run with --project"},
      {{"replace", dir.Path("p/Main.pas")}, "is a file, not a folder"},
      {{"replace", "--project", dir.Path("p/Main.pas")}, "takes a project file (.dpr or .dproj)"},
      {{"replace", dir.Path("p"), "--no-log", "--view-log"}, "--view-log"},
      {{"replace", "--project", dir.Path("p/App.dpr"), "-r"}, "--project"},
      {{"replace", "--project", dir.Path("p/App.dpr"), "--link-connections"}, "--link-connections"},
      {{"replace", dir.Path("p"), "--layout", "tidy"}, "--layout: tidy not in {kept,design}"},
      {{"text2form", dir.Path("p/Main.pas"), "-o", dir.Path("x.dfm"), "--encoding", "latin"}, "--encoding"},
  };
  Migwiz migwiz;
  for (const Case& c : cases) {
    ProgramResult r = migwiz(c.args);
    EXPECT_EQ(r.status, 2) << c.args.back();
    EXPECT_NE(r.err.find(c.hint), std::string::npos) << r.err;
  }
  EXPECT_EQ(dir.Read("p/Main.pas"), kUnit);
  EXPECT_FALSE(dir.Exists("p/RBackup"));
}

TEST(MigwizReport, NothingStartsWithoutUnits) {
  TempDir dir;
  dir.Write("top/sub/Main.pas", kUnit);
  dir.Write("p/App.dpr", "program App;\r\nuses A in 'A.pas', B in 'B.pas', Main in 'Main.pas';\r\nbegin end.\r\n");
  dir.Write("p/Main.pas", kUnit);
  Migwiz migwiz;
  ProgramResult flat = migwiz({"replace", dir.Path("top")});
  EXPECT_EQ(flat.status, 1);
  EXPECT_EQ(flat.err, "migwiz: no units (.pas, .dpr) in " + dir.Path("top") + "; use -r to search its sub-folders\n");
  EXPECT_FALSE(dir.Exists("top/RBackup"));
  EXPECT_FALSE(dir.Exists("top/Wiz_Log.txt"));
  EXPECT_EQ(migwiz({"replace", dir.Path("top"), "-r", "-q"}).status, 0);

  ProgramResult missing = migwiz({"replace", "--project", dir.Path("p/App.dpr")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "migwiz: units of the project are missing on disk:\n  " + dir.Path("p/A.pas") + "\n  " +
                             dir.Path("p/B.pas") + "\n");
  EXPECT_EQ(dir.Read("p/Main.pas"), kUnit);
  EXPECT_FALSE(dir.Exists("p/RBackup"));
  EXPECT_FALSE(dir.Exists("p/Wiz_Log.txt"));
}

TEST(MigwizReport, DryRunTellsWhetherFilesWouldChange) {
  TempDir dir;
  dir.Write("clean/Plain.pas", "unit Plain;\r\ninterface\r\nuses SysUtils;\r\nend.\r\n");
  dir.Write("bde/Main.pas", kUnit);
  Migwiz migwiz;
  EXPECT_EQ(migwiz({"replace", dir.Path("clean"), "--dry-run", "-q"}).status, 0);
  ProgramResult r = migwiz({"replace", dir.Path("bde"), "--dry-run", "-q"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(dir.Read("bde/Main.pas"), kUnit);
}

TEST(MigwizReport, DiffPreviewsEveryChangedFile) {
  TempDir dir;
  dir.Write("src/Main.pas", kUnit);
  dir.Write("src/Main.dfm", kForm);
  Migwiz migwiz;
  ProgramResult r = migwiz({"replace", dir.Path("src"), "--dry-run", "--diff", "-q", "--layout", "design"});
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_EQ(r.out,
            "--- a/Main.pas\n+++ b/Main.pas\n@@ -1,5 +1,5 @@\n unit Main;\n interface\n-uses DBTables;\n"
            "+uses DBTables, TarnAccess, TarnClasses, TarnCall, Quarry, Cellar;\n {$R *.dfm}\n end.\n"
            "--- a/Main.dfm\n+++ b/Main.dfm\n@@ -1,5 +1,4 @@\n object F: TForm\n-  object Q: TQuery\n"
            "-    DatabaseName = 'Sales'\n+    object Q: TTarnQuery\n   end\n end\n");
  EXPECT_EQ(dir.Read("src/Main.pas"), kUnit);

  // A binary form is compared as its text form.
  TempDir orders;
  CopyOrders(orders);
  ProgramResult bin = migwiz({"replace", orders.Path("Orders"), "--dry-run", "--diff", "-q"});
  EXPECT_NE(bin.out.find("--- a/Report.dfm\n+++ b/Report.dfm\n"), std::string::npos) << bin.out;
  EXPECT_NE(bin.out.find("+  object qryReport: TTarnQuery\n"), std::string::npos) << bin.out;
}

TEST(MigwizReport, JsonReportFollowsItsSchema) {
  TempDir dir;
  CopyOrders(dir);
  Migwiz migwiz;
  ProgramResult r = migwiz({"replace", "--project", dir.Path("Orders/Orders.dpr"), "--report", dir.Path("r.json"), "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  json report = json::parse(dir.Read("r.json"));
  json schema = json::parse(ReadAll(MIGWIZ_SOURCE "/docs/run-report.schema.json"));
  ExpectMatches(schema, report, "report");
  EXPECT_EQ(report["run"]["mode"], "project");
  EXPECT_EQ(report["run"]["reportFile"], dir.Path("Orders/Wiz_Report.txt"));
  EXPECT_EQ(report["summary"]["objectsConverted"], 9);
  EXPECT_EQ(report["summary"]["unlinkedDatasets"], 0);
  EXPECT_EQ(report["summary"]["propertiesDropped"], 4);
  EXPECT_EQ(report["objects"].size(), 9u);
  EXPECT_EQ(report["objects"][0]["file"], "Main.dfm");  // relative to the project's folder
  EXPECT_EQ(dir.Read("r.json").find("s3cr"), std::string::npos);  // no password anywhere
}

TEST(MigwizReport, FolderRunsLinkConnectionsWhenAsked) {
  TempDir dir;
  CopyOrders(dir);
  Migwiz migwiz;
  ProgramResult plain = migwiz({"replace", dir.Path("Orders"), "--dry-run"});
  EXPECT_EQ(plain.status, 3);
  EXPECT_NE(plain.out.find("  datasets without a connection:        6\n"
                           "  objects left with their BDE body:     0\n"
                           "  places in units to rewrite by hand:   0\n"
                           "6 of these dataset(s) name a TDatabase of this folder (OrdersDB is DM.Database1): "
                           "--link-connections or a project run would link them.\n"),
            std::string::npos) << plain.out;

  ProgramResult linked = migwiz({"replace", dir.Path("Orders"), "--link-connections"});
  ASSERT_EQ(linked.status, 0) << linked.err;
  EXPECT_NE(linked.out.find("  datasets without a connection:        0\n"), std::string::npos) << linked.out;
  EXPECT_EQ(linked.out.find("--link-connections"), std::string::npos);
  std::string main = dir.Read("Orders/Main.dfm");
  size_t links = 0;
  for (size_t at = 0; (at = main.find("    Connection = DM.Database1\r\n", at)) != std::string::npos; ++at) ++links;
  EXPECT_EQ(links, 4u);  // tblCustomers, qryTotals, spArchive, tblArchive
  EXPECT_EQ(main.find("DatabaseName"), std::string::npos);
}

TEST(MigwizReport, TextToFormWarnsOfUtf8ReadAsAnsi) {
  TempDir dir;
  dir.Write("u.txt", "object F: TForm\n  Caption = 'Ums\xC3\xA4tze'\nend\n");
  Migwiz migwiz;
  ProgramResult ansi = migwiz({"text2form", dir.Path("u.txt"), "-o", dir.Path("a.dfm")});
  EXPECT_EQ(ansi.status, 0);
  EXPECT_NE(ansi.err.find("was read in the ANSI code page windows-1252 (MIGWIZ_ANSI_CODEPAGE); if it is UTF-8, "
                          "use --encoding utf-8"), std::string::npos) << ansi.err;
  ProgramResult utf8 = migwiz({"text2form", dir.Path("u.txt"), "-o", dir.Path("u.dfm"), "--encoding", "utf-8"});
  EXPECT_EQ(utf8.status, 0);
  EXPECT_EQ(utf8.err, "");
  EXPECT_NE(migwiz({"form2text", dir.Path("u.dfm")}).out.find("'Ums'#228'tze'"), std::string::npos);
}

// The man page is written by hand: it must know every option --help shows.
TEST(MigwizReport, ManPageDescribesEveryOption) {
  std::string page = ReadAll(MIGWIZ_SOURCE "/docs/migwiz.1");
  for (size_t at; (at = page.find("\\-")) != std::string::npos;) page.replace(at, 2, "-");
  Migwiz migwiz;
  std::set<std::string> options;
  for (const char* cmd : {"replace", "restore", "form2text", "text2form"}) {
    std::string help = migwiz({cmd, "--help"}).out;
    std::regex option("(^|[ ,])(--?[a-z][a-z0-9-]*)");
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it)
      options.insert((*it)[2]);
  }
  options.erase("-h");
  options.erase("--help");
  EXPECT_GT(options.size(), 15u);
  for (const std::string& o : options) EXPECT_NE(page.find(o), std::string::npos) << o;
  EXPECT_EQ(migwiz({"--version"}).out, "migwiz " MIGWIZ_VERSION "\n");
}

// Two data modules in two folders, both named DM, each with a TDatabase DB
// and a query on it; one database name holds the other ("Asales", "sales").
// Whichever the folders' order, the hint names both pairs.
TEST(MigwizReport, TheLinkHintNamesEveryPairOnce) {
  for (const auto& [first, second] : {std::pair{"Asales", "sales"}, std::pair{"sales", "Asales"}}) {
    TempDir dir;
    for (const auto& [folder, name] : {std::pair{"A", first}, std::pair{"B", second}}) {
      const std::string unit = std::string("DM") + folder;
      dir.Write(std::string(folder) + "/" + unit + ".pas",
                "unit " + unit + ";\r\ninterface\r\nuses DBTables;\r\ntype T" + unit +
                    " = class(TDataModule)\r\n  DB: TDatabase;\r\n  Q: TQuery;\r\nend;\r\n"
                    "implementation\r\n{$R *.dfm}\r\nend.\r\n");
      dir.Write(std::string(folder) + "/" + unit + ".dfm",
                "object DM: T" + unit + "\r\n  object DB: TDatabase\r\n    DatabaseName = '" + name +
                    "'\r\n  end\r\n  object Q: TQuery\r\n    DatabaseName = '" + name + "'\r\n  end\r\nend\r\n");
    }
    Migwiz migwiz;
    ProgramResult r = migwiz({"replace", dir.Path(""), "-r", "--dry-run"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.out.find("2 of these dataset(s) name a TDatabase of this folder ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Asales is DM.DB"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(sales is DM.DB") == std::string::npos ? r.out.find(", sales is DM.DB") : 0,
              std::string::npos) << r.out;
  }
}
