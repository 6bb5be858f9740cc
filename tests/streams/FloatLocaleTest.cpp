// Floats in forms use a decimal point whatever locale the user runs in.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "streams/ComponentStream.h"
#include "streams/FloatText.h"
#include "testing/TempDir.h"
#include "testing/PosixOnly.h"

using namespace migwiz::platform;

namespace {

// Switches the process to a locale with a decimal comma: one the system has,
// or one built for the test; fails to when neither can be had.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
#ifdef _WIN32
    for (const char* name : {"German_Germany.1252", "de-DE", "French_France.1252"})
      if (Use(name)) return;
#else
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
      if (Use(name)) return;
    std::string cmd = "localedef -i de_DE -f UTF-8 " + dir_.Path("de_DE.UTF-8") + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return;
    setenv("LOCPATH", dir_.path().c_str(), 1);
    Use("de_DE.UTF-8");
#endif
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_ALL, "C");
#ifndef _WIN32
    unsetenv("LOCPATH");
#endif
  }
  bool Active() const { return active_; }

 private:
  bool Use(const char* name) {
    active_ = std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point == std::string(",");
    return active_;
  }
  migwiz::testing::TempDir dir_;
  bool active_ = false;
};

}  // namespace

#ifdef _WIN32
MIGWIZ_POSIX_ONLY_TEST(FloatLocale, BinaryFormsIgnoreADecimalCommaLocale, "a thread's own locale (migwiz.exe keeps the C numeric locale)")
#else
TEST(FloatLocale, BinaryFormsIgnoreADecimalCommaLocale) {
  DecimalCommaLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma could be set up";
  const std::string text =
      "object A: TA\r\n"
      "  E = 1.500000000000000000\r\n"
      "  S = 2.5s\r\n"
      "  D = 45000.5d\r\n"
      "  X = 1.5E+20\r\n"
      "  Small = 1.5E-5s\r\n"
      "end\r\n";
  std::string binary = ObjectTextToBinary(text);
  EXPECT_EQ(ObjectBinaryToText(binary), text);
  EXPECT_EQ(FormatSingle(0.25f), "0.25");
  EXPECT_EQ(FormatExtended(1.25L), "1.250000000000000000");
  char* end = nullptr;
  EXPECT_EQ(ParseFloatText("1.5", &end), 1.5L);
  EXPECT_EQ(*end, '\0');
}
#endif
