// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#pragma once

#include <string>
#include <string_view>

namespace migwiz::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string Path(std::string_view rel) const;
  // Writes a file, creating its folders.
  std::string Write(std::string_view rel, std::string_view contents) const;
  std::string MakeDir(std::string_view rel) const;
  std::string Read(std::string_view rel) const;
  bool Exists(std::string_view rel) const;

 private:
  std::string path_;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadAll(const std::string& path);

}  // namespace migwiz::testing
