#include "replace/RunRecord.h"

#include "support/Checksum.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

// "folder PATH" and "sum HEX[,HEX...] PATH", one a line; the path is the
// rest of the line, spelt as in the undo file.
bool TRunRecord::Parse(const std::string& bytes) {
  folders_.clear();
  sums_.clear();
  for (const std::string& line : support::SplitTextLines(bytes)) {
    if (line.empty()) continue;
    if (line.rfind("folder ", 0) == 0) {
      folders_.insert(line.substr(7));
      continue;
    }
    size_t space = line.find(' ', 4);
    if (line.rfind("sum ", 0) != 0 || space == std::string::npos) return false;
    std::set<std::uint64_t> sums;
    for (size_t pos = 4; pos < space;) {
      size_t comma = std::min(line.find(',', pos), space);
      if (comma - pos != 16) return false;
      try {
        sums.insert(std::stoull(line.substr(pos, 16), nullptr, 16));
      } catch (const std::exception&) {
        return false;
      }
      pos = comma + 1;
    }
    sums_[line.substr(space + 1)] = std::move(sums);
  }
  return true;
}

std::string TRunRecord::Serialize() const {
  std::string text;
  for (const std::string& folder : folders_) text += "folder " + folder + "\r\n";
  for (const auto& [file, sums] : sums_) {
    text += "sum ";
    bool first = true;
    for (std::uint64_t sum : sums) {
      if (!first) text += ',';
      text += support::ChecksumText(sum);
      first = false;
    }
    text += " " + file + "\r\n";
  }
  return text;
}

bool TRunRecord::Accepts(const std::string& file, std::uint64_t checksum) const {
  auto it = sums_.find(file);
  return it != sums_.end() && it->second.count(checksum) != 0;
}

}  // namespace migwiz::replace
