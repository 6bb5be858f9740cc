#include "platform/Shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace migwiz::platform {

bool TDesktopShell::Open(const std::string& target) {
  // Detach through a short-lived child so that no zombie is left behind.
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    pid_t opener;
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(target.c_str()), nullptr};
    int rc = posix_spawnp(&opener, "xdg-open", nullptr, nullptr, argv, environ);
    _exit(rc == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

IShell& DefaultShell() {
  static TDesktopShell shell;
  return shell;
}

IBusyCursor& DefaultBusyCursor() {
  static TNoBusyCursor cursor;
  return cursor;
}

}  // namespace migwiz::platform
