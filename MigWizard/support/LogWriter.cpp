#include "support/LogWriter.h"

#include "platform/TextCodec.h"
#include "resources/RExpertRes.h"
#include "support/FileErrors.h"

namespace migwiz::support {

namespace {

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return t;
}

}  // namespace

std::string DateTimeToStr(const std::tm& t) {
  char buf[128];
  size_t n = std::strftime(buf, sizeof buf, "%x", &t);
  std::string result(buf, n);
  if (t.tm_hour != 0 || t.tm_min != 0 || t.tm_sec != 0) {
    n = std::strftime(buf, sizeof buf, "%X", &t);
    result += ' ';
    result.append(buf, n);
  }
  return result;
}

TLogWriter::TLogWriter(platform::FileSystem& fs, Clock clock)
    : fs_(fs),
      clock_(clock ? std::move(clock) : Clock(LocalNow)),
      creationTimeString_(RExpertRes::SLogCreationLabel) {}

TLogWriter::~TLogWriter() { CloseLogFile(); }

void TLogWriter::OpenLogFile(const std::string& fileName) {
  CloseLogFile();
  std::string err;
  logFile_ = fs_.CreateFile(fileName, err);
  if (!logFile_) throw EFCreateError(err);
  fileName_ = fileName;
  if (!header_.empty()) WriteLine(header_);
  WriteLine(creationTimeString_ + " " + DateTimeToStr(clock_()));
}

void TLogWriter::CloseLogFile() { logFile_.reset(); }

void TLogWriter::WriteLine(std::string_view str) {
  if (!logFile_) return;
  std::string text;
  if (str == " " || str.empty()) {
    text = "\r\n";
  } else {
    text = str;
    if (text.back() != '\n' && text.back() != '\r') text += "\r\n";
  }
  if (emptyLineAfterString_) text += "\r\n";
  WriteBytes(platform::AnsiCodePage::System().Encode(text));
}

void TLogWriter::Write(const void* buffer, size_t count) {
  if (!logFile_) return;
  WriteBytes(std::string_view(static_cast<const char*>(buffer), count));
}

void TLogWriter::WriteBytes(std::string_view bytes) {
  std::string err;
  if (!logFile_->Write(bytes, err)) throw EWriteError(err);
}

}  // namespace migwiz::support
