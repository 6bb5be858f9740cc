#include <locale.h>

#include <cstdlib>

#include "platform/CLocale.h"

namespace migwiz::platform {

namespace {

// The "C" locale, made once.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

}  // namespace

TCLocaleScope::TCLocaleScope() : previous_(uselocale(CLocale())) {}
TCLocaleScope::~TCLocaleScope() { uselocale(static_cast<locale_t>(previous_)); }

long double ParseLongDoubleC(const char* text, char** end) { return strtold_l(text, end, CLocale()); }

}  // namespace migwiz::platform
