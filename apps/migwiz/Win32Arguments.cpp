#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <clocale>
#include <cstdio>

#include "Arguments.h"
#include "platform/Win32Text.h"

namespace migwiz::app {

// main's argv is in the ANSI code page and loses every name outside it;
// the wide command line has them all.
TArguments::TArguments(int argc, char** argv) {
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (wide) {
    for (int i = 0; i < n; ++i) values_.push_back(platform::Narrow(wide[i]));
    LocalFree(wide);
  } else {
    values_.assign(argv, argv + argc);
  }
  for (std::string& v : values_) pointers_.push_back(v.data());
  pointers_.push_back(nullptr);
}

// Numbers in form files keep their decimal point: see platform/CLocale.h.
// Output bytes as on Linux: line ends as the program writes them.
void PrepareConsole() {
  setlocale(LC_NUMERIC, "C");
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace migwiz::app
