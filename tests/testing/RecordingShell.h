// A desktop shell that records what it was asked to open.
#pragma once

#include <string>
#include <vector>

#include "platform/Shell.h"

namespace migwiz::testing {

class RecordingShell : public platform::IShell {
 public:
  std::vector<std::string> opened;
  bool Open(const std::string& target) override {
    opened.push_back(target);
    return true;
  }
};

}  // namespace migwiz::testing
