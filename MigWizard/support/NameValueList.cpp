#include "support/NameValueList.h"

#include "support/StrUtils.h"

namespace migwiz::support {

std::string TNameValueList::Name(size_t i) const {
  const std::string& line = lines_[i];
  size_t eq = line.find('=');
  return eq == std::string::npos ? line : line.substr(0, eq);
}

std::string TNameValueList::ValueAt(size_t i) const {
  const std::string& line = lines_[i];
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

long TNameValueList::Find(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    size_t eq = lines_[i].find('=');
    if (eq != std::string::npos && SameText(std::string_view(lines_[i]).substr(0, eq), name))
      return static_cast<long>(i);
  }
  return -1;
}

void TNameValueList::SetValue(std::string_view name, std::string_view value) {
  std::string line = std::string(name) + "=" + std::string(value);
  long i = Find(name);
  if (i >= 0)
    lines_[static_cast<size_t>(i)] = std::move(line);
  else
    lines_.push_back(std::move(line));
}

std::string TNameValueList::Value(std::string_view name) const {
  long i = Find(name);
  return i < 0 ? std::string() : ValueAt(static_cast<size_t>(i));
}

bool TNameValueList::Contains(std::string_view name) const { return Find(name) >= 0; }

std::string TNameValueList::Text() const {
  std::string out;
  for (const std::string& line : lines_) out += line + "\r\n";
  return out;
}

void TNameValueList::SetText(std::string_view text) {
  lines_ = SplitTextLines(text);
}

}  // namespace migwiz::support
