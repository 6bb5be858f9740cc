#include "platform/TextLines.h"

namespace migwiz::platform {

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
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
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    if (!next(text.substr(start, i - start))) return false;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size() && !next(text.substr(start))) return false;
  return n == lines.size();
}

}  // namespace migwiz::platform
