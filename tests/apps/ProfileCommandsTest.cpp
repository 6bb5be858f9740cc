// profile show and check, replace --profile and inventory, as a user runs
// them: the shown profile converts as the built-in one, a user's profile
// converts a descendant and another package's dataset, a broken one
// changes nothing, and the inventory agrees with the run.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>

#include "MigwizProgram.h"
#include "testing/TempDir.h"

using migwiz::testing::Migwiz;
using migwiz::testing::TempDir;

namespace {

// Every file below a folder, by relative path.
std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    if (e.is_regular_file())
      files[std::filesystem::relative(e.path(), root).string()] = migwiz::testing::ReadAll(e.path().string());
  return files;
}

void CopyTree(const std::string& from, const std::string& to) {
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
}

const char* kDescendantUnit =
    "unit MyQ;\r\ninterface\r\nuses DBTables;\r\ntype\r\n"
    "  TMyQuery = class(DBTables.TQuery)\r\n  private\r\n    FX: Integer;\r\n"
    "  published\r\n    property Extra: Integer read FX write FX;\r\n  end;\r\n"
    "  tSubQuery = class(tmyquery)\r\n  end;\r\nimplementation\r\nend.\r\n";
const char* kDescendantForm =
    "object Form1: TForm1\r\n"
    "  object Database1: TDatabase\r\n    DatabaseName = 'Sales'\r\n  end\r\n"
    "  object Q1: TMyQuery\r\n    DatabaseName = 'Sales'\r\n    RequestLive = True\r\n    Extra = 5\r\n"
    "    DataSource = DS1\r\n  end\r\n"
    "  object Q2: TSubQuery\r\n    Extra = 6\r\n    SessionName = 'x'\r\n  end\r\n"
    "  object X1: TxDataSet\r\n    SQLText.Strings = (\r\n      'select 1')\r\n    Bogus = 1\r\n  end\r\n"
    "  object S1: TSession\r\n  end\r\n"
    "end\r\n";
const char* kUserProfile =
    "format = 1\nextends = \"built-in\"\n"
    "[[pair]]\nold = \"TxDataSet\"\nnew = \"TTarnQuery\"\nkind = \"query\"\n"
    "[[translate.rule]]\nproperty = \"SQLText.Strings\"\nclasses = [\"TxDataSet\"]\naction = \"rename\"\n"
    "to = \"SQL.Strings\"\n";

}  // namespace

TEST(MigwizProfile, ShownProfileChecksAndConvertsAsTheBuiltinOne) {
  TempDir dir;
  Migwiz migwiz;
  auto shown = migwiz({"profile", "show"});
  ASSERT_EQ(shown.status, 0);
  dir.Write("shown.toml", shown.out);
  auto check = migwiz({"profile", "check", dir.Path("shown.toml")});
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_EQ(check.out, dir.Path("shown.toml") +
                           ": valid: 10 pair(s), 7 class(es), 6 translation rule(s), 0 descendant(s), "
                           "2 class(es) without counterpart\n");
  CopyTree(MIGWIZ_EXAMPLES "/Orders", dir.Path("a"));
  CopyTree(MIGWIZ_EXAMPLES "/Orders", dir.Path("b"));
  for (const char* link : {"", "--link-connections"}) {
    std::vector<std::string> withArgs = {"replace", dir.Path("a"), "--no-backup", "--no-log", "-q",
                                         "--profile", dir.Path("shown.toml")};
    std::vector<std::string> withoutArgs = {"replace", dir.Path("b"), "--no-backup", "--no-log", "-q"};
    if (*link) {
      withArgs.push_back(link);
      withoutArgs.push_back(link);
    }
    auto with = migwiz(withArgs);
    auto without = migwiz(withoutArgs);
    ASSERT_EQ(with.status, 0) << with.err;
    ASSERT_EQ(without.status, 0) << without.err;
    auto a = Files(dir.Path("a")), b = Files(dir.Path("b"));
    ASSERT_EQ(a.size(), b.size());
    for (auto& [name, bytes] : a) {
      std::string other = b[name];
      if (name == "Wiz_Report.txt") {  // names its folder
        for (size_t at; (at = bytes.find(dir.Path("a"))) != std::string::npos;) bytes.replace(at, dir.Path("a").size(), "X");
        for (size_t at; (at = other.find(dir.Path("b"))) != std::string::npos;) other.replace(at, dir.Path("b").size(), "X");
      }
      EXPECT_EQ(bytes, other) << name;
    }
  }
}

