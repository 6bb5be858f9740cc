#include "Arguments.h"

namespace migwiz::app {

// Linux hands the bytes as given; file names are UTF-8 by convention.
TArguments::TArguments(int argc, char** argv) : values_(argv, argv + argc) {
  for (std::string& v : values_) pointers_.push_back(v.data());
  pointers_.push_back(nullptr);
}

void PrepareConsole() {}

}  // namespace migwiz::app
