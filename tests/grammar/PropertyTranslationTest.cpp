#include <gtest/gtest.h>

#include "grammar/TarnFormParser.h"
#include "platform/ClassRegistry.h"
#include "profile/TarnClasses.h"

using namespace migwiz::grammar;

namespace {

class PropertyTranslation : public ::testing::Test {
 protected:
  void SetUp() override {
    migwiz::platform::ClassRegistry::Global().UnregisterAll();
    migwiz::profile::RegisterTarnClasses();
    parser.SetOnGetPropertyValue([this](const std::string& name, const std::string& old) {
      asked.push_back(name + "=" + old);
      return old == "Sales" ? std::string("DM.Database1") : std::string();
    });
  }
  void TearDown() override { migwiz::platform::ClassRegistry::Global().UnregisterAll(); }

  // The rebuilt object, or "parse failed".
  std::string Rebuild(TFormParser& p, const std::string& type, const std::string& body,
                      const std::string& newClass) {
    std::string text = "object X: " + type + "\r\n" + body + "end\r\n";
    p.SetNewClassName(newClass);
    int pos = 1;
    return p.ParseString(text, "<object>", pos) ? p.MakeObject(0) : "parse failed";
  }

  TTarnFormParser parser;
  std::vector<std::string> asked;
};

}  // namespace

TEST_F(PropertyTranslation, DatabaseBecomesConnection) {
  EXPECT_EQ(Rebuild(parser, "TDatabase",
                    "  AliasName = 'SalesAlias'\r\n"
                    "  DatabaseName = 'Sales'\r\n"
                    "  LoginPrompt = False\r\n"
                    "  Params.Strings = (\r\n"
                    "    'user name=admin'\r\n"
                    "    'PASSWORD=it''s'\r\n"
                    "    'SERVER NAME=db.example.com'\r\n"
                    "    'DATABASE NAME=Shop')\r\n"
                    "  SessionName = 'Default'\r\n"
                    "  TransIsolation = tiReadCommitted\r\n"
                    "  Left = 40\r\n"
                    "  Top = 16\r\n",
                    "TTarnConnection"),
            "object X: TTarnConnection\r\n"
            "  LoginPrompt = False\r\n"
            "  Database = 'Shop'\r\n"
            "  Username = 'admin'\r\n"
            "  Password = 'it''s'\r\n"
            "  Server = 'db.example.com'\r\n"
            "  IsolationLevel = ilReadCommitted\r\n"
            "  Left = 40\r\n"
            "  Top = 16\r\n"
            "end\r\n");
  EXPECT_TRUE(asked.empty());  // a TDatabase's own name is never asked for
}

TEST_F(PropertyTranslation, MissingOrEmptyParametersStoreNothing) {
  EXPECT_EQ(Rebuild(parser, "TDatabase",
                    "  Params.Strings = (\r\n"
                    "    'USER NAME=SYSDBA'\r\n"
                    "    'SERVER NAME='\r\n"
                    "    'password=masterkey')\r\n",
                    "TTarnConnection"),
            "object X: TTarnConnection\r\n"
            "  Username = 'SYSDBA'\r\n"
            "  Password = 'masterkey'\r\n"
            "end\r\n");
}

TEST_F(PropertyTranslation, IsolationLevelsMapOrVanish) {
  struct Case { const char* bde; const char* tarn; } cases[] = {
      {"tiDirtyRead", "  IsolationLevel = ilReadUnCommitted\r\n"},
      {"tiReadCommitted", "  IsolationLevel = ilReadCommitted\r\n"},
      {"tiRepeatableRead", "  IsolationLevel = ilRepeatableRead\r\n"},
      {"tiSerializable", ""},
      {"TIDIRTYREAD", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Rebuild(parser, "TDatabase", std::string("  TransIsolation = ") + c.bde + "\r\n",
                      "TTarnConnection"),
              std::string("object X: TTarnConnection\r\n") + c.tarn + "end\r\n")
        << c.bde;
  }
  // On any other class, TransIsolation follows the general rule.
  EXPECT_EQ(Rebuild(parser, "TQuery", "  TransIsolation = tiDirtyRead\r\n", "TTarnQuery"),
            "object X: TTarnQuery\r\nend\r\n");
}

