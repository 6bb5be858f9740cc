// The system's character classes and case folding, for letters beyond ASCII
// in identifiers and names.
#pragma once

namespace migwiz::platform {

bool IsLetter(char32_t c);
bool IsLetterOrDigit(char32_t c);
// The simple case folding of one character (itself when it has none).
char32_t FoldCaseChar(char32_t c);

}  // namespace migwiz::platform
