#include "grammar/ParamList.h"

#include "support/StrUtils.h"

namespace migwiz::grammar {

TParamList ReadParamList(std::string_view paramsValue) {
  TParamList list;
  size_t pos = paramsValue.find_first_not_of(" \t\r\n");
  if (pos == std::string_view::npos || paramsValue[pos] != '(') return list;
  ++pos;
  std::string item;
  while (ReadStringValue(paramsValue, pos, item, &list.style)) list.items.push_back(item);
  return list;
}

std::string ParamValue(const TParamList& list, std::string_view name) {
  for (const std::string& item : list.items) {
    size_t eq = item.find('=');
    if (eq != std::string::npos && support::SameText(std::string_view(item).substr(0, eq), name))
      return item.substr(eq + 1);
  }
  return std::string();
}

std::string ParamValue(std::string_view paramsValue, std::string_view name) {
  return ParamValue(ReadParamList(paramsValue), name);
}

}  // namespace migwiz::grammar
