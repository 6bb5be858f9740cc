#include "replace/TextPlace.h"

#include <gtest/gtest.h>

#include <string>

using migwiz::replace::TLineTracker;

namespace {

// The line of an offset counted byte by byte: CR LF, a lone CR and a lone LF
// each end one line.
int CountedLine(const std::string& text, size_t offset) {
  int line = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
  return line;
}

}  // namespace

// Every offset of texts with each kind of line break, long lines, control
// characters and UTF-8, asked in order and again after going back.
TEST(LineTracker, CountsAsByteByByte) {
  const std::string texts[] = {
      "",
      "one line without a break",
      "a\r\nb\nc\rd\r\n\r\n\n\re",
      "a long first line of text\r\n\tand a second one, \xC3\xA9t\xC3\xA9\r\nthird\r",
      std::string(23, 'x') + "\r" + std::string(9, 'y') + "\n\x01\x0B\x0C\x0E\x1F" + std::string(17, 'z') + "\r\n",
      "\r\r\r\n\n\n\r\n\r",
  };
  for (const std::string& text : texts) {
    TLineTracker lines(text);
    for (size_t offset = 0; offset <= text.size() + 1; ++offset)
      EXPECT_EQ(lines.LineOf(offset), CountedLine(text, offset)) << offset << " in \"" << text << '"';
    EXPECT_EQ(lines.LineOf(0), 1);  // back to the top
    for (size_t offset = 0; offset <= text.size(); offset += 3) {
      TLineTracker fresh(text);
      EXPECT_EQ(fresh.LineOf(offset), CountedLine(text, offset)) << offset << " in \"" << text << '"';
    }
  }
}
