// Checks that only a programming error can fail. The message names the
// source unit, as the wizard's internal errors always have.
#pragma once

#include <stdexcept>
#include <string>

namespace migwiz::support {

class EAssertionFailed : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

inline void Assert(bool condition, const char* unit, const char* what) {
  if (!condition)
    throw EAssertionFailed(std::string("Assertion failed: ") + what + " (" + unit + ")");
}

}  // namespace migwiz::support
