#include <windows.h>

#include "platform/CharClass.h"

namespace migwiz::platform {

namespace {

// The type bits of one character; characters beyond the basic plane as
// their surrogate pair.
WORD TypeOf(char32_t c) {
  wchar_t units[2];
  int n = 1;
  if (c >= 0x10000 && c <= 0x10FFFF) {
    units[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    n = 2;
  } else if (c < 0x10000) {
    units[0] = static_cast<wchar_t>(c);
  } else {
    return 0;
  }
  WORD types[2] = {0, 0};
  if (!GetStringTypeW(CT_CTYPE1, units, n, types)) return 0;
  return types[0];
}

}  // namespace

bool IsLetter(char32_t c) { return (TypeOf(c) & C1_ALPHA) != 0; }
bool IsLetterOrDigit(char32_t c) { return (TypeOf(c) & (C1_ALPHA | C1_DIGIT)) != 0; }

char32_t FoldCaseChar(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0x10000) return c;  // the system folds the basic plane only
  wchar_t in = static_cast<wchar_t>(c), out = in;
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, &in, 1, &out, 1, nullptr, nullptr, 0) != 1)
    return c;
  return static_cast<char32_t>(out);
}

}  // namespace migwiz::platform
