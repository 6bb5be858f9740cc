#include "grammar/StringValue.h"

#include "platform/TextCodec.h"

namespace migwiz::grammar {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

// A quoted part: its text (UTF-8) goes to utf8.
bool ReadQuoted(std::string_view text, size_t& pos, std::string& utf8, TStringStyle* style) {
  for (size_t i = pos + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') return false;
    if (c == '\'') {
      if (i + 1 < text.size() && text[i + 1] == '\'') {
        utf8.push_back('\'');
        ++i;
        continue;
      }
      pos = i + 1;
      return true;
    }
    if (static_cast<unsigned char>(c) >= 0x80 && style) style->rawNonAscii = true;
    utf8.push_back(c);
  }
  return false;
}

// #nnn or #$hh: one UTF-16 code unit.
bool ReadCode(std::string_view text, size_t& pos, char16_t& unit) {
  size_t i = pos + 1;
  bool hex = i < text.size() && text[i] == '$';
  if (hex) ++i;
  size_t start = i;
  uint32_t code = 0;
  for (; i < text.size(); ++i) {
    int d = hex ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
    if (d < 0) break;
    code = code * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    if (code > 0xFFFF) return false;
  }
  if (i == start) return false;
  unit = static_cast<char16_t>(code);
  pos = i;
  return true;
}

// Adjacent quoted parts and codes, with no blank between them.
bool ReadParts(std::string_view text, size_t& pos, std::u16string& value, TStringStyle* style) {
  size_t i = pos;
  while (i < text.size() && (text[i] == '\'' || text[i] == '#')) {
    if (text[i] == '\'') {
      std::string utf8;
      if (!ReadQuoted(text, i, utf8, style)) return false;
      value += platform::Utf8ToUtf16(utf8);
    } else {
      char16_t unit;
      if (!ReadCode(text, i, unit)) return false;
      if (unit == u'\'' && style) style->apostropheAsCode = true;
      value.push_back(unit);
    }
  }
  if (i == pos) return false;
  pos = i;
  return true;
}

void AppendCode(std::string& out, char16_t unit) { out += "#" + std::to_string(unit); }

}  // namespace

bool ReadStringValue(std::string_view text, size_t& pos, std::string& value, TStringStyle* style) {
  size_t i = SkipBlanks(text, pos);
  std::u16string wide;
  if (!ReadParts(text, i, wide, style)) return false;
  for (;;) {
    size_t next = SkipBlanks(text, i);
    if (next >= text.size() || text[next] != '+') break;
    next = SkipBlanks(text, next + 1);
    if (!ReadParts(text, next, wide, style)) return false;
    i = next;
  }
  value = platform::Utf16ToUtf8(wide);
  pos = i;
  return true;
}

bool DecodeStringValue(std::string_view text, std::string& value, TStringStyle* style) {
  size_t pos = 0;
  std::string decoded;
  if (!ReadStringValue(text, pos, decoded, style) || SkipBlanks(text, pos) != text.size())
    return false;
  value = std::move(decoded);
  return true;
}

std::string StringValueText(std::string_view valueText) {
  std::string value;
  if (DecodeStringValue(valueText, value)) return value;
  return valueText.size() >= 2 ? std::string(valueText.substr(1, valueText.size() - 2)) : "";
}

std::string EncodeStringValue(std::string_view value, const TStringStyle& style) {
  std::string out;
  bool quoted = false;
  auto openQuote = [&] {
    if (!quoted) out.push_back('\'');
    quoted = true;
  };
  auto closeQuote = [&] {
    if (quoted) out.push_back('\'');
    quoted = false;
  };
  for (char32_t c : platform::Utf8ToCodePoints(value)) {
    if (c == U'\'' && !style.apostropheAsCode) {
      openQuote();
      out += "''";
    } else if ((c >= 0x20 && c < 0x7F && c != U'\'') || (c >= 0x80 && style.rawNonAscii)) {
      openQuote();
      platform::AppendUtf8(out, c);
    } else {
      closeQuote();
      std::string one;
      platform::AppendUtf8(one, c);
      for (char16_t unit : platform::Utf8ToUtf16(one)) AppendCode(out, unit);
    }
  }
  if (out.empty()) return "''";
  closeQuote();
  return out;
}

}  // namespace migwiz::grammar
