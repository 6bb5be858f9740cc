#include "streams/ComponentStream.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <random>

using namespace migwiz::platform;
using namespace std::string_literals;

namespace {

// Every value kind, written the way the component library writes it.
const std::string kAllKinds =
    "object Form1: TForm1\r\n"
    "  Left = 0\r\n"
    "  Tag = 200\r\n"
    "  Neg = -40000\r\n"
    "  Big = 3000000000\r\n"
    "  Ext = 1.500000000000000000\r\n"
    "  Tiny = 0.000010000000000000\r\n"
    "  Huge = 1.5E+20\r\n"
    "  Sng = 1.5s\r\n"
    "  Cur = 15000c\r\n"
    "  Dt = 45000.5d\r\n"
    "  Caption = 'Don'#39't'#13#10'Gr'#252'e'\r\n"
    "  Wide = #1046#1047\r\n"
    "  Mixed = 'abc'#1046\r\n"
    "  Blank = ''\r\n"
    "  Long = \r\n"
    "    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +\r\n"
    "    'bbbbbbbbbbbbbbbbbbbb'\r\n"
    "  Align = alClient\r\n"
    "  Yes = True\r\n"
    "  No = False\r\n"
    "  Nothing = nil\r\n"
    "  Void = Null\r\n"
    "  Anchors = [akLeft, akTop]\r\n"
    "  Empty = []\r\n"
    "  Data = {\r\n"
    "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\r\n"
    "    FFEE}\r\n"
    "  Small = {0102}\r\n"
    "  List = (\r\n"
    "    1\r\n"
    "    'two'\r\n"
    "    (\r\n"
    "      3))\r\n"
    "  Items = <\r\n"
    "    item\r\n"
    "      Name = 'a'\r\n"
    "    end\r\n"
    "    item [2]\r\n"
    "      Name = 'b'\r\n"
    "    end>\r\n"
    "  NoItems = <>\r\n"
    "  Font.Name = 'Tahoma'\r\n"
    "  Ref = DM.Database1\r\n"
    "  object Panel1: TPanel [1]\r\n"
    "  end\r\n"
    "  inherited Child: TChild\r\n"
    "    object Grand: TLabel\r\n"
    "      Caption = 'x'\r\n"
    "    end\r\n"
    "  end\r\n"
    "  inline Frame: TFrame1\r\n"
    "  end\r\n"
    "end\r\n";

const std::string kDataModule =
    "object DM: TDM\r\n"
    "  OldCreateOrder = False\r\n"
    "  Height = 300\r\n"
    "  Width = 400\r\n"
    "  object Database1: TDatabase\r\n"
    "    DatabaseName = 'Sales'\r\n"
    "    DriverName = 'MYSQL'\r\n"
    "    LoginPrompt = False\r\n"
    "    Params.Strings = (\r\n"
    "      'SERVER NAME=db.example.com'\r\n"
    "      'USER NAME=sales'\r\n"
    "      'PASSWORD=s'#39'cret'\r\n"
    "      'DATABASE NAME=shop')\r\n"
    "    SessionName = 'Default'\r\n"
    "    TransIsolation = tiReadCommitted\r\n"
    "    Left = 40\r\n"
    "    Top = 16\r\n"
    "  end\r\n"
    "  object qryOrders: TQuery\r\n"
    "    DatabaseName = 'Sales'\r\n"
    "    SQL.Strings = (\r\n"
    "      'select * from orders'\r\n"
    "      'where customer_id = :cust')\r\n"
    "    UpdateObject = updOrders\r\n"
    "    Left = 120\r\n"
    "    Top = 16\r\n"
    "    ParamData = <\r\n"
    "      item\r\n"
    "        DataType = ftInteger\r\n"
    "        Name = 'cust'\r\n"
    "        ParamType = ptInput\r\n"
    "      end>\r\n"
    "    object qryOrdersID: TIntegerField\r\n"
    "      FieldName = 'ID'\r\n"
    "    end\r\n"
    "    object qryOrdersTOTAL: TCurrencyField\r\n"
    "      FieldName = 'TOTAL'\r\n"
    "      currency = True\r\n"
    "    end\r\n"
    "  end\r\n"
    "  object tblCustomers: TTable\r\n"
    "    DatabaseName = 'Sales'\r\n"
    "    TableName = 'customers'\r\n"
    "    Left = 200\r\n"
    "    Top = 16\r\n"
    "  end\r\n"
    "  object updOrders: TUpdateSQL\r\n"
    "    ModifySQL.Strings = (\r\n"
    "      'update orders set total = :total where id = :OLD_id')\r\n"
    "    Left = 120\r\n"
    "    Top = 72\r\n"
    "  end\r\n"
    "end\r\n";

}  // namespace

