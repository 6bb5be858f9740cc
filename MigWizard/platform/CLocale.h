// Numbers in the "C" locale (a decimal point), whatever the user's locale:
// form files write them so.
#pragma once

namespace migwiz::platform {

// Formats and parses of the calling thread use the "C" locale while it lives
// (on Windows the process keeps the "C" numeric locale instead).
class TCLocaleScope {
 public:
  TCLocaleScope();
  ~TCLocaleScope();
  TCLocaleScope(const TCLocaleScope&) = delete;
  TCLocaleScope& operator=(const TCLocaleScope&) = delete;

 private:
  void* previous_ = nullptr;  // the thread's locale before
};

// strtold in the "C" locale.
long double ParseLongDoubleC(const char* text, char** end);

}  // namespace migwiz::platform
