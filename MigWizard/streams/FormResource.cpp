#include "streams/ComponentStream.h"

#include <cctype>

namespace migwiz::platform {

bool IsBinaryForm(std::string_view fileBytes) {
  return fileBytes.size() >= 3 && fileBytes.substr(0, 3) == std::string_view("\xFF\x0A\x00", 3);
}

size_t ReadResourceHeader(std::string_view fileBytes, TRCData& header) {
  if (!IsBinaryForm(fileBytes)) throw EStreamError("not a binary form resource", 0);
  size_t pos = 3;
  size_t nul = fileBytes.find('\0', pos);
  if (nul == std::string_view::npos) throw EStreamError("resource name without its end", pos);
  header.Name = std::string(fileBytes.substr(pos, nul - pos));
  pos = nul + 1;
  if (fileBytes.size() - pos < 6) throw EStreamError("resource header cut short", pos);
  pos += 2;  // memory flags
  header.Size = 0;
  for (int i = 3; i >= 0; --i)
    header.Size = (header.Size << 8) | static_cast<uint8_t>(fileBytes[pos + i]);
  // The size field is kept but not trusted: the stream is read as it stands,
  // and its own structure tells where it is cut short.
  return pos + 4;
}

std::string WriteResourceForm(std::string_view resourceName, std::string_view stream) {
  std::string out("\xFF\x0A\x00", 3);
  out.append(resourceName);
  out.push_back('\0');
  out.append("\x30\x10", 2);
  uint32_t size = static_cast<uint32_t>(stream.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
  out.append(stream);
  return out;
}

std::string DefaultResourceName(std::string_view stream) {
  // Signature, an optional prefix (flags and child position), then the class.
  size_t pos = 4;
  if (stream.size() > pos && (static_cast<uint8_t>(stream[pos]) & 0xF0) == 0xF0) {
    bool childPos = static_cast<uint8_t>(stream[pos]) & 0x02;
    ++pos;
    if (childPos && pos < stream.size()) {
      static const int kSizes[] = {0, 0, 1, 2, 4};
      uint8_t kind = static_cast<uint8_t>(stream[pos]);
      pos += 1 + (kind < 5 ? kSizes[kind] : 0);
    }
  }
  if (pos >= stream.size()) return std::string();
  size_t len = static_cast<uint8_t>(stream[pos]);
  std::string name(stream.substr(pos + 1, len));
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace migwiz::platform
