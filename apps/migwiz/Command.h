// What every migwiz command shares: a failure is reported as one line on
// stderr naming the file and the cause, and ends with exit status 1.
#pragma once

#include <CLI/CLI.hpp>

#include <stdexcept>
#include <string>

#include "platform/StandaloneIDE.h"
#include "profile/MigrationProfile.h"

namespace migwiz::app {

class ECommandFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command that ends with an exit status of its own (a run stopped by a
// signal ends with 128 + the signal's number).
class ECommandExit : public ECommandFailed {
 public:
  ECommandExit(const std::string& message, int status) : ECommandFailed(message), status_(status) {}
  int Status() const { return status_; }

 private:
  int status_;
};

// Reads a whole file or throws ECommandFailed naming it.
// The standalone project model, standing in for the IDE while a command runs.
class TStandaloneHost {
 public:
  TStandaloneHost() { platform::BorlandIDEServices = &ide_; }
  ~TStandaloneHost() { platform::BorlandIDEServices = nullptr; }
  TStandaloneHost(const TStandaloneHost&) = delete;
  TStandaloneHost& operator=(const TStandaloneHost&) = delete;
  const std::string& LastError() const { return ide_.LastError(); }

 private:
  platform::TStandaloneIDE ide_;
};

// A path as the user gave it, made absolute against the current folder (in
// the system's own delimiters; "dir/." and a trailing delimiter name dir).
std::string Absolute(const std::string& given);

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

// profile show, profile check; inventory.
void AddProfileCommands(CLI::App& app);
void AddInventoryCommand(CLI::App& app);
// The profile of a --profile option (the built-in one for ""); one that does
// not validate throws ECommandFailed with every error, line and column.
profile::TProfilePtr LoadProfileArg(const std::string& file);

}  // namespace migwiz::app
