#include "platform/CharClass.h"

#include <unicode/uchar.h>

namespace migwiz::platform {

bool IsLetter(char32_t c) { return u_isalpha(static_cast<UChar32>(c)) != 0; }
bool IsLetterOrDigit(char32_t c) { return u_isalnum(static_cast<UChar32>(c)) != 0; }
char32_t FoldCaseChar(char32_t c) {
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

}  // namespace migwiz::platform
