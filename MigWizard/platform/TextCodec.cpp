#include "platform/TextCodec.h"

#include <algorithm>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/CodePageConverter.h"
#include "platform/Utf8.h"

namespace migwiz::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kUndefinedByteBase = 0xF700;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsLead(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsTrailUnit(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
char32_t Supplementary(char16_t lead, char16_t trail) {
  return 0x10000 + ((static_cast<char32_t>(lead) - 0xD800) << 10) + (trail - 0xDC00);
}
void AppendUnits(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
  }
}

// The end of the run of ASCII bytes from i on, eight bytes at a time.
size_t AsciiRunEnd(std::string_view bytes, size_t i) {
  for (uint64_t word; i + 8 <= bytes.size(); i += 8) {
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & 0x8080808080808080ull) break;
  }
  while (i < bytes.size() && (static_cast<unsigned char>(bytes[i]) & 0x80) == 0) ++i;
  return i;
}

}  // namespace

std::u32string Utf8ToCodePoints(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    int32_t c = NextUtf8(utf8, i);
    out.push_back(c < 0 ? kReplacement : static_cast<char32_t>(c));
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (char32_t c : Utf8ToCodePoints(utf8)) AppendUnits(out, c);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (IsLead(s[i]) && i + 1 < s.size() && IsTrailUnit(s[i + 1])) {
      c = Supplementary(s[i], s[i + 1]);
      ++i;
    } else if (IsSurrogate(c)) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string SanitizeUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {  // a run of ASCII as it is
      size_t run = i;
      while (run < n && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
      out.append(bytes.substr(i, run - i));
      i = run;
      continue;
    }
    size_t start = i;
    int32_t c = NextUtf8(bytes, i);
    if (c < 0)
      AppendUtf8(out, kReplacement);
    else
      out.append(bytes.substr(start, i - start));
  }
  return out;
}

