#include "support/StrUtils.h"

#include <gtest/gtest.h>

using namespace migwiz::support;

// SameTextLines must agree with comparing against SplitTextLines in every
// case, line breaks of each kind and empty lines included.
TEST(SameTextLines, AgreesWithSplitTextLines) {
  const std::string texts[] = {"", "a", "a\r\nb", "a\nb\n", "a\rb\r", "a\r\n\r\nb", "\n", "\r\n", "\n\n",
                               "a\n\rb", "a\r\r\nb", " a \r\n b "};
  const std::vector<std::vector<std::string>> lineSets = {
      {}, {""}, {"a"}, {"a", "b"}, {"a", "", "b"}, {"", ""}, {" a ", " b "}, {"a", "b", ""}, {"a", "", "", "b"}};
  for (const std::string& text : texts)
    for (const auto& lines : lineSets)
      EXPECT_EQ(SameTextLines(lines, text), lines == SplitTextLines(text)) << '"' << text << '"';
  for (const std::string& text : texts) EXPECT_TRUE(SameTextLines(SplitTextLines(text), text)) << text;
}

// JoinedTextLines is SplitTextLines joined with LF, for every kind of line
// break, empty lines and a final break included.
TEST(JoinedTextLines, IsSplitTextLinesJoined) {
  const std::string texts[] = {"", "a", "a\r\nb", "a\nb\n", "a\rb\r", "a\r\n\r\nb", "\n", "\r\n", "\n\n",
                               "a\n\rb", "a\r\r\nb", " a \r\n b ", "\r\n\r\n", "a\r\n\r\n", "\ra"};
  for (const std::string& text : texts) {
    const std::vector<std::string> lines = SplitTextLines(text);
    std::string expected;
    for (size_t i = 0; i < lines.size(); ++i) expected += (i ? "\n" : "") + lines[i];
    EXPECT_EQ(JoinedTextLines(text), expected) << '"' << text << '"';
  }
}
