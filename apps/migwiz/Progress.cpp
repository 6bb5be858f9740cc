#include "Progress.h"

#include <unistd.h>

#include <cstdio>

#include "support/FileUtils.h"

namespace migwiz::app {

TProgress::TProgress(bool quiet) : quiet_(quiet), terminal_(isatty(STDERR_FILENO) != 0) {}

TProgress::~TProgress() { Done(); }

void TProgress::Step(const std::string& file, size_t index, size_t count) {
  Show("Processing", file, index, count);
}

void TProgress::Replacing(const std::string& file, size_t index, size_t count) {
  Show("Replacing", file, index, count);
}

// Output that cannot be written (a closed pipe, a terminal gone) is dropped.
void TProgress::Show(const char* what, const std::string& file, size_t index, size_t count) {
  if (quiet_) return;
  if (!terminal_) {
    std::fprintf(stderr, "%s %zu of %zu: %s\n", what, index + 1, count, file.c_str());
    return;
  }
  constexpr size_t kWidth = 30;
  size_t filled = count ? (index + 1) * kWidth / count : kWidth;
  std::string bar(filled, '#');
  bar.resize(kWidth, ' ');
  std::string name = support::ExtractFileName(file);
  if (name.size() > 40) name = "..." + name.substr(name.size() - 37);
  std::fprintf(stderr, "\r\033[K[%s] %zu/%zu %s", bar.c_str(), index + 1, count, name.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void TProgress::Done() {
  if (drawn_) std::fputs("\r\033[K", stderr);
  drawn_ = false;
}

}  // namespace migwiz::app
