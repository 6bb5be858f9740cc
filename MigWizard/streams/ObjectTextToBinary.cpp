// Text form of a component stream back to the binary stream.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "streams/ComponentStream.h"
#include "streams/FloatText.h"
#include "platform/TextCodec.h"
#include "platform/Utf8.h"

namespace migwiz::platform {

namespace {

enum class Tok { End, Symbol, Integer, Float, String, Char };

constexpr bool IsIdentStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
// IsIdentStart or a digit, by a table: the test of every byte of a name.
constexpr std::array<bool, 256> kIdentChar = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[static_cast<size_t>(c)] = IsIdentStart(static_cast<unsigned char>(c)) || (c >= '0' && c <= '9');
  return table;
}();
bool IsIdentChar(unsigned char c) { return kIdentChar[c]; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsHex(unsigned char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(unsigned char c) {
  return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}


// A text the lexer reads where it lies.
struct TBorrowed {
  std::string_view text;
};

// Whether SanitizeUtf8 would give the bytes back as they are.
bool IsValidUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
  const auto n = static_cast<int32_t>(bytes.size());
  if (static_cast<size_t>(n) != bytes.size()) return false;  // left to SanitizeUtf8
  for (int32_t i = 0; i < n;) {
    if (s[i] < 0x80) {
      uint64_t word;  // eight ASCII bytes at a time
      if (i <= n - 8 && (std::memcpy(&word, s + i, 8), (word & 0x8080808080808080ull) == 0))
        i += 8;
      else
        ++i;
      continue;
    }
    size_t at = static_cast<size_t>(i);
    if (NextUtf8(bytes, at) < 0) return false;
    i = static_cast<int32_t>(at);
  }
  return true;
}

// The tokens of the text form: names (dotted names are put together by the
// parser), numbers with their type letter, strings made of quoted parts and
// #codes, and single characters.
class Lexer {
 public:
  explicit Lexer(std::string text) : owned_(std::move(text)), text_(owned_) { Next(); }
  // Reads the text where it lies: it must outlive the lexer.
  explicit Lexer(TBorrowed text) : text_(text.text) { Next(); }

  Tok token = Tok::End;
  std::string_view str;  // symbol text, number text, or the character, in the text
  // A string value: when every character of it is ASCII (asciiString), its
  // bytes are in narrow and wide is empty; otherwise it is in wide.
  std::u16string wide;
  std::string narrow;
  bool asciiString = false;
  char floatType = 0;
  int line = 1, column = 1;

  [[noreturn]] void Fail(const std::string& what) const { throw ETextFormError(what, line, column); }
  size_t TextSize() const { return text_.size(); }

  bool Is(char c) const { return token == Tok::Char && str.size() == 1 && str[0] == c; }
  bool IsSymbol(std::string_view word) const { return token == Tok::Symbol && SameAscii(str, word); }
  void Expect(char c) {
    if (!Is(c)) Fail(std::string("'") + c + "' expected");
    Next();
  }
  std::string ExpectSymbol(const char* what) {
    std::string s;
    AppendSymbol(s, what);
    return s;
  }
  // The same, added to name.
  void AppendSymbol(std::string& name, const char* what) {
    if (token != Tok::Symbol) Fail(std::string(what) + " expected");
    name.append(str);
    Next();
  }
  // A string value as UTF-16, whichever way it is held.
  std::u16string WideValue() const {
    return asciiString ? std::u16string(narrow.begin(), narrow.end()) : wide;
  }

  void Next() {
    SkipBlanks();
    str = {};
    wide.clear();
    floatType = 0;
    line = line_;
    column = static_cast<int>(pos_ - lineStart_) + 1;
    if (pos_ >= text_.size()) {
      token = Tok::End;
      return;
    }
    auto c = static_cast<unsigned char>(text_[pos_]);
    if (IsIdentStart(c)) {
      size_t start = pos_;
      while (pos_ < text_.size() && IsIdentChar(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      str = text_.substr(start, pos_ - start);
      token = Tok::Symbol;
    } else if (c == '\'' || c == '#') {
      ReadString();
    } else if (IsDigit(c) || (c == '-' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
      ReadNumber();
    } else if (c == '$') {
      size_t start = pos_++;
      while (pos_ < text_.size() && IsHex(text_[pos_])) ++pos_;
      str = text_.substr(start, pos_ - start);
      token = Tok::Integer;
    } else {
      str = text_.substr(pos_, 1);
      ++pos_;
      token = Tok::Char;
    }
  }

  // Hex digit pairs up to the closing brace, blanks between them allowed.
  std::string ReadBinary() {
    std::string bytes;
    int pending = -1;
    for (;;) {
      SkipBlanks();
      if (pos_ >= text_.size()) Fail("'}' expected");
      auto c = static_cast<unsigned char>(text_[pos_]);
      if (c == '}') break;
      if (!IsHex(c)) Fail("hexadecimal digit expected");
      ++pos_;
      if (pending < 0) {
        pending = HexValue(c);
      } else {
        bytes.push_back(static_cast<char>(pending * 16 + HexValue(c)));
        pending = -1;
      }
    }
    if (pending >= 0) Fail("odd number of hexadecimal digits");
    ++pos_;
    Next();
    return bytes;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') {
      if (text_[pos_] == '\n') {
        ++line_;
        lineStart_ = pos_ + 1;
      }
      ++pos_;
    }
  }

  // The quoted parts and #codes of a string. While every character is
  // ASCII the value is gathered as bytes (narrow); from the first other one
  // on it is gathered as UTF-16 (wide), each quoted part converted as a
  // whole. Quoted parts are whole UTF-8 text (they end at a quote), so
  // converting them apart or together gives the same characters.
  void ReadString() {
    std::string& utf8 = narrow;
    utf8.clear();
    bool ascii = true;
    while (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
      if (text_[pos_] == '\'') {
        ++pos_;
        for (;;) {
          // The characters up to the next quote or line end, at once.
          size_t end = pos_;
          while (end < text_.size() && text_[end] != '\'' && text_[end] != '\r' && text_[end] != '\n') {
            ascii = ascii && static_cast<unsigned char>(text_[end]) < 0x80;
            ++end;
          }
          utf8.append(text_, pos_, end - pos_);
          pos_ = end;
          if (pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n')
            Fail("unterminated string");
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
            utf8.push_back('\'');
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
      } else {
        ++pos_;
        uint32_t code = 0;
        bool hex = pos_ < text_.size() && text_[pos_] == '$';
        if (hex) ++pos_;
        size_t start = pos_;
        while (pos_ < text_.size() && (hex ? IsHex(text_[pos_]) : IsDigit(text_[pos_]))) {
          code = code * (hex ? 16 : 10) + HexValue(text_[pos_]);
          if (code > 0xFFFF) Fail("character code out of range");
          ++pos_;
        }
        if (pos_ == start) Fail("character code expected");
        if (ascii && code < 0x80) {
          utf8.push_back(static_cast<char>(code));
          continue;
        }
        ascii = false;
        AppendWide(utf8);
        utf8.clear();
        wide.push_back(static_cast<char16_t>(code));
      }
    }
    asciiString = ascii;
    if (!ascii) {
      AppendWide(utf8);
      utf8.clear();
    }
    token = Tok::String;
  }

  // ASCII as it is; other text through the converter.
  void AppendWide(const std::string& utf8) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      wide.append(utf8.begin(), utf8.end());
    else
      wide += Utf8ToUtf16(utf8);
  }

  void ReadNumber() {
    size_t start = pos_;
    ++pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    token = Tok::Integer;
    while (pos_ < text_.size() &&
           (IsDigit(text_[pos_]) || text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E' ||
            ((text_[pos_] == '+' || text_[pos_] == '-') && (text_[pos_ - 1] | 0x20) == 'e'))) {
      ++pos_;
      token = Tok::Float;
    }
    str = text_.substr(start, pos_ - start);
    if (pos_ < text_.size() && std::strchr("cCdDsSfF", text_[pos_]) && text_[pos_] != '\0') {
      floatType = static_cast<char>(text_[pos_] | 0x20);
      token = Tok::Float;
      ++pos_;
    }
  }

  std::string owned_;
  std::string_view text_;
  size_t pos_ = 0;
  size_t lineStart_ = 0;
  int line_ = 1;
};

class StreamWriter {
 public:
  std::string out;

  void Value(TValueType v) { out.push_back(static_cast<char>(v)); }
  void LE(uint64_t v, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void Integer(int64_t v) {
    if (v >= INT8_MIN && v <= INT8_MAX) {
      Value(TValueType::vaInt8);
      LE(static_cast<uint64_t>(v), 1);
    } else if (v >= INT16_MIN && v <= INT16_MAX) {
      Value(TValueType::vaInt16);
      LE(static_cast<uint64_t>(v), 2);
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
      Value(TValueType::vaInt32);
      LE(static_cast<uint64_t>(v), 4);
    } else {
      Value(TValueType::vaInt64);
      LE(static_cast<uint64_t>(v), 8);
    }
  }
  // A short string of UTF-8 bytes; false when it is longer than 255 bytes.
  bool ShortStr(std::string_view s) {
    if (s.size() > 255) return false;
    out.push_back(static_cast<char>(s.size()));
    out.append(s);
    return true;
  }
  TStringKinds kinds = TStringKinds::Unicode;

  // As a Unicode IDE writes a string: ASCII as such, otherwise UTF-8 where
  // that is shorter than UTF-16. No kind depends on the code page of the
  // machine that reads the form. A form of the code-page era keeps its
  // code-page strings instead.
  void String(const std::u16string& w) {
    bool ascii = std::all_of(w.begin(), w.end(), [](char16_t c) { return c < 0x80; });
    std::string utf8 = ascii ? std::string(w.begin(), w.end()) : Utf16ToUtf8(w);
    if (!ascii && kinds == TStringKinds::CodePage && CodePageString(utf8)) return;
    if (ascii) {
      if (utf8.size() <= 255) {
        Value(TValueType::vaString);
        out.push_back(static_cast<char>(utf8.size()));
      } else {
        Value(TValueType::vaLString);
        LE(utf8.size(), 4);
      }
      out.append(utf8);
    } else if (utf8.size() < w.size() * 2 && Utf8ToUtf16(utf8) == w) {
      Value(TValueType::vaUTF8String);
      LE(utf8.size(), 4);
      out.append(utf8);
    } else {
      Value(TValueType::vaWString);
      LE(w.size(), 4);
      for (char16_t c : w) LE(c, 2);
    }
  }

  // A string of ASCII characters only, as String writes it.
  void AsciiString(std::string_view ascii) {
    if (ascii.size() <= 255) {
      Value(TValueType::vaString);
      out.push_back(static_cast<char>(ascii.size()));
    } else {
      Value(TValueType::vaLString);
      LE(ascii.size(), 4);
    }
    out.append(ascii);
  }

  // The string in code-page bytes, when the code page holds every character.
  bool CodePageString(const std::string& utf8) {
    const AnsiCodePage& cp = AnsiCodePage::System();
    std::string ansi = cp.Encode(utf8);
    if (cp.Decode(ansi) != utf8) return false;
    if (ansi.size() <= 255) {
      Value(TValueType::vaString);
      out.push_back(static_cast<char>(ansi.size()));
    } else {
      Value(TValueType::vaLString);
      LE(ansi.size(), 4);
    }
    out.append(ansi);
    return true;
  }
};

class Converter {
 public:
  explicit Converter(std::string utf8, TStringKinds kinds = TStringKinds::Unicode)
      : lex_(std::move(utf8)) {
    out_.kinds = kinds;
  }
  Converter(TBorrowed utf8, TStringKinds kinds) : lex_(utf8) { out_.kinds = kinds; }

  std::string Run() {
    // The stream is seldom longer than its text: it is not moved as it grows.
    out_.out.reserve(lex_.TextSize());
    out_.out = "TPF0";
    ConvertObject();
    return std::move(out_.out);
  }

 private:
  void Enter() {
    if (++depth_ > kMaxStreamNesting) lex_.Fail("nesting too deep");
  }

  void ConvertObject() {
    Enter();
    uint8_t flags = 0;
    if (lex_.IsSymbol("inherited")) flags = 0x01;
    else if (lex_.IsSymbol("inline")) flags = 0x04;
    else if (!lex_.IsSymbol("object")) lex_.Fail("'object' expected");
    lex_.Next();
    ConvertHeader(flags);
    while (!lex_.IsSymbol("end") && !lex_.IsSymbol("object") && !lex_.IsSymbol("inherited") &&
           !lex_.IsSymbol("inline")) {
      if (lex_.token == Tok::End) lex_.Fail("'end' expected");
      ConvertProperty();
    }
    out_.Value(TValueType::vaNull);
    while (!lex_.IsSymbol("end")) {
      if (lex_.token == Tok::End) lex_.Fail("'end' expected");
      ConvertObject();
    }
    out_.Value(TValueType::vaNull);
    lex_.Next();
    --depth_;
  }

  void ConvertHeader(uint8_t flags) {
    std::string objectName;
    std::string objectType = lex_.ExpectSymbol("class name");
    if (lex_.Is(':')) {
      lex_.Next();
      objectName = objectType;
      objectType = lex_.ExpectSymbol("class name");
    }
    int64_t position = 0;
    if (lex_.Is('[')) {
      lex_.Next();
      position = IntegerValue();
      lex_.Expect(']');
      flags |= 0x02;
    }
    if (flags) {
      out_.out.push_back(static_cast<char>(0xF0 | flags));
      if (flags & 0x02) out_.Integer(position);
    }
    Name(objectType);
    Name(objectName);
  }

  void Name(const std::string& name) {
    if (!out_.ShortStr(name)) lex_.Fail("name longer than 255 bytes");
  }

  // Into a buffer of the converter's, read before the next name is.
  const std::string& DottedName(const char* what) {
    std::string& name = name_;
    name.clear();
    lex_.AppendSymbol(name, what);
    while (lex_.Is('.')) {
      lex_.Next();
      name += '.';
      lex_.AppendSymbol(name, what);
    }
    return name;
  }

  void ConvertProperty() {
    Name(DottedName("property name"));
    lex_.Expect('=');
    ConvertValue();
  }

  int64_t IntegerValue() {
    if (lex_.token != Tok::Integer) lex_.Fail("integer expected");
    int64_t v = ParseInteger(lex_.str);
    lex_.Next();
    return v;
  }

  int64_t ParseInteger(std::string_view text) {
    const std::string s(text);
    errno = 0;
    char* end = nullptr;
    long long v = s[0] == '$' ? static_cast<long long>(std::strtoull(s.c_str() + 1, &end, 16))
                              : std::strtoll(s.c_str(), &end, 10);
    if (errno == ERANGE || s == "$" || *end != '\0') lex_.Fail("invalid integer " + s);
    return v;
  }

  void ConvertValue() {
    Enter();
    switch (lex_.token) {
      case Tok::String: {
        // Parts joined with '+': as bytes while all are ASCII.
        bool ascii = lex_.asciiString;
        std::string& narrow = narrow_;
        std::u16string w;
        if (ascii) narrow.assign(lex_.narrow);
        else w = std::move(lex_.wide);
        lex_.Next();
        while (lex_.Is('+')) {
          lex_.Next();
          if (lex_.token != Tok::String) lex_.Fail("string expected");
          if (ascii && lex_.asciiString) {
            narrow += lex_.narrow;
          } else {
            if (ascii) w.assign(narrow.begin(), narrow.end());
            ascii = false;
            w += lex_.WideValue();
          }
          lex_.Next();
        }
        if (ascii) out_.AsciiString(narrow);
        else out_.String(w);
        break;
      }
      case Tok::Symbol:
        if (!NonFinite(false)) Ident(DottedName("identifier"));
        break;
      case Tok::Integer: out_.Integer(IntegerValue()); break;
      case Tok::Float: ConvertFloat(); break;
      case Tok::Char:
        if (lex_.Is('[')) ConvertSet();
        else if (lex_.Is('(')) ConvertList();
        else if (lex_.Is('{')) ConvertBinary();
        else if (lex_.Is('<')) ConvertCollection();
        else if (lex_.Is('-')) {
          lex_.Next();
          if (lex_.token != Tok::Symbol || lex_.str.rfind("INF", 0) != 0 || !NonFinite(true))
            lex_.Fail("number expected");
        }
        else lex_.Fail("invalid property value '" + std::string(lex_.str) + "'");
        break;
      case Tok::End: lex_.Fail("property value expected");
    }
    --depth_;
  }

  // NAN, INF and -INF as the text form writes non-finite values: extended
  // without a type letter, single with "s", date with "d". False (nothing
  // read) when the symbol is none of them.
  bool NonFinite(bool negative) {
    const std::string_view s = lex_.str;
    if (s.size() < 3 || s.size() > 4) return false;
    std::string_view word = s.substr(0, 3);
    char type = s.size() == 4 ? s[3] : 0;
    if ((word != "NAN" && word != "INF") || (type && type != 's' && type != 'd')) return false;
    if (negative && word == "NAN") return false;
    long double v = word == "NAN" ? std::numeric_limits<long double>::quiet_NaN()
                                  : std::numeric_limits<long double>::infinity();
    if (negative) v = -v;
    lex_.Next();
    if (type == 's') WriteSingle(static_cast<float>(v));
    else if (type == 'd') WriteDate(static_cast<double>(v));
    else WriteExtended(v);
    return true;
  }

  void Ident(const std::string& ident) {
    if (SameAscii(ident, "False")) out_.Value(TValueType::vaFalse);
    else if (SameAscii(ident, "True")) out_.Value(TValueType::vaTrue);
    else if (SameAscii(ident, "Null")) out_.Value(TValueType::vaNull);
    else if (SameAscii(ident, "nil")) out_.Value(TValueType::vaNil);
    else {
      out_.Value(TValueType::vaIdent);
      Name(ident);
    }
  }

  void ConvertFloat() {
    std::string text(lex_.str);
    char type = lex_.floatType;
    lex_.Next();
    errno = 0;
    char* end = nullptr;
    long double v = ParseFloatText(text.c_str(), &end);
    // Underflow to a denormal is a value; overflow is not.
    if (*end != '\0' || (errno == ERANGE && std::isinf(v))) lex_.Fail("invalid number " + text);
    switch (type) {
      case 's': WriteSingle(static_cast<float>(v)); break;
      case 'c': {
        // The text holds the stored 64-bit count of ten-thousandths.
        int64_t raw;
        if (text.find_first_of(".eE") == std::string::npos) {
          raw = ParseInteger(text);
        } else {
          if (!(std::fabs(v) < 9.2233720368547758e18L)) lex_.Fail("currency value out of range");
          raw = static_cast<int64_t>(std::llroundl(v));
        }
        out_.Value(TValueType::vaCurrency);
        out_.LE(static_cast<uint64_t>(raw), 8);
        break;
      }
      case 'd': WriteDate(static_cast<double>(v)); break;
      default: WriteExtended(v);
    }
  }

  void WriteSingle(float f) {
    out_.Value(TValueType::vaSingle);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    out_.LE(bits, 4);
  }

  void WriteDate(double d) {
    out_.Value(TValueType::vaDate);
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    out_.LE(bits, 8);
  }

  void WriteExtended(long double v) {
    out_.Value(TValueType::vaExtended);
    unsigned char bytes[10];
    ExtendedToBytes(v, bytes);
    out_.out.append(reinterpret_cast<const char*>(bytes), 10);
  }

  void ConvertSet() {
    lex_.Next();
    out_.Value(TValueType::vaSet);
    if (!lex_.Is(']')) {
      for (;;) {
        Name(lex_.ExpectSymbol("set element"));
        if (lex_.Is(']')) break;
        lex_.Expect(',');
      }
    }
    out_.out.push_back('\0');
    lex_.Next();
  }

  void ConvertList() {
    lex_.Next();
    out_.Value(TValueType::vaList);
    while (!lex_.Is(')')) {
      if (lex_.token == Tok::End) lex_.Fail("')' expected");
      ConvertValue();
    }
    out_.Value(TValueType::vaNull);
    lex_.Next();
  }

  void ConvertBinary() {
    std::string bytes = lex_.ReadBinary();
    out_.Value(TValueType::vaBinary);
    out_.LE(bytes.size(), 4);
    out_.out.append(bytes);
  }

  void ConvertCollection() {
    lex_.Next();
    out_.Value(TValueType::vaCollection);
    while (!lex_.Is('>')) {
      if (!lex_.IsSymbol("item")) lex_.Fail("'item' expected");
      lex_.Next();
      if (lex_.Is('[')) {
        lex_.Next();
        out_.Integer(IntegerValue());
        lex_.Expect(']');
      }
      out_.Value(TValueType::vaList);
      while (!lex_.IsSymbol("end")) {
        if (lex_.token == Tok::End) lex_.Fail("'end' expected");
        ConvertProperty();
      }
      out_.Value(TValueType::vaNull);
      lex_.Next();
    }
    out_.Value(TValueType::vaNull);
    lex_.Next();
  }

  Lexer lex_;
  StreamWriter out_;
  int depth_ = 0;
  std::string name_;    // DottedName's
  std::string narrow_;  // an ASCII string value's parts, joined
};

}  // namespace

std::string ObjectTextToBinaryUtf8(std::string_view utf8, TStringKinds kinds) {
  // Valid text is read where it lies rather than copied as it is.
  if (IsValidUtf8(utf8)) return Converter(TBorrowed{utf8}, kinds).Run();
  return Converter(SanitizeUtf8(utf8), kinds).Run();
}

std::string ObjectTextToBinary(std::string_view text) {
  return Converter(AnsiCodePage::System().Decode(text)).Run();
}

}  // namespace migwiz::platform
