// The plain-text log of a replace run: header, creation time, then one line
// per call, each written to the file at once.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace migwiz::support {

// Local date and time the way the user's locale writes them: short date,
// a blank, long time; the time is left out at exactly midnight.
std::string DateTimeToStr(const std::tm& t);

class TLogWriter {
 public:
  using Clock = std::function<std::tm()>;

  explicit TLogWriter(platform::FileSystem& fs = platform::SystemFileSystem(),
                      Clock clock = nullptr);
  ~TLogWriter();
  TLogWriter(const TLogWriter&) = delete;
  TLogWriter& operator=(const TLogWriter&) = delete;

  // Creates the file anew and writes header and creation line.
  // Throws EFCreateError when the file cannot be created.
  void OpenLogFile(const std::string& fileName);
  void CloseLogFile();
  bool IsOpen() const { return logFile_ != nullptr; }

  // Ignored while no file is open. Throws EWriteError on a failed write.
  void WriteLine(std::string_view str);
  void Write(const void* buffer, size_t count);

  const std::string& Header() const { return header_; }
  void SetHeader(std::string value) { header_ = std::move(value); }
  const std::string& CreationTimeString() const { return creationTimeString_; }
  void SetCreationTimeString(std::string value) { creationTimeString_ = std::move(value); }
  bool EmptyLineAfterString() const { return emptyLineAfterString_; }
  void SetEmptyLineAfterString(bool value) { emptyLineAfterString_ = value; }

 private:
  void WriteBytes(std::string_view bytes);

  platform::FileSystem& fs_;
  Clock clock_;
  std::unique_ptr<platform::WritableFile> logFile_;
  std::string fileName_;
  std::string header_;
  std::string creationTimeString_;
  bool emptyLineAfterString_ = false;
};

}  // namespace migwiz::support
