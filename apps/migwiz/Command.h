// What every migwiz command shares: a failure is reported as one line on
// stderr naming the file and the cause, and ends with exit status 1.
#pragma once

#include <CLI/CLI.hpp>

#include <stdexcept>
#include <string>

namespace migwiz::app {

class ECommandFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole file or throws ECommandFailed naming it.
std::string ReadInputFile(const std::string& path);
// Writes a whole file (atomically) or throws ECommandFailed naming it.
void WriteOutputFile(const std::string& path, const std::string& bytes);

void AddFormCommands(CLI::App& app);
void AddReplaceCommands(CLI::App& app);

}  // namespace migwiz::app
