// replace and restore: the replace engine without the IDE.
#include <climits>
#include <cstdlib>
#include <iostream>

#include "Command.h"
#include "Progress.h"
#include "Signals.h"
#include "ReportCommands.h"
#include "host/IDEUtils.h"
#include "platform/Paths.h"
#include "platform/StandaloneIDE.h"
#include "replace/TarnReplacer.h"
#include "resources/RExpertRes.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::app {

namespace {

using replace::TSearchDestination;
namespace Res = RExpertRes;

struct ReplaceArgs {
  std::string folder;
  std::string project;
  std::vector<std::string> units;
  bool recursive = false;
  std::string backupDir;
  bool noBackup = false;
  bool noLog = false;
  bool viewLog = false;
  bool dryRun = false;
  bool quiet = false;
  unsigned jobs = 0;  // as many as the machine has cores
  TReportArgs report;
  std::string layout = "kept";
  std::string profile;  // empty: the built-in one
};

struct RestoreArgs {
  std::string undoFile;
  bool quiet = false;
  bool force = false;
};

// As every command-line tool: a path given is taken from the current folder.
// Without one, RBackup beside the units or the project.
std::string BackupDirFor(const std::string& given, const std::string& base) {
  if (!given.empty()) return Absolute(given);
  return support::ConcatPath(base, Res::SDefaultBackupFolder);
}

// The unit of the project that a path relative to the project's folder
// (either delimiter) names; empty when none.
std::string UnitAtPath(std::string wanted) {
  for (char& c : wanted)
    if (c == '\\' || c == '/') c = platform::kPathDelim;
  const std::string path = support::ConcatPath(support::ExtractFileDir(host::TIDEUtils::GetProjectName()), wanted);
  for (int i = 0; i < host::TIDEUtils::GetUnitCount(); ++i) {
    std::string name = host::TIDEUtils::GetUnitName(i);
    if (support::SameText(name, path)) return name;
  }
  return std::string();
}

// The file names of the project's units that were asked for, one per line:
// a unit asked for by its path relative to the project goes in with its
// full name, so that units of one name in two folders are told apart.
std::string ModuleList(const std::vector<std::string>& wanted) {
  std::vector<std::string> all;
  for (int i = 0; i < host::TIDEUtils::GetUnitCount(); ++i) {
    std::string name = host::TIDEUtils::GetUnitName(i);
    if (name.size() >= 4 && support::UpperCase(name.substr(name.size() - 4)) == ".PAS")
      all.push_back(support::ExtractFileName(name));
  }
  std::string list;
  if (wanted.empty()) {
    for (const std::string& unit : all) list += unit + "\r\n";
    return list;
  }
  for (const std::string& unit : wanted) {
    if (unit.find_first_of("/\\") != std::string::npos) {
      std::string name = UnitAtPath(unit);
      if (name.empty()) throw ECommandFailed("unit " + unit + " is not a unit of the project");
      list += name + "\r\n";
      continue;
    }
    bool found = false;
    for (const std::string& known : all) found = found || support::SameText(known, unit);
    if (!found) throw ECommandFailed("unit " + unit + " is not a unit of the project");
    list += unit + "\r\n";
  }
  return list;
}

void Report(const replace::TComponentReplacer& replacer, bool dryRun) {
  const auto& changed = replacer.ChangedFiles();
  if (dryRun) {
    std::cout << "Dry run: nothing was written.\n";
    for (const auto& f : changed)
      std::cout << "  would change " << f.FileName << " (" << f.Changes << " change(s))\n";
    std::cout << changed.size() << " file(s) would change.\n";
  } else {
    std::cout << Res::SReplaceSucceeded << "\n" << changed.size() << " file(s) changed.\n";
    if (!replacer.LogFileName().empty()) std::cout << "Log: " << replacer.LogFileName() << "\n";
    if (!replacer.UndoFileName().empty()) std::cout << "Undo file: " << replacer.UndoFileName() << "\n";
  }
}

// Objects whose body stayed as it was while their header and unit got the
// new class: the form must be finished by hand.
void ReportUnconverted(const replace::TComponentReplacer& replacer) {
  const auto& objects = replacer.UnconvertedObjects();
  for (const auto& o : objects)
    std::cerr << "migwiz: warning: " << o.FormFile << ":" << o.Line << ": " << o.ObjectName << ": "
              << o.ClassName << " was not converted (line " << o.StopLine << ", column "
              << o.StopColumn << ": " << o.Reason << "); unit "
              << support::ChangeFileExt(support::ExtractFileName(o.FormFile), "")
              << " now declares " << o.NewClassName << " but its form keeps the old body\n";
}

// What the run left out or could not do without failing, on stderr.
void PrintWarnings(const replace::TComponentReplacer& replacer) {
  for (const std::string& line : replacer.Warnings()) std::cerr << "migwiz: warning: " << line << "\n";
}

void RunReplace(const ReplaceArgs& args) {
  // A profile that does not validate stops the run before anything is read.
  profile::TProfilePtr profile = LoadProfileArg(args.profile);
  replace::TReplaceOptions options(profile->SourceName);
  TStandaloneHost host;

  std::string base;
  if (!args.project.empty()) {
    std::string project = Absolute(args.project);
    if (!host::TIDEUtils::OpenProject(project)) throw ECommandFailed(host.LastError());
    options.Dest = TSearchDestination::sdProject;
    options.ModuleList = ModuleList(args.units);
    CheckProjectUnits(options.ModuleList);
    base = support::ExtractFileDir(project);
  } else {
    SetFolderRun(options, args.folder, args.recursive);
    base = options.Directory;
  }
  options.IncludeSubDirs = args.recursive;
  options.MakeBackup = !args.noBackup;
  options.BackupDir = BackupDirFor(args.backupDir, base);
  options.WriteLog = !args.noLog;
  options.ViewLog = args.viewLog;
  grammar::LayoutFromName(args.layout, options.Layout);
  ApplyReportArgs(args.report, options);

  auto replacer = replace::CreateProfileReplacer(profile, options);
  replacer->SetDryRun(args.dryRun);
  replacer->SetJobs(args.jobs);
  TDiffCollector diffs(base);
  if (args.report.diff)
    replacer->OnFileConverted = [&](const std::string& f, const std::string& b) { diffs.Add(f, b); };
  TProgress progress(args.quiet);
  replacer->OnProgress = [&](const std::string& f, size_t i, size_t n) { progress.Step(f, i, n); };
  replacer->OnReplacing = [&](const std::string& f, size_t i, size_t n) { progress.Replacing(f, i, n); };
  TStopSignals stops;
  replacer->StopRequested = [] { return TStopSignals::Requested(); };
  bool ok;
  try {
    ok = replacer->PerformReplace();
  } catch (const replace::ERunStopped& e) {
    progress.Done();
    PrintWarnings(*replacer);
    throw ECommandExit(std::string(TStopSignals::SignalName()) + ": " + e.what(),
                       TStopSignals::ExitStatus());
  } catch (const std::exception& e) {
    progress.Done();
    PrintWarnings(*replacer);
    throw ECommandFailed(std::string(Res::SReplaceFailed) + "\n" + e.what());
  }
  progress.Done();
  ReportUnconverted(*replacer);
  PrintWarnings(*replacer);
  if (TStopSignals::Requested())
    std::cerr << "migwiz: " << TStopSignals::SignalName()
              << " came after the conversion; the run was finished first.\n";
  if (!ok && replacer->OriginalsUnchanged()) {
    throw ECommandFailed(std::string(Res::SReplaceFailed) +
                         "\nNo original was changed; the warnings above and the log say why.");
  }
  if (!ok) {
    throw ECommandFailed(std::string(Res::SReplaceFailed) +
                         "\nNot every original could be put back as it was; the log names them" +
                         (replacer->UndoFileName().empty() ? "." : ", and " + replacer->UndoFileName() +
                                                                       " restores them."));
  }
  if (args.report.diff) std::cout << diffs.Text();
  WriteJsonReport(args.report, *replacer);
  if (args.dryRun && !replacer->ChangedFiles().empty()) SetExitStatus(kExitWouldChange);
  if (size_t n = replacer->UnconvertedObjects().size())
    std::cerr << n << " object(s) not converted in full; finish them by hand.\n";
  if (args.quiet) return;
  Report(*replacer, args.dryRun);
  PrintSummary(*replacer);
}

// A restore is never stopped half-way: a stop request waits for its end.
void RunRestore(const RestoreArgs& args) {
  replace::TReplaceOptions options(replace::kTarnSourceName);
  auto replacer = replace::CreateTarnReplacer(options);
  replacer->SetRestoreOverEdits(args.force);
  TStopSignals stops;
  bool ok;
  try {
    ok = replacer->PerformRestore(Absolute(args.undoFile));
  } catch (const std::exception& e) {
    throw ECommandFailed(std::string(Res::SRestoreFailed) + "\n" + e.what());
  }
  PrintWarnings(*replacer);
  if (!ok) throw ECommandFailed(std::string(Res::SRestoreFailed) + "\n" + replacer->RestoreError());
  if (args.quiet) return;
  for (const std::string& file : replacer->RestoredFiles()) std::cout << "Restored: " << file << "\n";
  std::cout << Res::SRestoreSucceeded << "\n"
            << replacer->RestoredFiles().size() << " file(s) restored.\n";
}

}  // namespace

