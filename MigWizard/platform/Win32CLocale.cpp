#include <locale.h>

#include <cstdlib>

#include "platform/CLocale.h"

namespace migwiz::platform {

// The C runtime has no locale of a thread's own that can be switched safely
// while other threads format numbers, so a Windows program keeps the "C"
// numeric locale throughout (the command sets it so at start).
TCLocaleScope::TCLocaleScope() {}
TCLocaleScope::~TCLocaleScope() {}

long double ParseLongDoubleC(const char* text, char** end) { return std::strtold(text, end); }

}  // namespace migwiz::platform