TEST_F(PropertyTranslation, DataSetRules) {
  EXPECT_EQ(Rebuild(parser, "TQuery",
                    "  DatabaseName = 'Sales'\r\n"
                    "  DataSource = MasterDS\r\n"
                    "  ParamData = <>\r\n"
                    "  RequestLive = True\r\n"
                    "  SQL.Strings = (\r\n"
                    "    'select 1')\r\n"
                    "  Left = 1\r\n",
                    "TTarnQuery"),
            "object X: TTarnQuery\r\n"
            "  Connection = DM.Database1\r\n"
            "  MasterSource = MasterDS\r\n"
            "  ParamData = <>\r\n"
            "  SQL.Strings = (\r\n"
            "        'select 1')\r\n"
            "  Left = 1\r\n"
            "end\r\n");
  EXPECT_EQ(asked, std::vector<std::string>{"DatabaseName=Sales"});

  // DataSource is renamed on TQuery only; unknown databases get no Connection.
  EXPECT_EQ(Rebuild(parser, "TTable",
                    "  DatabaseName = 'Other'\r\n"
                    "  DataSource = MasterDS\r\n"
                    "  TableName = 'ORDERS'\r\n"
                    "  Top = 2\r\n",
                    "TTarnTable"),
            "object X: TTarnTable\r\n"
            "  TableName = 'ORDERS'\r\n"
            "  Top = 2\r\n"
            "end\r\n");
  // ParamData is kept for TStoredProc; DataSource and the BDE-only
  // SessionName go, as the stored procedure publishes neither.
  EXPECT_EQ(Rebuild(parser, "TStoredProc",
                    "  ParamData = <>\r\n  StoredProcName = 'P'\r\n  DataSource = D\r\n"
                    "  SessionName = 'Default'\r\n",
                    "TTarnStoredProc"),
            "object X: TTarnStoredProc\r\n"
            "  ParamData = <>\r\n"
            "  StoredProcName = 'P'\r\n"
            "end\r\n");
  // With no class registered under the new name, everything is kept.
  EXPECT_EQ(Rebuild(parser, "TStoredProc", "  StoredProcName = 'P'\r\n  DataSource = D\r\n",
                    "TNotRegistered"),
            "object X: TNotRegistered\r\n"
            "  StoredProcName = 'P'\r\n"
            "  DataSource = D\r\n"
            "end\r\n");
  // A translation follows what the object is: a TwwQuery is a query dataset
  // like TQuery, so its DataSource becomes MasterSource too.
  const std::pair<const char*, const char*> kQueries[] = {{"TQuery", "TTarnQuery"}, {"TwwQuery", "TTarnQuery"}};
  for (const auto& [bde, tarn] : kQueries)
    EXPECT_EQ(Rebuild(parser, bde, "  DataSource = D\r\n  ParamData = <>\r\n", tarn),
              std::string("object X: ") + tarn + "\r\n  MasterSource = D\r\n  ParamData = <>\r\nend\r\n")
        << bde;
  // Every target class is known: a data source and a batch move keep only
  // what they publish.
  EXPECT_EQ(Rebuild(parser, "TwwDataSource", "  DataSet = Q\r\n  Tag = 3\r\n  SessionName = 'S'\r\n",
                    "TTarnDataSource"),
            "object X: TTarnDataSource\r\n  DataSet = Q\r\n  Tag = 3\r\nend\r\n");
  EXPECT_EQ(Rebuild(parser, "TBatchMove",
                    "  Source = A\r\n  Destination = B\r\n  Mode = batAppend\r\n"
                    "  ChangedTableName = 'CHG'\r\n",
                    "TKryBatchMove"),
            "object X: TKryBatchMove\r\n  Source = A\r\n  Destination = B\r\n  Mode = batAppend\r\nend\r\n");
}

TEST_F(PropertyTranslation, WithoutHandlerDatabaseNameDisappears) {
  TFormParser general;
  EXPECT_EQ(Rebuild(general, "TTable", "  DatabaseName = 'Sales'\r\n  Font.Name = 'X'\r\n", ""),
            "object X: TTable\r\n  Font.Name = 'X'\r\nend\r\n");
  // The general parser has no connection rules: DATABASE NAME and
  // TransIsolation are not translated.
  EXPECT_EQ(Rebuild(general, "TDatabase",
                    "  Params.Strings = (\r\n    'DATABASE NAME=Shop'\r\n    'USER NAME=u')\r\n"
                    "  TransIsolation = tiDirtyRead\r\n",
                    "TTarnConnection"),
            "object X: TTarnConnection\r\n  Username = 'u'\r\nend\r\n");
}

// Parameter values as the IDE writes them: split with '+', with #nnn codes
// and apostrophes; each new value is a valid literal in the list's style.
TEST_F(PropertyTranslation, ParameterValuesAreDecodedAndWrittenBackAsLiterals) {
  EXPECT_EQ(Rebuild(parser, "TDatabase",
                    "  Params.Strings = (\r\n"
                    "    'DATABASE NAME=C:\\Data\\em' +\r\n"
                    "      'ployee.gdb'\r\n"
                    "    'USER NAME=O'#39'Brien'\r\n"
                    "    'PASSWORD=caf'#233\r\n"
                    "    'SERVER NAME=')\r\n",
                    "TTarnConnection"),
            "object X: TTarnConnection\r\n"
            "  Database = 'C:\\Data\\employee.gdb'\r\n"
            "  Username = 'O'#39'Brien'\r\n"
            "  Password = 'caf'#233\r\n"
            "end\r\n");
  // A list that doubles its apostrophes and writes its characters as they are.
  EXPECT_EQ(Rebuild(parser, "TDatabase",
                    "  Params.Strings = (\r\n"
                    "    'USER NAME=O''Brien'\r\n"
                    "    'PASSWORD=caf\xC3\xA9''s')\r\n",
                    "TTarnConnection"),
            "object X: TTarnConnection\r\n"
            "  Username = 'O''Brien'\r\n"
            "  Password = 'caf\xC3\xA9''s'\r\n"
            "end\r\n");
  // DatabaseName is asked for decoded (a last property would be asked twice).
  Rebuild(parser, "TQuery", "  DatabaseName = 'Gr'#246'sse'\r\n  Tag = 1\r\n", "TTarnQuery");
  Rebuild(parser, "TQuery", "  DatabaseName = 'O''Brien'\r\n  Tag = 1\r\n", "TTarnQuery");
  Rebuild(parser, "TQuery", "  DatabaseName = \r\n    'Sa' +\r\n    'les'\r\n  Tag = 1\r\n",
          "TTarnQuery");
  EXPECT_EQ(asked, (std::vector<std::string>{"DatabaseName=Gr\xC3\xB6sse", "DatabaseName=O'Brien",
                                             "DatabaseName=Sales"}));
}
