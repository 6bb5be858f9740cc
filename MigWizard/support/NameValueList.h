// Lines of the form name=value, names compared without regard to case; the
// first '=' of a line ends its name. Backs the undo list, the database-name
// table and the lines of an undo file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migwiz::support {

class TNameValueList {
 public:
  // Sets the value of the first line with that name, or appends a line.
  void SetValue(std::string_view name, std::string_view value);
  // The value of the first line with that name; empty when there is none.
  std::string Value(std::string_view name) const;
  bool Contains(std::string_view name) const;

  size_t Count() const { return lines_.size(); }
  const std::string& Line(size_t i) const { return lines_[i]; }
  std::string Name(size_t i) const;
  std::string ValueAt(size_t i) const;
  void Clear() { lines_.clear(); }
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // Every line followed by CR LF.
  std::string Text() const;
  // Splits at CR, LF or CR LF; a final line break adds no empty line.
  void SetText(std::string_view text);

 private:
  long Find(std::string_view name) const;
  std::vector<std::string> lines_;
};

}  // namespace migwiz::support
