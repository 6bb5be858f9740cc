#include "platform/Paths.h"

#include <unistd.h>

#include <cstdlib>

namespace migwiz::platform {

const char* const kTempDirVariable = "TMPDIR";

std::size_t PathRootLength(std::string_view path) { return !path.empty() && path[0] == '/' ? 1 : 0; }

bool SameFileName(std::string_view a, std::string_view b) { return a == b; }

std::string NativePath(std::string path) { return path; }

// A name found is spelt as asked: the file system tells letter case apart.
std::string SpellingOnDisk(const std::string& path) { return path; }

std::string CurrentDirectory() {
  char* cwd = getcwd(nullptr, 0);
  std::string dir = cwd ? cwd : "";
  std::free(cwd);
  return dir;
}

}  // namespace migwiz::platform
