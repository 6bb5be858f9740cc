#include "ReportCommands.h"

#include <iostream>
#include <unordered_set>

#include "Command.h"
#include "UnifiedDiff.h"
#include "host/IDEUtils.h"
#include "streams/ComponentStream.h"
#include "replace/RunReportJson.h"
#include "resources/RExpertRes.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"
#include "support/TextFile.h"

namespace migwiz::app {

using support::SameText;
using support::UpperCase;

void AddReportOptions(CLI::App& cmd, TReportArgs& args, CLI::Option* project) {
  cmd.add_option("--report", args.jsonFile, "also write the run report as JSON to this file (see migwiz(1))");
  cmd.add_flag("--no-report", args.noReport, "write no Wiz_Report.txt beside the log");
  cmd.add_flag("--diff", args.diff,
               "print a unified diff of every file the run changes (with --dry-run: a preview)");
  cmd.add_flag("--link-connections", args.linkConnections,
               "folder run: link datasets to the TDatabase objects of every form of the run, as a project run does")
      ->excludes(project);
}

void ApplyReportArgs(const TReportArgs& args, replace::TReplaceOptions& options) {
  options.WriteReport = !args.noReport;
  options.LinkConnections = args.linkConnections;
}

namespace {

std::string Ext(const std::string& path) { return UpperCase(support::ExtractFileExt(path)); }

bool IsUnitFile(const std::string& name) { return Ext(name) == ".PAS" || Ext(name) == ".DPR"; }

bool HasUnits(platform::FileSystem& fs, const std::string& dir, bool recursive, int depth) {
  std::vector<platform::DirEntry> entries;
  if (depth > 64 || !fs.ListDirectory(dir, entries)) return false;
  for (const platform::DirEntry& e : entries) {
    if (!e.isDirectory && IsUnitFile(e.name)) return true;
    if (e.isDirectory && recursive && HasUnits(fs, support::ConcatPath(dir, e.name), true, depth + 1)) return true;
  }
  return false;
}

}  // namespace

void CheckReplaceUsage(const std::string& folder, const std::string& project) {
  platform::FileSystem& fs = platform::SystemFileSystem();
  if (!folder.empty() && fs.FileExists(folder) && !fs.DirectoryExists(folder)) {
    if (Ext(folder) == ".DPR" || Ext(folder) == ".DPROJ")
      throw CLI::ValidationError("FOLDER", folder + " is a project file; a project is run with --project: "
                                           "migwiz replace --project " + folder);
    throw CLI::ValidationError("FOLDER", folder + " is a file, not a folder");
  }
  if (!project.empty() && Ext(project) != ".DPR" && Ext(project) != ".DPROJ") {
    std::string hint = Ext(project) == ".PAS" ? "; to convert one unit of a project, give the project with "
                                                "--project and the unit with --unit " + support::ExtractFileName(project)
                                              : "";
    throw CLI::ValidationError("--project", "takes a project file (.dpr or .dproj), not " + project + hint);
  }
}

void CheckFolderHasUnits(const std::string& folder, bool recursive) {
  if (HasUnits(platform::SystemFileSystem(), folder, recursive, 0)) return;
  throw ECommandFailed(recursive ? "no units (.pas, .dpr) in " + folder + " or its sub-folders"
                                 : "no units (.pas, .dpr) in " + folder + "; use -r to search its sub-folders");
}

void SetFolderRun(replace::TReplaceOptions& options, const std::string& folder, bool recursive) {
  options.Dest = replace::TSearchDestination::sdDirectory;
  options.Directory = Absolute(folder);
  if (!platform::SystemFileSystem().DirectoryExists(options.Directory))
    throw ECommandFailed(support::FormatStr(RExpertRes::STargetDirMissing, {options.Directory}));
  CheckFolderHasUnits(options.Directory, recursive);
}

// Every chosen unit is on disk, or the run does not start.
void CheckProjectUnits(const std::string& moduleList) {
  std::vector<std::string> chosen = support::SplitTextLines(moduleList);
  std::string missing;
  for (int i = 0; i < host::TIDEUtils::GetUnitCount(); ++i) {
    std::string name = host::TIDEUtils::GetUnitName(i);
    if (Ext(name) != ".PAS") continue;
    bool wanted = false;
    for (const std::string& c : chosen)
      wanted = wanted || SameText(c, support::ExtractFileName(name)) || SameText(c, name);
    if (wanted && !platform::SystemFileSystem().FileExists(name)) missing += "\n  " + name;
  }
  if (!missing.empty()) throw ECommandFailed("units of the project are missing on disk:" + missing);
}

namespace {

// A file's text as a person compares it: a binary form as its text form.
std::string ComparableText(const std::string& bytes) {
  if (!platform::IsBinaryForm(bytes)) return support::ReadTextFile(bytes).text;
  platform::TRCData header;
  size_t start = platform::ReadResourceHeader(bytes, header);
  return platform::ObjectBinaryToTextUtf8(std::string_view(bytes).substr(start), start);
}

}  // namespace

void TDiffCollector::Add(const std::string& original, const std::string& converted) {
  std::string rel = original;
  std::string prefix = support::ConcatPath(base_, "");
  if (rel.compare(0, prefix.size(), prefix) == 0) rel = rel.substr(prefix.size());
  std::string oldBytes, err;
  platform::SystemFileSystem().ReadFile(original, oldBytes, err);
  try {
    text_ += UnifiedDiff(ComparableText(oldBytes), ComparableText(converted), "a/" + rel, "b/" + rel);
  } catch (const std::exception& e) {
    text_ += "Binary form " + rel + " differs (" + e.what() + ")\n";
  }
}

void WriteJsonReport(const TReportArgs& args, const replace::TComponentReplacer& replacer) {
  if (!args.jsonFile.empty()) WriteOutputFile(args.jsonFile, replace::RunReportJson(replacer.Report()));
}

namespace {

// Folder runs that left datasets unlinked although their TDatabase is in
// the run: say how to link them.
void PrintLinkHint(const replace::TRunReport& report) {
  if (report.Mode() != replace::TReportMode::rmFolder || report.LinkConnections()) return;
  size_t linkable = 0;
  std::string names;
  std::unordered_set<std::string> named;
  for (const auto& d : report.UnlinkedDatasets()) {
    // The one a linking run would link it to, chosen as that run chooses.
    const std::string& reference = d.Choice.Chosen.Reference;
    if (d.Choice.Reason != replace::TLinkReason::lrNotLinking || reference.empty()) continue;
    ++linkable;
    std::string name = d.DatabaseName + " is " + reference;
    if (named.insert(name).second) names += (names.empty() ? "" : ", ") + name;
  }
  if (linkable)
    std::cout << linkable << " of these dataset(s) name a TDatabase of this folder (" << names
              << "): --link-connections or a project run would link them.\n";
}

}  // namespace

void PrintSummary(const replace::TComponentReplacer& replacer) {
  const replace::TRunReport& r = replacer.Report();
  auto row = [](const char* what, size_t n) {
    std::string label = std::string("  ") + what + ":";
    label.resize(40, ' ');
    std::cout << label << n << "\n";
  };
  std::cout << "Summary:\n";
  row("units changed", r.UnitChanges().size());
  row("objects converted", r.ConvertedObjects().size());
  row("properties translated", r.TranslatedCount());
  row("properties dropped", r.DroppedCount());
  row("datasets without a connection", r.UnlinkedDatasets().size());
  row("objects left with their BDE body", r.UnparsedObjects().size());
  row("places in units to rewrite by hand", r.ManualWork().size());
  // Shown when there are any; the report always lists them.
  if (size_t n = r.UncheckedObjectsCount()) row("objects with properties not checked", n);
  if (size_t n = r.ObjectsWithoutCounterpart().size()) row("BDE objects with no counterpart", n);
  if (size_t n = r.SelfCheckFindings().size()) row("self-check findings", n);
  PrintLinkHint(r);
  if (!replacer.ReportFileName().empty()) std::cout << "Report: " << replacer.ReportFileName() << "\n";
  if (replacer.ReportKept()) std::cout << "Nothing changed; the report of the run before is kept: " << replacer.ReportPath() << "\n";
  if (!replacer.ReportError().empty())
    std::cerr << "migwiz: warning: the report was not written: " << replacer.ReportError() << "\n";
}

}  // namespace migwiz::app
