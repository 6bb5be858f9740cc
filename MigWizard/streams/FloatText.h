// How the text form writes and reads floating-point values: as few digits as
// give the same value back, in the layout the component library uses, with
// a decimal point whatever the user's locale.
#pragma once

#include <string>

namespace migwiz::platform {

// Extended and double values: fixed point with 18 decimals ("1.500000000000000000"),
// or scientific ("1.5E+20") where that cannot hold the value.
std::string FormatExtended(long double value);
std::string FormatExtended(double value);
// Single and date values: the shortest general form ("1.5", "1E20").
std::string FormatSingle(float value);
std::string FormatDate(double value);
// Reads a number as the text form writes it, with a decimal point whatever
// the user's locale; like strtold otherwise.
long double ParseFloatText(const char* text, char** end);
// 10-byte little-endian 80-bit extended to and from long double.
long double ExtendedFromBytes(const unsigned char* bytes);
void ExtendedToBytes(long double value, unsigned char* bytes);

}  // namespace migwiz::platform
