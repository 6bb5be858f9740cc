// The binary component stream ("TPF0") and its text form, as the component
// library writes form files: conversion both ways, and the resource wrapper
// of a binary form file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace migwiz::platform {

// A malformed binary stream; offset is where in the stream it went wrong.
class EStreamError : public std::runtime_error {
 public:
  EStreamError(const std::string& what, size_t offset)
      : std::runtime_error(what + " at byte offset " + std::to_string(offset)), offset_(offset) {}
  size_t Offset() const { return offset_; }

 private:
  size_t offset_;
};

// A text form that does not parse; line and column are 1-based.
class ETextFormError : public std::runtime_error {
 public:
  ETextFormError(const std::string& what, int line, int column)
      : std::runtime_error("line " + std::to_string(line) + ", column " + std::to_string(column) +
                           ": " + what),
        line_(line) {}
  int Line() const { return line_; }

 private:
  int line_;
};

enum class TValueType : uint8_t {
  vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
  vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
  vaInt64, vaUTF8String, vaDouble
};

// Objects and value lists nested deeper than this are refused.
inline constexpr int kMaxStreamNesting = 2000;

// The whole stream (from its signature) to 8-bit text in the ANSI code page,
// lines ending in CR LF. Throws EStreamError; its offset counts from
// baseOffset (where the stream starts in its file).
std::string ObjectBinaryToText(std::string_view stream, size_t baseOffset = 0);
// 8-bit text in the ANSI code page to a stream. Throws ETextFormError.
std::string ObjectTextToBinary(std::string_view text);

// How strings are given their kind in a stream. A Unicode IDE writes ASCII
// as vaString/vaLString, other text as vaUTF8String when that is shorter
// than UTF-16, else vaWString. An IDE of the code-page era wrote every string
// the code page holds as vaString/vaLString in code-page bytes; a form it
// wrote keeps that way when written back.
enum class TStringKinds { Unicode, CodePage };

// The same with the text in UTF-8, for callers that hold decoded text: no
// character is lost to the code page on the way. kinds, when given, learns
// how the stream wrote its strings (CodePage when a code-page string holds a
// byte outside ASCII); streamEnd, when given, where the root object ends.
std::string ObjectBinaryToTextUtf8(std::string_view stream, size_t baseOffset = 0,
                                   TStringKinds* kinds = nullptr, size_t* streamEnd = nullptr);
std::string ObjectTextToBinaryUtf8(std::string_view utf8,
                                   TStringKinds kinds = TStringKinds::Unicode);

// A binary form file: FF 0A 00, resource name, 00, flags, size, stream.
struct TRCData {
  std::string Name;
  uint32_t Size = 0;
};
bool IsBinaryForm(std::string_view fileBytes);
// Reads the header; returns where the stream starts (the size field is not
// checked against the data). Throws EStreamError.
size_t ReadResourceHeader(std::string_view fileBytes, TRCData& header);
// The file bytes: header with flags 0x1030 and the size filled in, then the stream.
std::string WriteResourceForm(std::string_view resourceName, std::string_view stream);
// The resource name of a new binary form: the root object's class, upper case.
std::string DefaultResourceName(std::string_view stream);

}  // namespace migwiz::platform