std::string Utf16LEToUtf8(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                          (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  std::string out = Utf16ToUtf8(units);
  if (bytes.size() % 2) AppendUtf8(out, kReplacement);
  return out;
}

std::string Utf8ToUtf16LE(std::string_view utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(units.size() * 2);
  for (char16_t u : units) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

namespace {

void AppendUnitLE(std::string& out, char16_t u) {
  out.push_back(static_cast<char>(u & 0xFF));
  out.push_back(static_cast<char>(u >> 8));
}

bool IsTrail(uint8_t b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::string Utf16LEToText(std::string_view bytes) {
  const size_t units = bytes.size() / 2;
  auto unitAt = [&](size_t i) {
    return static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                 (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  };
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < units; ++i) {
    char16_t u = unitAt(i);
    if (IsLead(u) && i + 1 < units && IsTrailUnit(unitAt(i + 1))) {
      AppendUtf8(out, Supplementary(u, unitAt(i + 1)));
      ++i;
    } else if (IsSurrogate(u)) {
      out.push_back(static_cast<char>(0xE0 | (u >> 12)));
      out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      AppendUtf8(out, u);
    }
  }
  if (bytes.size() % 2) {
    auto b = static_cast<uint8_t>(bytes.back());
    out.push_back(static_cast<char>(0xF8 | (b >> 6)));
    out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
  }
  return out;
}

std::string TextToUtf16LE(std::string_view text) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  std::string out;
  out.reserve(text.size() * 2);
  size_t i = 0;
  while (i < n) {
    if (s[i] == 0xED && i + 2 < n && s[i + 1] >= 0xA0 && s[i + 1] <= 0xBF && IsTrail(s[i + 2])) {
      AppendUnitLE(out, static_cast<char16_t>(0xD000 | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F)));
      i += 3;
      continue;
    }
    if (s[i] >= 0xF8 && s[i] <= 0xFB && i + 1 < n && IsTrail(s[i + 1])) {
      out.push_back(static_cast<char>(((s[i] & 0x03) << 6) | (s[i + 1] & 0x3F)));
      i += 2;
      continue;
    }
    int32_t c = NextUtf8(text, i);
    std::u16string units;
    AppendUnits(units, c < 0 ? kReplacement : static_cast<char32_t>(c));
    for (char16_t u : units) AppendUnitLE(out, u);
  }
  return out;
}

const AnsiCodePage& AnsiCodePage::System() {
  static const AnsiCodePage instance([] {
    const char* env = std::getenv(kEnvironmentVariable);
    return env && *env ? std::string(env) : CodePageConverter::DefaultName();
  }());
  return instance;
}

AnsiCodePage::AnsiCodePage(const std::string& name)
    : name_(name), converter_(CodePageConverter::Open(name)) {
  singleByte_ = converter_->IsSingleByte();
  if (singleByte_) BuildSingleByteTables();
}

AnsiCodePage::~AnsiCodePage() = default;

void AnsiCodePage::BuildSingleByteTables() {
  for (int b = 0; b < 256; ++b) {
    char16_t unit;
    toUnicode_[b] = converter_->DecodeByte(static_cast<unsigned char>(b), unit)
                        ? static_cast<char32_t>(unit)
                        : kUndefinedByteBase + b;
  }
  // Undefined bytes travel as private-use characters.
  for (int b = 0; b < 256; ++b)
    fromUnicode_[kUndefinedByteBase + b] = static_cast<unsigned char>(b);
  // Where two bytes decode alike, the lower one is written back.
  for (int b = 255; b >= 0; --b) fromUnicode_[toUnicode_[b]] = static_cast<unsigned char>(b);
  for (char32_t c = 0; c < 128; ++c) {
    auto it = fromUnicode_.find(c);
    asciiBytes_[c] = it == fromUnicode_.end() ? '?' : static_cast<char>(it->second);
  }
  asciiAsIs_ = true;
  for (char32_t c = 0; c < 128; ++c)
    asciiAsIs_ = asciiAsIs_ && toUnicode_[c] == c && asciiBytes_[c] == static_cast<char>(c);
}

std::string AnsiCodePage::Decode(std::string_view bytes) const {
  if (singleByte_) {
    std::string out;
    out.reserve(bytes.size());
    if (!asciiAsIs_) {
      for (char ch : bytes) AppendUtf8(out, toUnicode_[static_cast<unsigned char>(ch)]);
      return out;
    }
    // Runs of ASCII are taken as they are.
    for (size_t i = 0; i < bytes.size();) {
      size_t run = AsciiRunEnd(bytes, i);
      out.append(bytes.substr(i, run - i));
      if (run < bytes.size()) AppendUtf8(out, toUnicode_[static_cast<unsigned char>(bytes[run++])]);
      i = run;
    }
    return out;
  }
  std::lock_guard<std::mutex> lock(converterMutex_);
  return Utf16ToUtf8(converter_->Decode(bytes));
}

std::string AnsiCodePage::Encode(std::string_view utf8) const {
  std::string out;
  if (singleByte_) {
    // Most form and unit text is ASCII throughout: no decoding, no lookups.
    if (std::all_of(utf8.begin(), utf8.end(), [](char b) { return (static_cast<unsigned char>(b) & 0x80) == 0; })) {
      if (asciiAsIs_) return std::string(utf8);
      out.reserve(utf8.size());
      for (char b : utf8) out.push_back(asciiBytes_[static_cast<unsigned char>(b)]);
      return out;
    }
    out.reserve(utf8.size());
    for (char32_t c : Utf8ToCodePoints(utf8)) {
      auto it = c == kReplacement ? fromUnicode_.end() : fromUnicode_.find(c);
      out.push_back(it == fromUnicode_.end() ? '?' : static_cast<char>(it->second));
    }
    return out;
  }
  std::u16string units = Utf8ToUtf16(utf8);
  std::lock_guard<std::mutex> lock(converterMutex_);
  return converter_->Encode(units);
}

}  // namespace migwiz::platform
