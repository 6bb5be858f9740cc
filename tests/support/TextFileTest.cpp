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

// Bytes that are not valid in the file's encoding come back as they were
// read, and a real private-use character is never taken for one of them.
TEST(ReadTextFile, InvalidBytesRoundTripUnchanged) {
  const std::string cases[] = {
      "\xEF\xBB\xBF" "a\xC3(b\xFF \xE9t\xE9",                 // stray bytes in UTF-8
      "\xEF\xBB\xBF" "\xED\xA0\x80 \xF8\x80 \xEF\x9F\xA9",      // look like the carriers
      "\xFF\xFE" "a\0\x00\xD8" "b\0c"s,                         // lone lead, odd byte
      "\xFF\xFE" "\x00\xDC\x00\xD8\x3D\xD8\x00\xDE\x00\xD8"s,    // lone trail, pair, lone lead
      "\xFF\xFE" "\xE9\xF7" "x\0"s,                              // a real U+F7E9
      "caf\xE9 \x81\x8D",                                    // ANSI, undefined bytes
  };
  for (const std::string& bytes : cases) {
    TextFileContents r = ReadTextFile(bytes);
    EXPECT_EQ(ByteOrderMark(r.encoding) + EncodeText(r.text, r.encoding), bytes) << bytes;
  }
  // The text around the invalid bytes reads as it should.
  EXPECT_EQ(ReadTextFile("\xFF\xFE" "a\0\x00\xD8" "b\0"s).text, "a\xED\xA0\x80" "b");
  EXPECT_EQ(ReadTextFile("\xFF\xFE" "\xE9\xF7"s).text, "\xEF\x9F\xA9");
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