TEST(ComponentStream, EveryValueKindRoundTrips) {
  for (const std::string* text : {&kAllKinds, &kDataModule}) {
    std::string binary = ObjectTextToBinary(*text);
    EXPECT_EQ(binary.substr(0, 4), "TPF0");
    EXPECT_EQ(ObjectBinaryToText(binary), *text);
    EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(binary)), binary);
  }
}

TEST(ComponentStream, ChoosesTheSmallestKinds) {
  struct Case { const char* value; std::string bytes; } cases[] = {
      {"0", "\x02\x00"s},
      {"-128", "\x02\x80"s},
      {"200", "\x03\xC8\x00"s},
      {"-40000", "\x04\xC0\x63\xFF\xFF"s},
      {"3000000000", "\x13\x00\x5E\xD0\xB2\x00\x00\x00\x00"s},
      {"$FF", "\x03\xFF\x00"s},
      {"'Gre'", "\x06\x03Gre"s},                                 // ASCII
      {"'Gr'#252'e'", "\x14\x05\x00\x00\x00Gr\xC3\xBC" "e"s},  // UTF-8 is shorter
      {"'abc'#1046", "\x14\x05\x00\x00\x00" "abc\xD0\x96"s},   // UTF-8 is shorter
      {"#1046#1047", "\x12\x02\x00\x00\x00\x16\x04\x17\x04"s},  // wide
      {"True", "\x09"s},
      {"nil", "\x0D"s},
      {"[a, b]", "\x0B\x01" "a\x01" "b\x00"s},
      {"1.5s", "\x0F\x00\x00\xC0\x3F"s},
  };
  for (const auto& c : cases) {
    std::string binary = ObjectTextToBinary(std::string("object A: TA\r\n  P = ") + c.value + "\r\nend\r\n");
    std::string expected = "TPF0\x02TA\x01" "A\x01P"s + c.bytes + "\x00\x00"s;
    EXPECT_EQ(binary, expected) << c.value;
  }
}

TEST(ComponentStream, ReadsKindsTheTextNeverProduces) {
  // vaDouble, a long string and a UTF-8 string as another writer made them.
  std::string stream = "TPF0\x02TA\x01" "A"s
                       "\x01" "D\x15\x00\x00\x00\x00\x00\x00\xF8\x3F"s
                       "\x01" "L\x0C\x02\x00\x00\x00hi"s
                       "\x01" "U\x14\x02\x00\x00\x00\xC3\xA9"s
                       "\x00\x00"s;
  EXPECT_EQ(ObjectBinaryToText(stream),
            "object A: TA\r\n  D = 1.500000000000000000\r\n  L = 'hi'\r\n  U = #233\r\nend\r\n");
}

