#include "platform/IniFile.h"

#include <strings.h>

#include <cstdlib>

namespace migwiz::platform {

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return strcasecmp(a.c_str(), b.c_str()) < 0;
}

const TMemIniFile::Value* TMemIniFile::Find(const std::string& section,
                                            const std::string& ident) const {
  auto s = sections_.find(section);
  if (s == sections_.end()) return nullptr;
  auto v = s->second.find(ident);
  return v == s->second.end() ? nullptr : &v->second;
}

void TMemIniFile::Set(const std::string& section, const std::string& ident, Value value) {
  Value& slot = sections_[section][ident];
  slot = std::move(value);
  Changed(section, ident, slot);
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& def) {
  const Value* v = Find(section, ident);
  if (!v) return def;
  if (auto* s = std::get_if<std::string>(v)) return *s;
  if (auto* i = std::get_if<long>(v)) return std::to_string(*i);
  return std::get<bool>(*v) ? "1" : "0";
}

long TMemIniFile::ReadInteger(const std::string& section, const std::string& ident, long def) {
  const Value* v = Find(section, ident);
  if (!v) return def;
  if (auto* i = std::get_if<long>(v)) return *i;
  if (auto* b = std::get_if<bool>(v)) return *b ? 1 : 0;
  const std::string& s = std::get<std::string>(*v);
  char* end = nullptr;
  long n = std::strtol(s.c_str(), &end, 10);
  return !s.empty() && *end == '\0' ? n : def;
}

bool TMemIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) {
  const Value* v = Find(section, ident);
  if (!v) return def;
  if (auto* b = std::get_if<bool>(v)) return *b;
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
  Set(section, ident, value);
}
void TMemIniFile::WriteInteger(const std::string& section, const std::string& ident, long value) {
  Set(section, ident, value);
}
void TMemIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  Set(section, ident, value);
}
bool TMemIniFile::ValueExists(const std::string& section, const std::string& ident) {
  return Find(section, ident) != nullptr;
}

}  // namespace migwiz::platform
