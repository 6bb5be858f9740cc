#include "Command.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "support/FileUtils.h"

namespace migwiz::app {

namespace {
int exitStatus = 0;
}  // namespace

void SetExitStatus(int status) { exitStatus = status; }
int ExitStatus() { return exitStatus; }

std::string ReadInputFile(const std::string& path) {
  std::string contents, err;
  if (!platform::SystemFileSystem().ReadFile(path, contents, err)) throw ECommandFailed(err);
  return contents;
}

void WriteOutputFile(const std::string& path, const std::string& bytes) {
  std::string err;
  if (!platform::SystemFileSystem().WriteFile(path, bytes, err)) throw ECommandFailed(err);
}

std::string Absolute(const std::string& given) {
  const std::string path = platform::NativePath(given);
  if (platform::IsAbsolutePath(path)) return path;
  std::string base = platform::CurrentDirectory();
  std::string joined = support::ConcatPath(base.empty() ? "." : base, path);
  // "dir/." and a trailing delimiter name the folder itself.
  const std::string dot = std::string(1, platform::kPathDelim) + ".";
  while (joined.size() > 1 && (joined.back() == platform::kPathDelim ||
                                  (joined.size() > 2 && joined.substr(joined.size() - 2) == dot)))
    joined.resize(joined.back() == platform::kPathDelim ? joined.size() - 1 : joined.size() - 2);
  return joined;
}

}  // namespace migwiz::app