TEST(ComponentStream, MalformedStreamsGiveClearErrors) {
  struct Case { std::string stream; const char* message; } cases[] = {
      {"TPF1\x02TA\x01" "A\x00\x00"s, "not a component stream (no TPF0 signature) at byte offset 0"},
      {"TPF"s, "length 4 of the signature runs past the end of the stream at byte offset 0"},
      {"TPF0\x02TA\x01" "A\x01P\x63\x00\x00"s, "unknown value kind 99 at byte offset 11"},
      {"TPF0\x02TA\x01" "A\x01P\x0A\xFF\xFF\xFF\x7F\x00"s,
       "length 2147483647 of binary data runs past the end of the stream at byte offset 16"},
      {"TPF0\x02TA\x01" "A\x01P\x12\xFF\xFF\xFF\xFF"s,
       "length 8589934590 of a wide string runs past the end of the stream at byte offset 16"},
      {"TPF0\x02TA\x01" "A\x01P\x02"s, "stream cut short in a value at byte offset 12"},
      {"TPF0\x09TA"s, "length 9 of a class name runs past the end of the stream at byte offset 5"},
  };
  for (const auto& c : cases) {
    try {
      ObjectBinaryToText(c.stream);
      ADD_FAILURE() << c.message;
    } catch (const EStreamError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  // Every prefix of a valid stream fails cleanly.
  std::string binary = ObjectTextToBinary(kAllKinds);
  for (size_t n = 0; n < binary.size(); ++n)
    EXPECT_THROW(ObjectBinaryToText(binary.substr(0, n)), EStreamError) << n;
}

TEST(ComponentStream, DeepNestingIsRefusedBothWays) {
  std::string deepList = "TPF0\x02TA\x01" "A\x01P"s + std::string(100000, '\x01');
  EXPECT_THROW(ObjectBinaryToText(deepList), EStreamError);
  std::string deepText;
  for (int i = 0; i < 100000; ++i) deepText += "object A: TA\r\n";
  EXPECT_THROW(ObjectTextToBinary(deepText), ETextFormError);
}

TEST(ComponentStream, TextErrorsNameLineAndColumn) {
  struct Case { const char* text; const char* message; } cases[] = {
      {"object A: TA\r\n  P 1\r\nend\r\n", "line 2, column 5: '=' expected"},
      {"object A: TA\r\n  P = 'open\r\nend\r\n", "line 2, column 7: unterminated string"},
      {"object A: TA\r\n  P = {0A1}\r\nend\r\n", "line 2, column 7: odd number of hexadecimal digits"},
      {"object A: TA\r\n  P = 1\r\n", "line 3, column 1: 'end' expected"},
      {"thing A: TA\r\nend\r\n", "line 1, column 1: 'object' expected"},
      {"object A: TA\r\n  P = )\r\nend", "line 2, column 7: invalid property value ')'"},
      {"object A: TA\r\n  P = 99999999999999999999\r\nend", "line 2, column 7: invalid integer 99999999999999999999"},
  };
  for (const auto& c : cases) {
    try {
      ObjectTextToBinary(c.text);
      ADD_FAILURE() << c.message;
    } catch (const ETextFormError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(ComponentStream, MutatedStreamsNeverCrash) {
  std::string valid = ObjectTextToBinary(kAllKinds);
  std::mt19937 rng(12345);
  for (int round = 0; round < 20000; ++round) {
    std::string s = valid;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t at = rng() % s.size();
      switch (rng() % 3) {
        case 0: s[at] = static_cast<char>(rng()); break;
        case 1: s.erase(at, 1 + rng() % 8); break;
        default: s.insert(at, 1, static_cast<char>(rng())); break;
      }
      if (s.empty()) s = "T";
    }
    try {
      ObjectBinaryToText(s);
    } catch (const EStreamError&) {
    }
  }
}

TEST(FormResource, WrapsAndUnwrapsTheStream) {
  std::string stream = ObjectTextToBinary(kDataModule);
  EXPECT_EQ(DefaultResourceName(stream), "TDM");
  std::string file = WriteResourceForm("TDM", stream);
  ASSERT_TRUE(IsBinaryForm(file));
  EXPECT_EQ(file.substr(0, 12), "\xFF\x0A\x00TDM\x00\x30\x10"s + std::string(1, static_cast<char>(stream.size() & 0xFF)) + std::string(1, static_cast<char>(stream.size() >> 8)) + "\x00"s);
  TRCData header;
  size_t start = ReadResourceHeader(file, header);
  EXPECT_EQ(header.Name, "TDM");
  EXPECT_EQ(header.Size, stream.size());
  EXPECT_EQ(file.substr(start), stream);

  EXPECT_FALSE(IsBinaryForm("object"));
  EXPECT_THROW(ReadResourceHeader("\xFF\x0A\x00TDM"s, header), EStreamError);
  // A size field that disagrees with the data is taken as it is: the
  // stream's own structure finds a file cut short.
  for (uint32_t size : {0u, 3u, 0xFFFFFFu}) {
    std::string wrong = file;
    for (int i = 0; i < 4; ++i) wrong[start - 4 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    EXPECT_EQ(ReadResourceHeader(wrong, header), start);
    EXPECT_EQ(header.Size, size);
    EXPECT_EQ(ObjectBinaryToText(wrong.substr(start)), kDataModule);
  }
  std::string cut = "\xFF\x0A\x00T\x00\x30\x10\xFF\x00\x00\x00TPF0"s;
  EXPECT_THROW(ObjectBinaryToText(cut.substr(ReadResourceHeader(cut, header))), EStreamError);
  // A child position in the root header is skipped for the resource name.
  EXPECT_EQ(DefaultResourceName(ObjectTextToBinary("inherited F: TForm2 [3]\r\nend\r\n")), "TFORM2");
}

// Cases the fuzzer found: what the text form cannot carry is refused when
// read, and extreme numbers survive the round trip.
TEST(ComponentStream, FuzzerFindings) {
  EXPECT_THROW(ObjectBinaryToText("TPF0\x00\x00\x00\x00"s), EStreamError);         // no class name
  EXPECT_THROW(ObjectBinaryToText("TPF0\x02TA\x00\x01" "\x03" "end\x02\x01\x00\x00"s), EStreamError);
  EXPECT_THROW(ObjectBinaryToText("TPF0\x02\xC8\x8B\x00\x00\x00"s), EStreamError);  // not in the code page
  EXPECT_EQ(ObjectBinaryToTextUtf8("TPF0\x02\xC8\x8B\x00\x00\x00"s), "object \xC8\x8B\r\nend\r\n");
  for (const char* value : {"-9223372036854775808c", "INF", "-INF", "NAN", "3.6451995318824746E-4951"}) {
    std::string text = std::string("object A: TA\r\n  P = ") + value + "\r\nend\r\n";
    std::string binary = ObjectTextToBinary(text);
    EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(binary)), binary) << value;
  }
}

// Streams as a Unicode IDE writes them come back byte for byte: ASCII as
// vaString or vaLString, else UTF-8 where shorter than UTF-16, else wide.
TEST(ComponentStream, StringKindsOfAUnicodeIdeRoundTrip) {
  auto le32 = [](uint32_t n) {
    std::string s;
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    return s;
  };
  auto wide = [&](const std::u16string& w) {
    std::string s = "\x12"s + le32(static_cast<uint32_t>(w.size()));
    for (char16_t c : w) s += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return s;
  };
  const std::string longAscii(300, 'a');
  struct Case { const char* what; std::string value; } cases[] = {
      {"short ASCII", "\x06\x05Hello"s},
      {"ASCII of 255 bytes", "\x06\xFF"s + std::string(255, 'x')},
      {"long ASCII", "\x0C"s + le32(300) + longAscii},
      {"Latin-1", "\x14"s + le32(9) + "Rela\xC3\xA7\xC3\xA3o"},
      {"Latin-1 long", "\x14"s + le32(302) + longAscii + "\xC3\xA9"},
      {"Cyrillic", wide(u"\u041F\u0440\u0438\u0432\u0435\u0442")},
      {"CJK", wide(u"\u5B8B\u4F53")},
      {"mixed", "\x14"s + le32(9) + "abc \xD0\x96 de"},
      {"mixed, mostly CJK", wide(u"a\u5B8B\u4F53")},
  };
  for (const Case& c : cases) {
    std::string stream = "TPF0\x02TA\x01" "A\x01P"s + c.value + "\x00\x00"s;
    std::string text = ObjectBinaryToTextUtf8(stream);
    EXPECT_EQ(ObjectTextToBinaryUtf8(text), stream) << c.what << "\n" << text;
    EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(stream)), stream) << c.what;
  }
}

// A form of the code-page era (non-ASCII text in code-page strings) is told
// apart on reading and keeps its kinds when written back that way; a
// character the code page lacks still goes out as Unicode.
TEST(ComponentStream, CodePageEraFormsKeepTheirStringKinds) {
  auto le32 = [](uint32_t n) {
    std::string s;
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    return s;
  };
  const std::string era = "TPF0\x02TA\x01" "A\x02" "P1\x06\x06\xA9 1999" "\x02" "P2\x0C"s +
                          le32(300) + std::string(299, 'a') + "\xE9" + "\x00\x00"s;
  TStringKinds kinds = TStringKinds::Unicode;
  std::string text = ObjectBinaryToTextUtf8(era, 0, &kinds);
  EXPECT_EQ(kinds, TStringKinds::CodePage);
  EXPECT_EQ(ObjectTextToBinaryUtf8(text, kinds), era);
  EXPECT_NE(ObjectTextToBinaryUtf8(text), era);  // the Unicode rule writes UTF-8 there

  const std::string ascii = "TPF0\x02TA\x01" "A\x01P\x06\x02ok\x00\x00"s;
  ObjectBinaryToTextUtf8(ascii, 0, &kinds);
  EXPECT_EQ(kinds, TStringKinds::Unicode);

  // CJK is beyond windows-1252: wide, even in a code-page era form.
  std::string cjk = ObjectTextToBinaryUtf8("object A: TA\r\n  P = #23435\r\nend\r\n", TStringKinds::CodePage);
  EXPECT_NE(cjk.find("\x12\x01\x00\x00\x00\x8B\x5B"s), std::string::npos);
}

// Non-finite singles and dates keep their kind.
TEST(ComponentStream, NonFiniteValuesKeepTheirKind) {
  struct Case { std::string value; const char* text; } cases[] = {
      {"\x0F\x00\x00\xC0\x7F"s, "NANs"},
      {"\x0F\x00\x00\x80\x7F"s, "INFs"},
      {"\x0F\x00\x00\x80\xFF"s, "-INFs"},
      {"\x11\x00\x00\x00\x00\x00\x00\xF8\x7F"s, "NANd"},
      {"\x11\x00\x00\x00\x00\x00\x00\xF0\xFF"s, "-INFd"},
      {"\x05\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x7F"s, "INF"},
      {"\x05\x00\x00\x00\x00\x00\x00\x00\x80\xFF\xFF"s, "-INF"},
  };
  for (const Case& c : cases) {
    std::string stream = "TPF0\x02TA\x01" "A\x01P"s + c.value + "\x00\x00"s;
    std::string text = ObjectBinaryToText(stream);
    EXPECT_EQ(text, std::string("object A: TA\r\n  P = ") + c.text + "\r\nend\r\n");
    EXPECT_EQ(ObjectTextToBinary(text), stream) << c.text;
  }
  for (const char* bad : {"-NAN", "-NANs", "-INFx", "-Foo"}) {
    EXPECT_THROW(ObjectTextToBinary(std::string("object A: TA\r\n  P = ") + bad + "\r\nend\r\n"),
                 ETextFormError) << bad;
  }
}

// Strings of quoted parts, #codes and '+' joins, ASCII or not in every
// order: the value is the same whichever part first leaves ASCII.
TEST(ObjectTextToBinaryUtf8, StringPartsInEveryOrder) {
  const std::string a300(300, 'a');
  struct Case { std::string value; std::string bytes; } cases[] = {
      {"#0'a'#127", "\x06\x03\x00" "a\x7F"s},
      {"'ab' + 'cd'", "\x06\x04" "abcd"s},
      {"'" + a300.substr(0, 200) + "' + '" + a300.substr(0, 100) + "'", "\x0C\x2C\x01\x00\x00"s + a300},
      {"'ab' + #1046", "\x14\x04\x00\x00\x00" "ab\xD0\x96"s},
      {"#1046 + 'ab'", "\x14\x04\x00\x00\x00\xD0\x96" "ab"s},
      {"'a'#$7F#128'b'", "\x14\x05\x00\x00\x00" "a\x7F\xC2\x80" "b"s},
      {"'\xC3\xA9'#65", "\x14\x03\x00\x00\x00\xC3\xA9" "A"s},
      {"#65'\xC3\xA9'#66 + 'c'", "\x14\x05\x00\x00\x00" "A\xC3\xA9" "Bc"s},
      {"'x''y' + #0", "\x06\x04x'y\x00"s},
      {"#$D800'a'", "\x12\x02\x00\x00\x00\x00\xD8" "a\x00"s},  // a lone surrogate stays UTF-16
  };
  for (const auto& c : cases) {
    const std::string text = "object A: TA\r\n  P = " + c.value + "\r\nend\r\n";
    EXPECT_EQ(ObjectTextToBinaryUtf8(text), "TPF0\x02TA\x01" "A\x01P"s + c.bytes + "\x00\x00"s) << c.value;
  }
}

// Valid text is read where it lies, other text after its invalid bytes are
// replaced: both make the stream the replaced text makes.
TEST(ObjectTextToBinaryUtf8, InvalidBytesAsTheirReplacement) {
  const std::string cases[] = {
      "object A: TA\r\n  S = 'caf\xC3\xA9'\r\nend\r\n",
      "object A: TA\r\n  S = 'caf\xE9'\r\nend\r\n",
      "object A: TA\r\n  S = '\xF0\x9F\x98\x80 \xED\xA0\x80'\r\nend\r\n",
      "object A: TA\r\n  S = 'x\xC3'\r\nend\r\n",
  };
  for (const std::string& text : cases)
    EXPECT_EQ(ObjectTextToBinaryUtf8(text), ObjectTextToBinaryUtf8(SanitizeUtf8(text))) << text;
  EXPECT_NE(ObjectTextToBinaryUtf8(cases[1]).find("\xEF\xBF\xBD"), std::string::npos);
}
