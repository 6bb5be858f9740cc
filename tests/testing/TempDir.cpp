#include "testing/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace migwiz::testing {

namespace {

// The system's temporary folder: TMPDIR (TMP on Windows) or its default.
std::string TempBase() {
  const char* env = std::getenv(platform::kTempDirVariable);
  if (env && *env) return env;
  std::error_code ec;
  std::string base = fs::temp_directory_path(ec).string();
  if (ec || base.empty()) return "/tmp";
  while (base.size() > 1 && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  return base;
}

}  // namespace

TempDir::TempDir() {
  const std::string base = TempBase();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "migwiz-test-";
    for (int i = 0; i < 6; ++i) name += "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
    std::string candidate = base + platform::kPathDelim + name;
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
    if (ec && ec != std::errc::file_exists) break;
  }
  throw std::runtime_error("cannot make a temporary folder in " + base);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

// A relative path with "/" is written with the host's delimiter.
std::string TempDir::Path(std::string_view rel) const {
  if (rel.empty()) return path_;
  return path_ + platform::kPathDelim + platform::NativePath(std::string(rel));
}

std::string TempDir::Write(std::string_view rel, std::string_view contents) const {
  std::string p = Path(rel);
  fs::create_directories(fs::path(p).parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  return p;
}

std::string TempDir::MakeDir(std::string_view rel) const {
  std::string p = Path(rel);
  fs::create_directories(p);
  return p;
}

std::string TempDir::Read(std::string_view rel) const { return ReadAll(Path(rel)); }

bool TempDir::Exists(std::string_view rel) const {
  std::error_code ec;
  return fs::exists(fs::symlink_status(Path(rel), ec));
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace migwiz::testing
