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

// Long texts (passed over eight bytes at a time) split as a byte-by-byte
// split does: breaks at every place in a word, control characters and bytes
// beyond ASCII around them.
TEST(SplitTextLines, AsAByteByByteSplit) {
  auto byteByByte = [](const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\r' && text[i] != '\n') continue;
      lines.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
  };
  std::vector<std::string> texts = {std::string(40, 'x'), "\t\x0B\x0C\x0E\x1F\x01 select * from T\xC3\xA9 where a = 1\x7F\x80\xFF"};
  for (const char* lineBreak : {"\r\n", "\n", "\r", "\n\r", "\r\r\n"})
    for (size_t at = 0; at <= 17; ++at) {
      std::string text = std::string(at, 'a') + lineBreak + "\t\x0C" + std::string(9, 'b') + lineBreak;
      texts.push_back(text);
      texts.push_back(text + "tail \xE2\x82\xAC");
    }
  for (const std::string& text : texts) {
    const std::vector<std::string> lines = byteByByte(text);
    EXPECT_EQ(SplitTextLines(text), lines) << text;
    EXPECT_TRUE(SameTextLines(lines, text)) << text;
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) joined += (i ? "\n" : "") + lines[i];
    EXPECT_EQ(JoinedTextLines(text), joined) << text;
  }
}
