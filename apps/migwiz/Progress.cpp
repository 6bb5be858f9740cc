#include "Progress.h"

#include <unistd.h>

#include <cstdio>

#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::app {

TProgress::TProgress(bool quiet) : quiet_(quiet), terminal_(isatty(STDERR_FILENO) != 0) {}

TProgress::~TProgress() { Done(); }

// Units come first, then the forms they name; each is counted on its own.
void TProgress::Step(const std::string& file, size_t index, size_t count) {
  Show("Processing", file, index, count);
}

void TProgress::Replacing(const std::string& file, size_t index, size_t count) {
  Show("Replacing", file, index, count);
}

// Output that cannot be written (a closed pipe, a terminal gone) is dropped.
void TProgress::Show(const char* what, const std::string& file, size_t index, size_t count) {
  if (quiet_) return;
  std::string ext = support::UpperCase(support::ExtractFileExt(file));
  const char* kind = ext == ".PAS" || ext == ".DPR" ? "unit" : "form";
  if (!terminal_) {
    if (std::string(what) == "Processing")
      std::fprintf(stderr, "%s %s %zu of %zu: %s\n", what, kind, index + 1, count, file.c_str());
    else
      std::fprintf(stderr, "%s %zu of %zu: %s\n", what, index + 1, count, file.c_str());
    return;
  }
  constexpr size_t kWidth = 30;
  size_t filled = count ? (index + 1) * kWidth / count : kWidth;
  std::string bar(filled, '#');
  bar.resize(kWidth, ' ');
  std::string name = support::ExtractFileName(file);
  if (name.size() > 40) name = "..." + name.substr(name.size() - 37);
  std::fprintf(stderr, "\r\033[K[%s] %s %zu/%zu %s", bar.c_str(), kind, index + 1, count, name.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void TProgress::Done() {
  if (drawn_) std::fputs("\r\033[K", stderr);
  drawn_ = false;
}

}  // namespace migwiz::app
