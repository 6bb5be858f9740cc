// Reading and checking migration profile files (TOML). Every fault found is
// reported with the line and column it stands at; a profile with a fault is
// never used.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "profile/MigrationProfile.h"

namespace migwiz::profile {

struct TProfileIssue {
  std::string File;
  int Line = 0;
  int Column = 0;
  std::string Message;
  // "FILE:LINE:COLUMN: message"
  std::string Text() const;
};

// A profile that does not validate; what() lists every issue, one a line.
class EProfileError : public std::runtime_error {
 public:
  explicit EProfileError(std::vector<TProfileIssue> issues);
  const std::vector<TProfileIssue>& Issues() const { return issues_; }

 private:
  std::vector<TProfileIssue> issues_;
};

struct TProfileCheck {
  std::shared_ptr<TMigrationProfile> Profile;  // null when there are issues
  std::vector<TProfileIssue> Issues;
  bool Ok() const { return Issues.empty(); }
};

// Limits past which a profile is refused as absurd.
inline constexpr size_t kMaxProfileBytes = size_t{1} << 20;
inline constexpr size_t kMaxProfileListItems = 10000;
inline constexpr size_t kMaxNameLength = 255;
inline constexpr size_t kMaxTextLength = 4096;

// fileName names the text in issues.
TProfileCheck CheckProfileText(std::string_view text, const std::string& fileName);
// Reads the file first (a file that cannot be read, or is too large, is an
// issue at line 1, column 1).
TProfileCheck CheckProfileFile(const std::string& path);
// The profile of a file, or EProfileError.
TProfilePtr LoadProfileFile(const std::string& path);

// The profile compiled in, as text and read.
std::string_view BuiltinProfileText();
TProfilePtr BuiltinProfile();
inline constexpr const char* kBuiltinProfileName = "built-in";

}  // namespace migwiz::profile
