#include "Command.h"

#include "platform/FileSystem.h"

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

}  // namespace migwiz::app
