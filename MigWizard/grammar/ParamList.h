// Reading a TDatabase's Params.Strings value: a parenthesised list of string
// values, each the text name=value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grammar/StringValue.h"

namespace migwiz::grammar {

struct TParamList {
  std::vector<std::string> items;  // decoded, in order
  TStringStyle style;              // how the list writes its strings
};

// The items of the list up to the first that is no string value.
TParamList ReadParamList(std::string_view paramsValue);

// The decoded text after the first '=' of the first item whose name matches
// (letter case ignored); empty when there is none.
std::string ParamValue(const TParamList& list, std::string_view name);
std::string ParamValue(std::string_view paramsValue, std::string_view name);

}  // namespace migwiz::grammar