void AddReplaceCommands(CLI::App& app) {
  static ReplaceArgs r;
  auto* replaceCmd = app.add_subcommand("replace", "Convert a folder of units, or a project, to Tarnbase.");
  auto* folder = replaceCmd->add_option("FOLDER", r.folder, "folder of units (a folder run)");
  auto* project = replaceCmd->add_option("--project", r.project, "project file (.dpr or .dproj)");
  folder->excludes(project);
  replaceCmd->add_option("--unit", r.units, "a unit of the project to convert, by name or by its path relative to the project (default: all)")
      ->needs(project);
  replaceCmd->add_flag("-r,--recursive", r.recursive, "search the sub-folders too")->excludes(project);
  auto* backupDir = replaceCmd->add_option(
      "--backup-dir", r.backupDir,
      "backup folder, relative to the current folder (default: RBackup beside the units or the project)");
  replaceCmd->add_flag("--no-backup", r.noBackup, "keep no backup copies and no undo file")
      ->excludes(backupDir);
  auto* noLog = replaceCmd->add_flag("--no-log", r.noLog, "write no log file");
  replaceCmd->add_flag("--view-log", r.viewLog, "open the log when the run is done")->excludes(noLog);
  replaceCmd->add_flag("--dry-run", r.dryRun,
                       "convert in the temporary folder only and report; exit status 3 when files would change");
  replaceCmd->add_flag("-q,--quiet", r.quiet, "print errors only (the report is still written)");
  replaceCmd
      ->add_option("-j,--jobs", r.jobs,
                   "files converted at a time (default: the number of cores; 1: one after the "
                   "other); the output is the same for any number")
      ->check(CLI::Range(1u, 256u));
  replaceCmd
      ->add_option("--layout", r.layout,
                   "how converted objects are written: kept (as they were read, changed only where "
                   "their meaning changed; the default) or design (rebuilt: two columns per level, "
                   "properties before children)")
      ->check(CLI::IsMember({"kept", "design"}));
  AddReportOptions(*replaceCmd, r.report, project);
  replaceCmd->add_option("--profile", r.profile, "migration profile file (TOML; default: the built-in one)");
  replaceCmd->callback([] {
    if (r.folder.empty() && r.project.empty())
      throw CLI::ValidationError("replace", "a FOLDER or --project is required");
    CheckReplaceUsage(r.folder, r.project);
    RunReplace(r);
  });

  static RestoreArgs s;
  auto* restoreCmd = app.add_subcommand("restore", "Copy the backups an undo file lists back.");
  restoreCmd->add_option("UNDOFILE", s.undoFile, "undo file (RExpert.reu)")->required();
  restoreCmd->add_flag("-q,--quiet", s.quiet, "print errors only");
  restoreCmd->add_flag("--force", s.force,
                       "restore also the files changed since the run wrote them (their changes are lost)");
  restoreCmd->callback([] { RunRestore(s); });
}

}  // namespace migwiz::app
