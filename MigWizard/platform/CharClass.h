// The system's character classes and case folding, for letters beyond ASCII
// in identifiers and names.
#pragma once

#include <string>
#include <string_view>

namespace migwiz::platform {

bool IsLetter(char32_t c);
bool IsLetterOrDigit(char32_t c);
// The simple case folding of one character (itself when it has none).
char32_t FoldCaseChar(char32_t c);

// Unicode case folding of UTF-8 text, for names compared without regard to
// case beyond ASCII (file names on disk).
std::string FoldCase(std::string_view utf8);

}  // namespace migwiz::platform
