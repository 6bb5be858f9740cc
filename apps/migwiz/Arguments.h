// The command line as UTF-8, whatever the system hands to main.
#pragma once

#include <string>
#include <vector>

namespace migwiz::app {

class TArguments {
 public:
  TArguments(int argc, char** argv);
  int Count() const { return static_cast<int>(pointers_.size()) - 1; }
  char** Values() { return pointers_.data(); }

 private:
  std::vector<std::string> values_;
  std::vector<char*> pointers_;
};

// Sets up the console (on Windows: UTF-8 output); nothing elsewhere.
void PrepareConsole();

}  // namespace migwiz::app
