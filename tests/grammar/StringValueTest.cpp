#include "grammar/StringValue.h"

#include <gtest/gtest.h>

#include "grammar/ParamList.h"

using namespace migwiz::grammar;

TEST(StringValue, DecodesEveryWayTheTextFormWritesAString) {
  struct Case { const char* text; const char* value; } cases[] = {
      {"'plain'", "plain"},
      {"''", ""},
      {"'O''Brien'", "O'Brien"},
      {"'O'#39'Brien'", "O'Brien"},
      {"'caf'#233", "caf\xC3\xA9"},
      {"#71#114#246'sse'", "Gr\xC3\xB6sse"},
      {"'Gr'#$F6'sse'", "Gr\xC3\xB6sse"},
      {"#23435#20307", "\xE5\xAE\x8B\xE4\xBD\x93"},
      {"#55357#56832", "\xF0\x9F\x98\x80"},  // a surrogate pair
      {"'a'#13#10'b'", "a\r\nb"},
      {"  'SERVER NAME=C:\\Data\\em' +\r\n    'ployee.gdb'  ", "SERVER NAME=C:\\Data\\employee.gdb"},
      {"'a'+'b' + #67", "abC"},
      {"'caf\xC3\xA9'", "caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    std::string value;
    EXPECT_TRUE(DecodeStringValue(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  for (const char* bad : {"", "plain", "'open", "'a' +", "'a' 'b'", "#", "#70000", "'a\r\nb'",
                          "'a' + x"}) {
    std::string value = "unchanged";
    EXPECT_FALSE(DecodeStringValue(bad, value)) << bad;
    EXPECT_EQ(value, "unchanged") << bad;
  }
}

TEST(StringValue, EncodesInTheStyleOfTheForm) {
  TStringStyle codes;  // as form2text and the IDE write
  TStringStyle raw{true, false};
  TStringStyle quoteCode{false, true};
  struct Case { const char* value; TStringStyle style; const char* literal; } cases[] = {
      {"", codes, "''"},
      {"plain", codes, "'plain'"},
      {"O'Brien", codes, "'O''Brien'"},
      {"O'Brien", quoteCode, "'O'#39'Brien'"},
      {"'", quoteCode, "#39"},
      {"caf\xC3\xA9", codes, "'caf'#233"},
      {"caf\xC3\xA9", raw, "'caf\xC3\xA9'"},
      {"\xC3\xA9t\xC3\xA9", codes, "#233't'#233"},
      {"\xF0\x9F\x98\x80", codes, "#55357#56832"},
      {"a\tb", raw, "'a'#9'b'"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeStringValue(c.value, c.style), c.literal) << c.value;
    std::string back;
    EXPECT_TRUE(DecodeStringValue(c.literal, back)) << c.literal;
    EXPECT_EQ(back, c.value) << c.literal;
  }
  // Not a string at all: the old reading, first and last character dropped.
  EXPECT_EQ(StringValueText("'Sales'"), "Sales");
  EXPECT_EQ(StringValueText("'O''Brien'"), "O'Brien");
  EXPECT_EQ(StringValueText("Sales"), "ale");
}

TEST(StringValue, ParameterListsAreReadItemByItem) {
  const std::string params =
      "(\r\n"
      "    'SERVER NAME=C:\\Data\\em' +\r\n"
      "      'ployee.gdb'\r\n"
      "    'user name=O'#39'Brien'\r\n"
      "    'PASSWORD=caf'#233\r\n"
      "    'EMPTY='\r\n"
      "    'NO EQUALS'\r\n"
      "    'A=B=C')";
  TParamList list = ReadParamList(params);
  ASSERT_EQ(list.items.size(), 6u);
  EXPECT_TRUE(list.style.apostropheAsCode);
  EXPECT_FALSE(list.style.rawNonAscii);
  struct Case { const char* name; const char* value; } cases[] = {
      {"SERVER NAME", "C:\\Data\\employee.gdb"},
      {"USER NAME", "O'Brien"},
      {"password", "caf\xC3\xA9"},
      {"EMPTY", ""},
      {"NO EQUALS", ""},
      {"A", "B=C"},
      {"MISSING", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ParamValue(list, c.name), c.value) << c.name;
  EXPECT_EQ(ParamValue("('X=1' junk 'Y=2')", "Y"), "");  // reading stops at what is no string
  EXPECT_EQ(ParamValue("not a list", "X"), "");
  EXPECT_TRUE(ReadParamList("()").items.empty());
}
