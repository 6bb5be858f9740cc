#include "testing/Win32Files.h"

#include "platform/Win32Text.h"

namespace migwiz::testing {

void SetReadOnlyAttribute(const std::string& path, bool readOnly) {
  SetFileAttributesW(platform::Widen(path).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

THeldOpen::THeldOpen(const std::string& path)
    : handle_(CreateFileW(platform::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

THeldOpen::~THeldOpen() {
  if (Held()) CloseHandle(handle_);
}

bool THeldOpen::Held() const { return handle_ != INVALID_HANDLE_VALUE; }

}  // namespace migwiz::testing
