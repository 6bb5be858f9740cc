// Conversions between the byte encodings of unit and form files and the
// UTF-8 text the rest of the program works on.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace migwiz::platform {

class CodePageConverter;

class ECodePageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The stand-in for the system's ANSI code page. On Linux there is none, so it
// is a setting: MIGWIZ_ANSI_CODEPAGE names any ICU converter; the default is
// windows-1252. On Windows the default is the system's (GetACP), and the
// setting names a code page by number or name.
//
// Single-byte code pages round-trip every byte: a byte the code page leaves
// undefined decodes to U+F700 + byte (private use) and encodes back to itself,
// so a file that is read and written again is unchanged outside the edits.
class AnsiCodePage {
 public:
  static constexpr const char* kEnvironmentVariable = "MIGWIZ_ANSI_CODEPAGE";

  // The process-wide code page, from the environment, read once.
  // Throws ECodePageError when the setting names no known converter.
  static const AnsiCodePage& System();

  explicit AnsiCodePage(const std::string& name);
  ~AnsiCodePage();
  AnsiCodePage(const AnsiCodePage&) = delete;
  AnsiCodePage& operator=(const AnsiCodePage&) = delete;

  const std::string& Name() const { return name_; }
  bool IsSingleByte() const { return singleByte_; }

  // Bytes in this code page to UTF-8.
  std::string Decode(std::string_view bytes) const;
  // UTF-8 to bytes; characters the code page cannot represent become '?'.
  std::string Encode(std::string_view utf8) const;

 private:
  void BuildSingleByteTables();

  std::string name_;
  std::unique_ptr<CodePageConverter> converter_;
  mutable std::mutex converterMutex_;  // a converter keeps state: one thread at a time
  bool singleByte_ = false;
  std::array<char32_t, 256> toUnicode_{};
  std::unordered_map<char32_t, unsigned char> fromUnicode_;
  std::array<char, 128> asciiBytes_{};  // fromUnicode_ for the ASCII characters, '?' for none
  bool asciiAsIs_ = false;  // every ASCII byte decodes to itself and back
};

// UTF-16 little-endian bytes (no mark) to UTF-8; unpaired surrogates and a
// dangling odd byte become U+FFFD.
std::string Utf16LEToUtf8(std::string_view bytes);
// UTF-8 to UTF-16 little-endian bytes (no mark).
std::string Utf8ToUtf16LE(std::string_view utf8);

// The same two conversions for the text of a file, losing nothing: an
// unpaired surrogate travels as its three-byte UTF-8 form (ED A0 80 to
// ED BF BF) and a dangling odd byte b as the two bytes F8+(b>>6),
// 80+(b&3F). Neither form occurs in valid UTF-8, so real characters
// (private-use ones included) are never mistaken for them; encoding turns
// them back into the units and the byte they came from.
std::string Utf16LEToText(std::string_view bytes);
std::string TextToUtf16LE(std::string_view text);
// UTF-8 with every malformed sequence replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);
// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t c);
// The code points of UTF-8 text; a malformed sequence gives U+FFFD.
std::u32string Utf8ToCodePoints(std::string_view utf8);
// UTF-8 and UTF-16 strings, each way; what cannot be converted becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace migwiz::platform
