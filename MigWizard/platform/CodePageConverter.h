// The system's converter behind AnsiCodePage: ICU on Linux, the Windows
// code page functions on Windows. Every function may be called by one
// thread at a time only.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace migwiz::platform {

class CodePageConverter {
 public:
  // Throws ECodePageError when the name names no code page the system knows.
  static std::unique_ptr<CodePageConverter> Open(const std::string& name);
  // The code page a process uses when MIGWIZ_ANSI_CODEPAGE is not set.
  static std::string DefaultName();

  virtual ~CodePageConverter() = default;
  virtual bool IsSingleByte() const = 0;
  // The character of one byte; false when the code page leaves the byte
  // undefined (or maps it to more than one UTF-16 unit).
  virtual bool DecodeByte(unsigned char byte, char16_t& unit) = 0;
  // Bytes to UTF-16; throws ECodePageError when they cannot be decoded.
  virtual std::u16string Decode(std::string_view bytes) = 0;
  // UTF-16 to bytes, '?' for what the code page cannot represent.
  virtual std::string Encode(std::u16string_view units) = 0;
};

}  // namespace migwiz::platform
