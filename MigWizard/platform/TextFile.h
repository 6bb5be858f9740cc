// The three encodings of unit and form files, and reading a file's text.
// Text inside the program is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace migwiz::platform {

enum class TEncoding { Ansi, Utf8, Utf16LE };

struct TextFileContents {
  TEncoding encoding = TEncoding::Ansi;
  std::string text;  // UTF-8
};

// The encoding chosen by the file's byte-order mark, and the text after it.
TextFileContents ReadTextFile(std::string_view bytes);

// Decoding loses nothing: bytes that are not valid in the encoding come
// through the text in a form that EncodeText turns back into them, so a
// file read and written again is unchanged outside the edits. Such text
// may hold invalid UTF-8; code that needs valid UTF-8 sanitizes it.
std::string DecodeText(std::string_view bytes, TEncoding encoding);
// Encodes without a byte-order mark.
std::string EncodeText(std::string_view utf8, TEncoding encoding);
std::string ByteOrderMark(TEncoding encoding);
const char* EncodingName(TEncoding encoding);

}  // namespace migwiz::platform
