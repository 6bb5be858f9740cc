// Reading one parameter out of a TDatabase's Params.Strings value: a
// parenthesised list of quoted name=value lines.
#pragma once

#include <string>
#include <string_view>

namespace migwiz::grammar {

// The text after the first '=' of the first line whose name matches (letter
// case ignored); empty when there is none. Doubled apostrophes stay doubled.
std::string ParamValue(std::string_view paramsValue, std::string_view name);

}  // namespace migwiz::grammar
