#include "platform/TextFile.h"

#include "platform/TextCodec.h"

namespace migwiz::platform {

TextFileContents ReadTextFile(std::string_view bytes) {
  TextFileContents result;
  if (bytes.size() > 1 && bytes.substr(0, 2) == "\xFF\xFE") {
    result.encoding = TEncoding::Utf16LE;
    result.text = DecodeText(bytes.substr(2), TEncoding::Utf16LE);
  } else if (bytes.size() > 2 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    result.encoding = TEncoding::Utf8;
    result.text = DecodeText(bytes.substr(3), TEncoding::Utf8);
  } else {
    result.encoding = TEncoding::Ansi;
    result.text = DecodeText(bytes, TEncoding::Ansi);
  }
  return result;
}

std::string DecodeText(std::string_view bytes, TEncoding encoding) {
  switch (encoding) {
    case TEncoding::Utf16LE: return Utf16LEToText(bytes);
    case TEncoding::Utf8: return std::string(bytes);  // kept as read, invalid bytes included
    case TEncoding::Ansi: break;
  }
  return AnsiCodePage::System().Decode(bytes);
}

std::string EncodeText(std::string_view utf8, TEncoding encoding) {
  switch (encoding) {
    case TEncoding::Utf16LE: return TextToUtf16LE(utf8);
    case TEncoding::Utf8: return std::string(utf8);
    case TEncoding::Ansi: break;
  }
  return AnsiCodePage::System().Encode(utf8);
}

std::string ByteOrderMark(TEncoding encoding) {
  switch (encoding) {
    case TEncoding::Utf16LE: return "\xFF\xFE";
    case TEncoding::Utf8: return "\xEF\xBB\xBF";
    case TEncoding::Ansi: break;
  }
  return std::string();
}

const char* EncodingName(TEncoding encoding) {
  switch (encoding) {
    case TEncoding::Utf16LE: return "UTF-16LE";
    case TEncoding::Utf8: return "UTF-8";
    case TEncoding::Ansi: break;
  }
  return "ANSI";
}

}  // namespace migwiz::platform
