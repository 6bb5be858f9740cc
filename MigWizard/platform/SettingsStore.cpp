#include "platform/SettingsStore.h"

#include <cstdlib>

#include "platform/Folders.h"
#include "platform/PathNames.h"
#include "platform/TextLines.h"

namespace migwiz::platform {

std::string EscapeValue(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '=': out += "\\e"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UnescapeValue(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char n = text[++i];
    out += n == 'r' ? '\r' : n == 'n' ? '\n' : n == 'e' ? '=' : n;
  }
  return out;
}

std::string TSettingsStore::ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return ConcatPath(home && *home ? home : "/tmp", ".config");
}

TSettingsStore::TSettingsStore(const std::string& rootKey, FileSystem& fs) : fs_(fs) {
  std::string rel = rootKey;
  for (char& c : rel)
    if (c == '\\') c = kPathDelim;
  fileName_ = ConcatPath(ConfigHome(), rel + ".ini");
  Load();
}

TSettingsStore::TSettingsStore(FileTag, std::string fileName, FileSystem& fs)
    : fs_(fs), fileName_(std::move(fileName)) {
  Load();
}

TSettingsStore TSettingsStore::AtPath(const std::string& fileName, FileSystem& fs) {
  return TSettingsStore(FileTag{}, fileName, fs);
}

// Each value line is Name=<type>:<text> with the type i, b or s.
void TSettingsStore::Load() {
  std::string bytes, err;
  if (!fs_.ReadFile(fileName_, bytes, err)) {
    // No file yet: every value is missing. A file that is there but cannot
    // be read is not written over either.
    if (fs_.FileExists(fileName_)) unreadable_ = err.empty() ? "cannot be read" : err;
    return;
  }
  loading_ = true;
  std::string section;
  for (const std::string& raw : SplitTextLines(bytes)) {
    if (raw.empty() || raw[0] == ';') continue;
    if (raw.front() == '[' && raw.back() == ']') {
      section = UnescapeValue(raw.substr(1, raw.size() - 2));
      continue;
    }
    size_t eq = raw.find('=');
    if (section.empty() || eq == std::string::npos || eq == 0 || raw.size() < eq + 3 ||
        raw[eq + 2] != ':') {
      ++damagedLines_;
      continue;
    }
    std::string name = UnescapeValue(raw.substr(0, eq));
    std::string text = raw.substr(eq + 3);
    char* end = nullptr;
    switch (raw[eq + 1]) {
      case 's': WriteString(section, name, UnescapeValue(text)); break;
      case 'b':
        if (text == "0" || text == "1") WriteBool(section, name, text == "1");
        else ++damagedLines_;
        break;
      case 'i': {
        long n = std::strtol(text.c_str(), &end, 10);
        if (!text.empty() && *end == '\0') WriteInteger(section, name, n);
        else ++damagedLines_;
        break;
      }
      default: ++damagedLines_;
    }
  }
  loading_ = false;
}

std::string TSettingsStore::Serialize() const {
  std::string out;
  for (const auto& [section, values] : Sections()) {
    out += "[" + EscapeValue(section) + "]\n";
    for (const auto& [name, value] : values) {
      out += EscapeValue(name) + "=";
      if (auto* s = std::get_if<std::string>(&value)) out += "s:" + EscapeValue(*s);
      else if (auto* i = std::get_if<long>(&value)) out += "i:" + std::to_string(*i);
      else out += std::string("b:") + (std::get<bool>(value) ? "1" : "0");
      out += "\n";
    }
    out += "\n";
  }
  return out;
}

void TSettingsStore::Changed(const std::string& section, const std::string& ident,
                             const Value& value) {
  if (loading_) return;
  // Start from the file as it is now: another store may have written to it
  // since this one read it.
  TSettingsStore current(FileTag{}, fileName_, fs_);
  if (!current.unreadable_.empty()) {
    saved_ = false;
    throw ESettingsError("Cannot save the settings file \"" + fileName_ + "\": " + current.unreadable_);
  }
  current.loading_ = true;
  current.Set(section, ident, value);
  current.loading_ = false;
  Assign(current);
  ForceDirectory(ExtractFileDir(fileName_), fs_);
  std::string err;
  saved_ = fs_.WriteFile(fileName_, current.Serialize(), err);
  if (!saved_)
    throw ESettingsError("Cannot save the settings file \"" + fileName_ + "\": " + err);
}

}  // namespace migwiz::platform
