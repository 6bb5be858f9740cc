#include "support/TextFile.h"

#include <gtest/gtest.h>

using namespace migwiz::support;
using namespace std::string_literals;

TEST(ReadTextFile, ChoosesEncodingByMark) {
  struct Case { std::string bytes; TEncoding encoding; std::string text; } cases[] = {
      {"\xFF\xFEu\0n\0i\0t\0"s, TEncoding::Utf16LE, "unit"},
      {std::string("\xFF\xFE", 2), TEncoding::Utf16LE, ""},
      {"\xEF\xBB\xBFunit \xC3\xA9", TEncoding::Utf8, "unit \xC3\xA9"},
      {"\xEF\xBB\xBF", TEncoding::Utf8, ""},
      {"unit \xE9", TEncoding::Ansi, "unit \xC3\xA9"},
      {"\xFF", TEncoding::Ansi, "\xC3\xBF"},         // one byte: no mark
      {"\xEF\xBB", TEncoding::Ansi, "\xC3\xAF\xC2\xBB"},
      {"", TEncoding::Ansi, ""},
  };
  for (const auto& c : cases) {
    TextFileContents r = ReadTextFile(c.bytes);
    EXPECT_EQ(r.encoding, c.encoding) << c.bytes;
    EXPECT_EQ(r.text, c.text) << c.bytes;
  }
}

TEST(ReadTextFile, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(ReadTextFile("\xEF\xBB\xBF" "a\xC3(b\xFF").text, "a\xEF\xBF\xBD(b\xEF\xBF\xBD");
  // An odd byte count and an unpaired surrogate in UTF-16.
  EXPECT_EQ(ReadTextFile(std::string("\xFF\xFE" "a\0\x00\xD8" "b\0c", 9)).text,
            "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(EncodeText, RoundTripsEachEncoding) {
  const std::string text = "object Form1: TForm1\r\n  Caption = 'Gr\xC3\xBC\xC3\x9F" "e'\r\nend";
  for (TEncoding e : {TEncoding::Ansi, TEncoding::Utf8, TEncoding::Utf16LE}) {
    std::string bytes = ByteOrderMark(e) + EncodeText(text, e);
    TextFileContents back = ReadTextFile(bytes);
    EXPECT_EQ(back.encoding, e) << EncodingName(e);
    EXPECT_EQ(back.text, text) << EncodingName(e);
  }
  EXPECT_EQ(EncodeText("A\xE2\x82\xAC", TEncoding::Utf16LE), std::string("A\0\xAC\x20", 4));
}
