#include "platform/TextLines.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace migwiz::platform {

namespace {

// The first CR or LF at or after from; text.size() when there is none.
// Eight bytes at a time past those that cannot be one: none below 14.
size_t NextLineBreak(std::string_view text, size_t from) {
  size_t i = from;
  while (i < text.size()) {
    if (text.size() - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + i, 8);
      const std::uint64_t low = (word - 0x0E0E0E0E0E0E0E0Eull) & ~word & 0x8080808080808080ull;
      if (low == 0) {
        i += 8;
        continue;
      }
      // The lowest byte marked is below 14 (a mark above it may be false).
      if constexpr (std::endian::native == std::endian::little) i += static_cast<size_t>(std::countr_zero(low)) / 8;
    }
    if (text[i] == '\r' || text[i] == '\n') return i;
    ++i;
  }
  return text.size();
}

}  // namespace

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; (i = NextLineBreak(text, i)) < text.size(); ++i) {
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

bool SameTextLines(const std::vector<std::string>& lines, std::string_view text) {
  size_t n = 0, start = 0;
  auto next = [&](std::string_view line) { return n < lines.size() && lines[n++] == line; };
  for (size_t i = 0; (i = NextLineBreak(text, i)) < text.size(); ++i) {
    if (!next(text.substr(start, i - start))) return false;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size() && !next(text.substr(start))) return false;
  return n == lines.size();
}

// Each line break followed by more text becomes one LF; a final one goes.
std::string JoinedTextLines(std::string_view text) {
  std::string joined;
  joined.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t lineBreak = NextLineBreak(text, i);
    joined.append(text, i, lineBreak - i);
    i = lineBreak;
    if (i == text.size()) break;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (i + 1 < text.size()) joined.push_back('\n');
  }
  return joined;
}

}  // namespace migwiz::platform
