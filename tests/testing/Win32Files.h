// What a Windows test does to a file from outside the program (no
// <windows.h> here: its macros clash with the IDE model's names).
#pragma once

#include <string>

namespace migwiz::testing {

void SetReadOnlyAttribute(const std::string& path, bool readOnly);

// Holds a file open the way another program may: reading, and sharing
// nothing but reading. Closed when destroyed.
class THeldOpen {
 public:
  explicit THeldOpen(const std::string& path);
  ~THeldOpen();
  THeldOpen(const THeldOpen&) = delete;
  THeldOpen& operator=(const THeldOpen&) = delete;
  bool Held() const;

 private:
  void* handle_;
};

}  // namespace migwiz::testing
