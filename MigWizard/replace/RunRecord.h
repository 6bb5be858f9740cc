// What the runs of one backup folder wrote, kept beside their undo file
// (whose own format stays as it is): the folders they ran over, and for
// each file they replaced the checksums of the bytes it may hold without
// anyone having edited it since (what the last run read and what it wrote).
// A restore uses it to refuse writing over a file edited after the run.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace migwiz::replace {

class TRunRecord {
 public:
  // Parses the file's bytes; false on a line it does not know.
  bool Parse(const std::string& bytes);
  std::string Serialize() const;

  void AddFolder(const std::string& folder) { folders_.insert(folder); }
  const std::set<std::string>& Folders() const { return folders_; }
  // The checksums a file may have; replaces what was known of it.
  void SetChecksums(const std::string& file, std::set<std::uint64_t> sums) {
    sums_[file] = std::move(sums);
  }
  // Whether the file is known, and if so whether bytes of this checksum
  // are what a run left there.
  bool Knows(const std::string& file) const { return sums_.count(file) != 0; }
  bool Accepts(const std::string& file, std::uint64_t checksum) const;

 private:
  std::set<std::string> folders_;
  std::map<std::string, std::set<std::uint64_t>> sums_;
};

}  // namespace migwiz::replace
