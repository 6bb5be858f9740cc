// Letter-case helpers for names, extensions and directives, which the wizard
// compares without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/AsciiCase.h"
#include "platform/CharClass.h"
#include "platform/TextLines.h"

namespace migwiz::support {

// Letter case and lines are the platform's: one rule for the whole program.
using platform::AsciiLower;
using platform::AsciiUpper;
using platform::FoldCase;
using platform::JoinedTextLines;
using platform::LowerCase;
using platform::SameText;
using platform::SameTextLines;
using platform::SplitTextLines;
using platform::StartsWithText;
using platform::UpperCase;

// printf-style "%s" substitution, one argument per "%s" in order.
std::string FormatStr(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace migwiz::support
