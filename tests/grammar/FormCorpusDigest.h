// One line per corpus case that sums up everything the form parser gives
// back: result, positions, the rebuilt text and the property lookups made.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "FormCorpus.h"
#include "grammar/FormParser.h"

namespace migwiz::testing {

inline uint64_t Fnv1a(const std::string& s, uint64_t h = 14695981039346656037ULL) {
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ULL;
  return h;
}

// The parser must have been made with ParseStateClassOf<TFormParseState>();
// this sets its property lookup.
inline std::string DigestLine(grammar::TFormParser& parser, const FormCorpus::Case& c,
                              std::string* rebuilt = nullptr) {
  std::string lookups;
  parser.SetOnGetPropertyValue([&lookups](const std::string& name, const std::string& value) {
    lookups += name + "=" + value + ";";
    return value == "Sales" ? std::string("DM.Database1") : std::string();
  });
  parser.SetNewClassName(c.newClass);
  const int start = static_cast<int>(c.text.find_first_not_of(' ')) + 1;
  int pos = start;
  const bool ok = parser.ParseString(c.text, "<object>", pos);
  const std::string out = ok ? parser.MakeObject(c.level) : std::string();
  if (rebuilt) *rebuilt = out;
  char line[128];
  std::snprintf(line, sizeof line, "%d %d %d %016llx %016llx", ok ? 1 : 0, pos - start, parser.ErrorPos(),
                static_cast<unsigned long long>(Fnv1a(out)), static_cast<unsigned long long>(Fnv1a(lookups)));
  return line;
}

}  // namespace migwiz::testing
