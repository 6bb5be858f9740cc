#include "testing/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace migwiz::testing {

TempDir::TempDir() {
  const char* env = std::getenv("TMPDIR");
  std::string base = env && *env ? env : "/tmp";
  std::string pattern = base + "/migwiz-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::Path(std::string_view rel) const {
  return rel.empty() ? path_ : path_ + "/" + std::string(rel);
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