TEST(MigwizProfile, UserProfileConvertsDescendantsAndAnotherPackagesDataset) {
  TempDir dir;
  dir.Write("src/MyQ.pas", kDescendantUnit);
  dir.Write("src/Main.pas", "unit Main;\r\ninterface\r\nuses Forms, DBTables, MyQ;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n");
  dir.Write("src/Main.dfm", kDescendantForm);
  dir.Write("user.toml", kUserProfile);
  Migwiz migwiz;
  auto r = migwiz({"replace", dir.Path("src"), "--link-connections", "--no-backup", "-q", "--profile",
                   dir.Path("user.toml")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string form = dir.Read("src/Main.dfm");
  // Descendants keep their class, are translated and linked as TQuery, and
  // keep what they publish themselves (through their ancestors too).
  EXPECT_NE(form.find("object Q1: TMyQuery\r\n    Connection = Form1.Database1\r\n    Extra = 5\r\n"
                      "    MasterSource = DS1\r\n  end\r\n"),
            std::string::npos)
      << form;
  EXPECT_NE(form.find("object Q2: TSubQuery\r\n    Extra = 6\r\n  end\r\n"), std::string::npos) << form;
  EXPECT_NE(form.find("object X1: TTarnQuery\r\n    SQL.Strings = (\r\n"), std::string::npos) << form;
  EXPECT_EQ(form.find("Bogus"), std::string::npos) << form;
  EXPECT_NE(form.find("object S1: TSession\r\n  end\r\n"), std::string::npos);
  const std::string report = dir.Read("src/Wiz_Report.txt");
  EXPECT_NE(report.find("Profile: " + dir.Path("user.toml") + "\n"), std::string::npos);
  EXPECT_NE(report.find("Descendants of BDE classes, converted as their ancestors (2)\n"
                        "  TMyQuery = class(TQuery) MyQ.pas:5, converted as TQuery\n"
                        "    Main.dfm:5 (converted: line 4) Form1.Q1\n"
                        "  tSubQuery = class(tmyquery) MyQ.pas:11, converted as TQuery\n"
                        "    Main.dfm:11 (converted: line 9) Form1.Q2\n"),
            std::string::npos)
      << report;
  // The unit's ancestor is renamed as every BDE class is; its own name stays.
  EXPECT_NE(dir.Read("src/MyQ.pas").find("TMyQuery = class(DBTables.TTarnQuery)"), std::string::npos);
  // Without the profile the other package's dataset is left alone.
  dir.Write("plain/Main.pas", "unit Main;\r\ninterface\r\nuses DBTables;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n");
  dir.Write("plain/Main.dfm", "object F: TForm\r\n  object X1: TxDataSet\r\n    Bogus = 1\r\n  end\r\nend\r\n");
  ASSERT_EQ(migwiz({"replace", dir.Path("plain"), "--no-backup", "-q"}).status, 0);
  EXPECT_NE(dir.Read("plain/Main.dfm").find("TxDataSet"), std::string::npos);
}

// A connection of the user's own class carries database names as a
// TDatabase does: datasets are linked to it.
TEST(MigwizProfile, DescendantOfTDatabaseIsAConnection) {
  TempDir dir;
  dir.Write("src/Db.pas", "unit Db;\r\ninterface\r\nuses DBTables;\r\ntype\r\n  TAppDatabase = class(TDatabase)\r\n"
                          "  end;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n");
  dir.Write("src/Db.dfm", "object DM: TDataModule\r\n  object Db1: TAppDatabase\r\n    DatabaseName = 'Sales'\r\n"
                          "    Params.Strings = (\r\n      'USER NAME=u'\r\n      'PASSWORD=p')\r\n  end\r\n"
                          "  object Q: TQuery\r\n    DatabaseName = 'Sales'\r\n  end\r\nend\r\n");
  Migwiz migwiz;
  auto r = migwiz({"replace", dir.Path("src"), "--link-connections", "--no-backup", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string form = dir.Read("src/Db.dfm");
  EXPECT_NE(form.find("object Db1: TAppDatabase\r\n    Username = 'u'\r\n    Password = 'p'\r\n  end"),
            std::string::npos)
      << form;
  EXPECT_NE(form.find("object Q: TTarnQuery\r\n    Connection = DM.Db1\r\n"), std::string::npos) << form;
}

TEST(MigwizProfile, BrokenProfileStopsBeforeAnythingIsRead) {
  TempDir dir;
  dir.Write("src/Main.pas", migwiz::testing::kBdeUnit);
  dir.Write("src/Main.dfm", migwiz::testing::kBdeForm);
  const auto before = Files(dir.Path("src"));
  struct Case {
    std::string profile, error;
  } cases[] = {
      {"format = 1\nextends = \"built-in\"\n[[pair]\n", ":3:8: Error while parsing table header"},
      {"format = 1\nextends = \"built-in\"\n[[pair]]\nold = 1\nnew = \"TTarnQuery\"\n",
       ":4:7: old must be a string, not an integer"},
      {"format = 1\nextends = \"built-in\"\n[[pair]]\nold = \"TQuery\"\nnew = \"TQuery\"\n",
       ":3:1: TQuery is paired to itself"},
      {"format = 1\nextends = \"built-in\"\n[[descendant]]\nclass = \"TA\"\nancestor = \"TB\"\n"
       "[[descendant]]\nclass = \"TB\"\nancestor = \"TA\"\n",
       ":3:1: the descendants of TA form a cycle: TA -> TB -> TA"},
  };
  Migwiz migwiz;
  for (const Case& c : cases) {
    dir.Write("bad.toml", c.profile);
    for (const char* cmd : {"replace", "inventory"}) {
      auto r = migwiz({cmd, dir.Path("src"), "--profile", dir.Path("bad.toml")});
      EXPECT_EQ(r.status, 1) << cmd;
      EXPECT_NE(r.err.find(dir.Path("bad.toml") + c.error), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("nothing was read or written"), std::string::npos) << r.err;
    }
    auto check = migwiz({"profile", "check", dir.Path("bad.toml")});
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.err.find(dir.Path("bad.toml") + c.error), std::string::npos) << check.err;
    EXPECT_EQ(Files(dir.Path("src")), before);
  }
}

// A generated tree with text and binary forms, a descendant, an object the
// grammar refuses, a session, manual work and clashing database names: the
// inventory reads it without writing and tells the figures the run reports.
TEST(MigwizInventory, AgreesWithTheRunAndWritesNothing) {
  TempDir dir;
  Migwiz migwiz;
  for (int app = 0; app < 3; ++app) {
    const std::string a = "app" + std::to_string(app) + "/";
    dir.Write(a + "MyQ.pas", kDescendantUnit);
    dir.Write(a + "Main.pas", "unit Main;\r\ninterface\r\nuses Forms, DBTables, MyQ;\r\nimplementation\r\n"
                              "{$R *.dfm}\r\nprocedure P;\r\nbegin\r\n  Q1.DatabaseName := 'X';\r\n"
                              "  DbiSaveChanges(h);\r\nend;\r\nend.\r\n");
    dir.Write(a + "Main.dfm", kDescendantForm);
    dir.Write(a + "Data.pas", "unit Data;\r\ninterface\r\nuses DBTables;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n");
    dir.Write(a + "Data.txt",
              "object DM: TDataModule\r\n  object Q: TQuery\r\n    DatabaseName = 'Sales'\r\n  end\r\n"
              "  object T: TTable\r\n    DatabaseName = 'Nowhere'\r\n    TableName = 'T'\r\n  end\r\n"
              "  object Bad: TQuery\r\n    SQL.Strings = (\r\n      'x' ++ )\r\n  end\r\nend\r\n");
  }
  // Binary forms for one application.
  for (int app = 0; app < 3; ++app) {
    const std::string a = "app" + std::to_string(app) + "/";
    std::string from = dir.Path(a + "Data.txt");
    if (app == 0) {
      // Without the refused object: a binary form holds only what loads.
      dir.Write(a + "Data2.txt", "object DM: TDataModule\r\n  object Q: TQuery\r\n    DatabaseName = 'Sales'\r\n"
                                 "  end\r\nend\r\n");
      from = dir.Path(a + "Data2.txt");
    }
    auto t = migwiz({"text2form", from, "-o", dir.Path(a + "Data.dfm")});
    if (app != 0) {
      std::filesystem::copy_file(dir.Path(a + "Data.txt"), dir.Path(a + "Data.dfm"),
                                 std::filesystem::copy_options::overwrite_existing);
    } else {
      ASSERT_EQ(t.status, 0) << t.err;
    }
  }
  const auto before = Files(dir.path());
  for (const char* link : {"", "--link-connections"}) {
    std::vector<std::string> inv = {"inventory", dir.path(), "-r", "--json", dir.Path("../inv.json")};
    std::vector<std::string> run = {"replace", dir.path(), "-r", "--dry-run", "--report", dir.Path("../run.json"), "-q"};
    if (*link) {
      inv.push_back(link);
      run.push_back(link);
    }
    auto i = migwiz(inv);
    ASSERT_EQ(i.status, 0) << i.err;
    EXPECT_EQ(Files(dir.path()), before);  // nothing written
    auto r = migwiz(run);
    ASSERT_EQ(r.status, 3) << r.err;
    auto a = nlohmann::json::parse(migwiz::testing::ReadAll(dir.Path("../inv.json")));
    auto b = nlohmann::json::parse(migwiz::testing::ReadAll(dir.Path("../run.json")));
    std::filesystem::remove(dir.Path("../inv.json"));
    std::filesystem::remove(dir.Path("../run.json"));
    // The run checks its output (the forms with a refused object do not
    // load, as they did not before); the inventory makes none to check.
    b["summary"].erase("selfCheckFindings");
    for (const char* key : {"summary", "manualWork", "changedFiles", "unparsedObjects"}) EXPECT_EQ(a[key], b[key]) << key;
    // Database1, Q1 and Q2 in each Main.dfm (X1 needs a profile that pairs
    // it); Q and T in each Data.dfm, Q alone in the binary one.
    EXPECT_EQ(a["summary"]["objectsConverted"], 3 * 3 + 2 + 2 + 1);
    EXPECT_EQ(a["descendants"].size(), 2u);
    EXPECT_EQ(a["objectsWithoutCounterpart"].size(), 3u);  // TSession, one per application
    // Every database name with what defines it and who uses it.
    std::map<std::string, size_t> defined, used;
    for (const auto& n : a["databaseNames"]) {
      defined[n["databaseName"]] = n["definedBy"].size();
      used[n["databaseName"]] = n["usedBy"].size();
    }
    EXPECT_EQ(defined["Sales"], 3u);
    EXPECT_EQ(defined["Nowhere"], 0u);
    EXPECT_EQ(used["Nowhere"], 2u);
    EXPECT_NE(i.out.find("Objects the form grammar would refuse (2)\n"), std::string::npos) << i.out;
    EXPECT_NE(i.out.find("TMyQuery (descendant, converted as TQuery) -> TMyQuery: 3 in text forms, 0 in binary forms"),
              std::string::npos)
        << i.out;
  }
}
