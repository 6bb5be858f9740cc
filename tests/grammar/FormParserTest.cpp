#include "grammar/FormParser.h"

#include <gtest/gtest.h>

#include "platform/ClassRegistry.h"
#include "profile/TarnClasses.h"

using namespace migwiz::grammar;

namespace {

class FormParserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    migwiz::platform::ClassRegistry::Global().UnregisterAll();
    migwiz::profile::RegisterTarnClasses();
  }
  void TearDown() override { migwiz::platform::ClassRegistry::Global().UnregisterAll(); }

  // Drives the parser the way the form conversion does: parse at the
  // keyword, then replace the text up to the returned position.
  std::string Convert(const std::string& text, const std::string& keyword, int level,
                      const std::string& newClass, bool* ok = nullptr) {
    size_t at = text.find(keyword);
    int pos = static_cast<int>(at) + 1;
    parser.SetNewClassName(newClass);
    bool parsed = parser.ParseString(text, "<object>", pos);
    if (ok) *ok = parsed;
    if (!parsed) return text;
    return text.substr(0, at) + parser.MakeObject(level) + text.substr(pos - 1);
  }

  TFormParseState& FormState() { return parser.FormState(); }

  TFormParser parser;
};

}  // namespace

TEST_F(FormParserTest, RebuildsTheDesignExampleByteForByte) {
  const std::string form =
      "object DM: TDataModule\r\n"
      "  object Query1: TQuery\r\n"
      "    SQL.Strings = (\r\n"
      "        'select * from Kunde')\r\n"
      "    Left = 8\r\n"
      "    object Query1ID: TIntegerField\r\n"
      "      FieldName = 'ID'\r\n"
      "    end\r\n"
      "  end\r\n"
      "end\r\n";
  EXPECT_EQ(Convert(form, "object Query1", 1, "TTarnQuery"),
            "object DM: TDataModule\r\n"
            "  "  // the blanks before the keyword stay
            "  object Query1: TTarnQuery\r\n"
            "    SQL.Strings = (\r\n"
            "              'select * from Kunde')\r\n"
            "    Left = 8\r\n"
            "    object Query1ID: TIntegerField\r\n"
            "      FieldName = 'ID'\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n");
  ASSERT_EQ(parser.Props().size(), 2u);
  EXPECT_EQ(parser.Props()[1].name, "Left");
  ASSERT_EQ(parser.NestedObjects().size(), 1u);
}

