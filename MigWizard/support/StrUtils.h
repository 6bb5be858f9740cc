// Letter-case helpers for names, extensions and directives, which the wizard
// compares without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migwiz::support {

inline char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

inline std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

inline bool StartsWithText(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// Lines split at CR, LF or CR LF; a final line break adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);

// Whether lines are SplitTextLines(text), found without making new strings.
bool SameTextLines(const std::vector<std::string>& lines, std::string_view text);

// The lines of SplitTextLines(text) joined with LF, made without the lines.
std::string JoinedTextLines(std::string_view text);

// Unicode case folding of UTF-8 text, for names compared without regard to
// case beyond ASCII (file names on disk).
std::string FoldCase(std::string_view utf8);

// printf-style "%s" substitution, one argument per "%s" in order.
std::string FormatStr(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace migwiz::support
