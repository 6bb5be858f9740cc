// Runs a program with arguments and collects its exit status and output.
#pragma once

#include <string>
#include <vector>

namespace migwiz::testing {

struct ProgramResult {
  int status = -1;
  std::string out;
  std::string err;
};

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {});

}  // namespace migwiz::testing