TEST_F(FormParserTest, PropertiesBeforeChildrenAndTheEndOfTheText) {
  const std::string form =
      "inherited Form2: TForm2\r\n"
      "  Left = 1\r\n"
      "  object Child: TPanel\r\n"
      "    object Grandchild: TLabel\r\n"
      "    end\r\n"
      "  end\r\n"
      "  Top = 2\r\n"
      "end";  // no line break after the last end
  EXPECT_EQ(Convert(form, "inherited", 0, ""),
            "inherited Form2: TForm2\r\n"
            "  Left = 1\r\n"
            "  Top = 2\r\n"
            "  object Child: TPanel\r\n"
            "    object Grandchild: TLabel\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST_F(FormParserTest, ObjectWithoutPropertiesAndFailedParses) {
  EXPECT_EQ(Convert("object T1: TTable\r\nend\r\nrest", "object", 0, "TTarnTable"),
            "object T1: TTarnTable\r\nend\r\nrest");

  struct Bad { const char* text; const char* why; } bad[] = {
      {"object T1: TTable junk\r\nend", "text after the type name"},
      {"object T1: TTable\r\n  A = B..C\r\nend", "a reference with an empty part"},
      {"object T1: TTable [x]\r\nend", "a child position that is no number"},
      {"object T1: TTable\r\n  A = 1.5q\r\nend", "a number with an unknown type letter"},
      {"object T1: TTable\r\n  A = <\r\n    item\r\n    end>\r\nend", "an item without props"},
      {"object 1T: TTable\r\nend", "a name that starts with a digit"},
      {"object T1: TTable\r\n  A = 1\r\n", "no end of its own"},
  };
  for (const auto& b : bad) {
    bool ok = true;
    EXPECT_EQ(Convert(b.text, "object", 0, "X", &ok), b.text) << b.why;
    EXPECT_FALSE(ok) << b.why;
    EXPECT_EQ(parser.MakeObject(0), "") << b.why;
  }
}

TEST_F(FormParserTest, ValuesOfEveryFormSurviveVerbatim) {
  const std::string form =
      "object Q: TQuery\r\n"
      "  Active = True\r\n"
      "  Tag = -12\r\n"
      "  Filter = 1.5E+3\r\n"
      "  Filtered = 2d\r\n"
      "  FilterOptions = [foCaseInsensitive, foNoPartialCompare]\r\n"
      "  Options = []\r\n"
      "  UpdateObject = DM.Upd\r\n"
      "  FetchRows = 'a'#13#10'b'\r\n"
      "  Params = <\r\n"
      "    item\r\n"
      "      DataType = ftInteger\r\n"
      "      Name = 'ID'\r\n"
      "    end\r\n"
      "    item\r\n"
      "      Name = 'X'\r\n"
      "    end>\r\n"
      "  SQL.Data = {\r\n"
      "    0A0B0C\r\n"
      "    0D}\r\n"
      "  ReadOnly = (\r\n"
      "    1\r\n"
      "    2)\r\n"
      "end\r\n";
  bool ok = false;
  std::string out = Convert(form, "object", 0, "", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(out,
            "object Q: TQuery\r\n"
            "  Active = True\r\n"
            "  Tag = -12\r\n"
            "  Filter = 1.5E+3\r\n"
            "  Filtered = 2d\r\n"
            "  FilterOptions = [foCaseInsensitive, foNoPartialCompare]\r\n"
            "  Options = []\r\n"
            "  UpdateObject = DM.Upd\r\n"
            "  FetchRows = 'a'#13#10'b'\r\n"
            "  Params = <\r\n"
            "        item\r\n"
            "          DataType = ftInteger\r\n"
            "          Name = 'ID'\r\n"
            "        end\r\n"
            "        item\r\n"
            "          Name = 'X'\r\n"
            "        end>\r\n"
            "  SQL.Data = {\r\n"
            "        0A0B0C\r\n"
            "        0D}\r\n"
            "  ReadOnly = (\r\n"
            "        1\r\n"
            "        2)\r\n"
            "end\r\n");
}

TEST_F(FormParserTest, ConcatenatedStringKeepsItsLeadingBlank) {
  std::string seen;
  struct Recorder : TFormParser {
    std::string* seen;
    void ProcessProperty(const std::string& name, const std::string& value) override {
      *seen = "[" + name + "][" + value + "]";
      TFormParser::ProcessProperty(name, value);
    }
  } recorder;
  recorder.seen = &seen;
  const std::string form =
      "object Q: TQuery\r\n"
      "  Filter = 'abc' +\r\n"
      "    'def'\r\n"
      "end\r\n";
  int pos = 1;
  recorder.SetNewClassName("");
  ASSERT_TRUE(recorder.ParseString(form, "<object>", pos));
  EXPECT_EQ(seen, "[Filter][ 'abc' +\r\n    'def']");
  EXPECT_EQ(recorder.MakeObject(0),
            "object Q: TQuery\r\n"
            "  Filter =  'abc' +\r\n"
            "        'def'\r\n"
            "end\r\n");
}

TEST_F(FormParserTest, FirstPropertyStartingWithEndIsNotCut) {
  const std::string form =
      "object DM: TDataModule\r\n"
      "  object T: TTable\r\n"
      "    EndDate = 1\r\n"
      "    endless = 2\r\n"
      "  end\r\n"
      "end\r\n";
  bool ok = false;
  std::string out = Convert(form, "object T", 1, "", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(out,
            "object DM: TDataModule\r\n"
            "    object T: TTable\r\n"
            "    EndDate = 1\r\n"
            "    endless = 2\r\n"
            "  end\r\n"
            "end\r\n");
  ok = false;
  Convert(form, "object DM", 0, "", &ok);
  EXPECT_TRUE(ok);
  ASSERT_EQ(parser.NestedObjects().size(), 1u);
  EXPECT_EQ(parser.NestedObjects()[0],
            "  object T: TTable\r\n    EndDate = 1\r\n    endless = 2\r\n  end");
}

TEST_F(FormParserTest, DeepNestingAndLongListsStayLinearAndSafe) {
  auto nestedForm = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "object P" + std::to_string(i) + ": TPanel\r\n";
    for (int i = 0; i < depth; ++i) text += "end\r\n";
    return text;
  };
  bool ok = false;
  std::string deep = nestedForm(3000);
  std::string out = Convert(deep, "object", 0, "", &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(out, deep);
  ASSERT_EQ(parser.NestedObjects().size(), 1u);

  parser.SetMaxDepth(5000);  // beyond the depth limit: a clean failure
  ok = true;
  EXPECT_EQ(Convert(deep, "object", 0, "", &ok), deep);
  EXPECT_FALSE(ok);
  parser.SetMaxDepth(TLL1Parser::kDefaultMaxDepth);

  std::string sql = "object Q: TQuery\r\n  SQL.Strings = (\r\n";
  for (int i = 0; i < 5000; ++i) sql += "    'line'\r\n";
  sql += "    'last')\r\nend\r\n";
  ok = false;
  Convert(sql, "object", 0, "", &ok);
  EXPECT_TRUE(ok);
  ASSERT_EQ(parser.Props().size(), 1u);
  EXPECT_EQ(parser.Props()[0].lines.size(), 5002u);
}

// Values and headers that the IDE and form2text write: each parses, and the
// rebuilt object carries it exactly as written.
TEST_F(FormParserTest, EveryValueTheTextFormHasIsKeptAsWritten) {
  struct Case { const char* header; const char* property; } cases[] = {
      {"object Q: TQuery [0]", "Tag = 1"},
      {"object Q: TQuery[12]", "Tag = 1"},
      {"inherited Q: TQuery [2]", "Tag = 1"},
      {"object Q: TQuery", "Tag = $FF"},
      {"object Q: TQuery", "Tag = $00ff00"},
      {"object Q: TQuery", "Ratio = 1.5s"},
      {"object Q: TQuery", "Ratio = -1.5E-5s"},
      {"object Q: TQuery", "Price = 15000c"},
      {"object Q: TQuery", "Price = -15000.5c"},
      {"object Q: TQuery", "Stamp = 45000.5d"},
      {"object Q: TQuery", "Stamp = -2d"},
      {"object Q: TQuery", "Ratio = -INF"},
      {"object Q: TQuery", "Ratio = -INFs"},
      {"object Q: TQuery", "Ratio = INF"},
      {"object Q: TQuery", "Ratio = NAN"},
      {"object Q: TQuery", "Ratio = NANs"},
      {"object Q: TQuery", "Ratio = INFd"},
      {"object Q: TQuery", "Link = A.B.C"},
      {"object Q: TQuery", "Link = Form1.Panel1.Grid1.Column"},
  };
  for (const Case& c : cases) {
    const std::string body = std::string("  ") + c.property + "\r\n";
    const std::string form = std::string(c.header) + "\r\n" + body + "end\r\n";
    bool ok = false;
    std::string out = Convert(form, c.header, 0, "", &ok);
    EXPECT_TRUE(ok) << form;
    EXPECT_EQ(out, form) << form;
    EXPECT_EQ(FormState().TypeName, "TQuery") << form;
  }
  // Collection items with an index; lines after the first are indented anew.
  bool ok = false;
  EXPECT_EQ(Convert("object Q: TQuery\r\n  Items = <\r\nitem [3]\r\n  A = 1.5s\r\nend\r\n"
                    "item[4]\r\n  B = $1F\r\nend>\r\nend\r\n",
                    "object", 0, "", &ok),
            "object Q: TQuery\r\n  Items = <\r\n    item [3]\r\n      A = 1.5s\r\n    end\r\n"
            "    item[4]\r\n      B = $1F\r\n    end>\r\nend\r\n");
  EXPECT_TRUE(ok);
  // A child inside the converted object keeps its own position too.
  const std::string withChild =
      "object Q: TQuery [1]\r\n"
      "  object QID: TBCDField [0]\r\n"
      "    Precision = 1.5s\r\n"
      "  end\r\n"
      "end\r\n";
  ok = false;
  EXPECT_EQ(Convert(withChild, "object", 0, "TTarnQuery", &ok),
            "object Q: TTarnQuery [1]\r\n"
            "  object QID: TBCDField [0]\r\n"
            "    Precision = 1.5s\r\n"
            "  end\r\n"
            "end\r\n");
  EXPECT_TRUE(ok);
}

TEST_F(FormParserTest, RebuiltObjectUsesTheLineBreakItIsGiven) {
  const std::string form =
      "object DM: TDataModule\n"
      "  object Q: TQuery\n"
      "    SQL.Strings = (\n"
      "      'select 1')\n"
      "    object QID: TIntegerField\n"
      "    end\n"
      "  end\n"
      "end\n";
  parser.SetLineBreak("\n");
  bool ok = false;
  EXPECT_EQ(Convert(form, "object Q", 1, "TTarnQuery", &ok),
            "object DM: TDataModule\n"
            "    object Q: TTarnQuery\n"
            "    SQL.Strings = (\n"
            "            'select 1')\n"
            "    object QID: TIntegerField\n"
            "    end\n"
            "  end\n"
            "end\n");
  EXPECT_TRUE(ok);
}

TEST_F(FormParserTest, FailedParseTellsHowFarItGot) {
  const std::string form = "object Q: TQuery\r\n  Tag = 1\r\n  Bad = @x\r\nend\r\n";
  int pos = 1;
  ASSERT_FALSE(parser.ParseString(form, "<object>", pos));
  EXPECT_EQ(form.substr(parser.FurthestPos() - 1, 2), "@x");
}
