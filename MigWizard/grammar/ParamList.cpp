#include "grammar/ParamList.h"

#include "support/StrUtils.h"

namespace migwiz::grammar {

namespace {

std::string TrimControls(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string ParamValue(std::string_view paramsValue, std::string_view name) {
  if (paramsValue.size() < 2) return std::string();
  std::string inner(paramsValue.substr(1, paramsValue.size() - 2));
  for (const std::string& raw : support::SplitTextLines(inner)) {
    std::string line = TrimControls(raw);
    line = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
    size_t eq = line.find('=');
    if (eq != std::string::npos && support::SameText(std::string_view(line).substr(0, eq), name))
      return line.substr(eq + 1);
  }
  return std::string();
}

}  // namespace migwiz::grammar
