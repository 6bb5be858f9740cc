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

// The exit status of a command that completed (0 unless it sets another):
// 3 for a dry run after which files would change.
inline constexpr int kExitWouldChange = 3;
void SetExitStatus(int status);
int ExitStatus();

void AddFormCommands(CLI::App& app);
void AddReplaceCommands(CLI::App& app);

}  // namespace migwiz::app
