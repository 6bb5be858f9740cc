#include "platform/TextCodec.h"

#include <gtest/gtest.h>

using namespace migwiz::platform;

TEST(AnsiCodePage, DefaultIsWindows1252WithQuestionMarkSubstitution) {
  AnsiCodePage cp("windows-1252");
  EXPECT_TRUE(cp.IsSingleByte());
  EXPECT_EQ(cp.Decode("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
  EXPECT_EQ(cp.Encode("\xE2\x82\xAC\xC3\xA9"), "\x80\xE9");
  EXPECT_EQ(cp.Encode("\xD0\x96 \xF0\x9F\x98\x80"), "? ?");  // Ж and an emoji
  EXPECT_EQ(cp.Encode("bad \xC3"), "bad ?");
}

TEST(AnsiCodePage, EverySingleByteRoundTrips) {
  for (const char* name : {"windows-1252", "windows-1251", "ISO-8859-1", "windows-1253"}) {
    AnsiCodePage cp(name);
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(cp.Encode(cp.Decode(all)), all) << name;
  }
}

TEST(AnsiCodePage, OtherCodePagesAndUnknownNames) {
  AnsiCodePage cyr("windows-1251");
  EXPECT_EQ(cyr.Decode("\xC6"), "\xD0\x96");
  EXPECT_EQ(cyr.Encode("\xD0\x96\xC3\xA9"), "\xC6?");
  AnsiCodePage sjis("Shift_JIS");
  EXPECT_FALSE(sjis.IsSingleByte());
  EXPECT_EQ(sjis.Decode(sjis.Encode("\xE6\x97\xA5 \xD0\x96")), "\xE6\x97\xA5 \xD0\x96");
  EXPECT_EQ(sjis.Encode("\xC3\xA9"), "?");
  EXPECT_THROW(AnsiCodePage("no-such-codepage"), ECodePageError);
}
