#include "streams/FloatText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/CLocale.h"

namespace migwiz::platform {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the text form's extended values need an 80-bit long double");

namespace {

using CLocaleScope = TCLocaleScope;

std::string NonFinite(long double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

// The digits and decimal exponent of the shortest round trip, with at least
// minDigits digits: 1.5 gives ("15", 0).
template <class T>
void ShortestDigits(T value, int minDigits, int maxDigits, std::string& digits, int& exponent,
                    bool& negative) {
  CLocaleScope cLocale;
  char buf[64];
  for (int p = minDigits; p <= maxDigits; ++p) {
    std::snprintf(buf, sizeof buf, "%.*Le", p - 1, static_cast<long double>(value));
    T back;
    if constexpr (std::is_same_v<T, float>) back = std::strtof(buf, nullptr);
    else if constexpr (std::is_same_v<T, double>) back = std::strtod(buf, nullptr);
    else back = std::strtold(buf, nullptr);
    if (back == value || p == maxDigits) break;
  }
  std::string s = buf;
  negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  size_t e = s.find('e');
  exponent = std::atoi(s.c_str() + e + 1);
  digits.clear();
  for (size_t i = 0; i < e; ++i)
    if (s[i] != '.') digits.push_back(s[i]);
}

void StripZeros(std::string& digits) {
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

std::string Scientific(const std::string& digitsIn, int exponent, bool negative, bool plusSign) {
  std::string digits = digitsIn;
  StripZeros(digits);
  std::string out = negative ? "-" : "";
  out += digits[0];
  if (digits.size() > 1) out += "." + digits.substr(1);
  out += "E";
  if (exponent < 0) out += "-";
  else if (plusSign) out += "+";
  out += std::to_string(std::abs(exponent));
  return out;
}

template <class T>
std::string Fixed18(T value, int maxDigits) {
  if (!std::isfinite(value)) return NonFinite(value);
  std::string digits;
  int exponent;
  bool negative;
  ShortestDigits(value, 16, maxDigits, digits, exponent, negative);
  if (value == 0) return negative ? "-0.000000000000000000" : "0.000000000000000000";
  StripZeros(digits);
  int lastDecimal = static_cast<int>(digits.size()) - 1 - exponent;  // decimals needed
  if (exponent >= 16 || lastDecimal > 18) return Scientific(digits, exponent, negative, true);
  std::string intPart, fracPart;
  if (exponent >= 0) {
    intPart = digits.substr(0, std::min<size_t>(digits.size(), exponent + 1));
    while (static_cast<int>(intPart.size()) < exponent + 1) intPart += '0';
    if (static_cast<int>(digits.size()) > exponent + 1) fracPart = digits.substr(exponent + 1);
  } else {
    intPart = "0";
    fracPart = std::string(-exponent - 1, '0') + digits;
  }
  fracPart.resize(18, '0');
  return (negative ? "-" : "") + intPart + "." + fracPart;
}

template <class T>
std::string General(T value, int maxDigits) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";
  std::string digits;
  int exponent;
  bool negative;
  ShortestDigits(value, 1, maxDigits, digits, exponent, negative);
  StripZeros(digits);
  if (exponent < -4 || exponent >= 15) return Scientific(digits, exponent, negative, false);
  std::string out = negative ? "-" : "";
  if (exponent >= 0) {
    std::string intPart = digits.substr(0, std::min<size_t>(digits.size(), exponent + 1));
    while (static_cast<int>(intPart.size()) < exponent + 1) intPart += '0';
    out += intPart;
    if (static_cast<int>(digits.size()) > exponent + 1) out += "." + digits.substr(exponent + 1);
  } else {
    out += "0." + std::string(-exponent - 1, '0') + digits;
  }
  return out;
}

}  // namespace

std::string FormatExtended(long double value) { return Fixed18(value, 21); }
std::string FormatExtended(double value) { return Fixed18(value, 17); }
std::string FormatSingle(float value) { return General(value, 9); }
std::string FormatDate(double value) { return General(value, 17); }

long double ParseFloatText(const char* text, char** end) {
  return ParseLongDoubleC(text, end);
}

long double ExtendedFromBytes(const unsigned char* bytes) {
  long double v = 0;
  unsigned char raw[sizeof(long double)] = {};
  std::memcpy(raw, bytes, 10);
  std::memcpy(&v, raw, sizeof v);
  return v;
}

void ExtendedToBytes(long double value, unsigned char* bytes) {
  unsigned char raw[sizeof(long double)];
  std::memcpy(raw, &value, sizeof value);
  std::memcpy(bytes, raw, 10);
}

}  // namespace migwiz::platform
