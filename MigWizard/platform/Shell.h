// The desktop's "open" verb and the busy cursor: what a run shows the user
// besides its files. Hosts and tests put their own in place.
#pragma once

#include <string>

namespace migwiz::platform {

class IShell {
 public:
  virtual ~IShell() = default;
  // Hands a file or URL to the user's viewer; false when nothing took it.
  virtual bool Open(const std::string& target) = 0;
};

// Hands the target to the desktop (xdg-open; the shell's "open" verb on
// Windows) and does not wait for it.
class TDesktopShell : public IShell {
 public:
  bool Open(const std::string& target) override;
};

class IBusyCursor {
 public:
  virtual ~IBusyCursor() = default;
  virtual void StartWait() = 0;
  virtual void StopWait() = 0;
};

// A command line has no cursor to change.
class TNoBusyCursor : public IBusyCursor {
 public:
  void StartWait() override {}
  void StopWait() override {}
};

IShell& DefaultShell();
IBusyCursor& DefaultBusyCursor();

}  // namespace migwiz::platform
