// What the replace command adds around a run so that a user can act on it:
// the report options, checks that stop a run before anything starts, the
// diff preview and the summary printed at the end.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "replace/Replacer.h"

namespace migwiz::app {

struct TReportArgs {
  std::string jsonFile;
  bool noReport = false;
  bool diff = false;
  bool linkConnections = false;
};

void AddReportOptions(CLI::App& replaceCmd, TReportArgs& args, CLI::Option* project);
void ApplyReportArgs(const TReportArgs& args, replace::TReplaceOptions& options);

// Usage errors (exit status 2) with a hint of what was meant.
void CheckReplaceUsage(const std::string& folder, const std::string& project);
// Stop before anything starts (exit status 1).
void CheckFolderHasUnits(const std::string& folder, bool recursive);
void CheckProjectUnits(const std::string& moduleList);
// A folder run over the folder given (made absolute): it must exist and hold
// units (exit status 1 otherwise).
void SetFolderRun(replace::TReplaceOptions& options, const std::string& folder, bool recursive);

// Collects a unified diff of each converted file against its original, with
// paths relative to base; a binary form is compared as its text form.
class TDiffCollector {
 public:
  explicit TDiffCollector(std::string base) : base_(std::move(base)) {}
  void Add(const std::string& original, const std::string& converted);
  const std::string& Text() const { return text_; }

 private:
  std::string base_;
  std::string text_;
};

void WriteJsonReport(const TReportArgs& args, const replace::TComponentReplacer& replacer);
void PrintSummary(const replace::TComponentReplacer& replacer);

}  // namespace migwiz::app
