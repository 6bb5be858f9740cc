// inventory: what a replace run would face, read without writing anything.
#include <iostream>

#include "Command.h"
#include "ReportCommands.h"
#include "host/IDEUtils.h"
#include "platform/StandaloneIDE.h"
#include "replace/Inventory.h"
#include "replace/TarnReplacer.h"
#include "resources/RExpertRes.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::app {

namespace {

struct InventoryArgs {
  std::string folder;
  std::string project;
  bool recursive = false;
  bool linkConnections = false;
  std::string json;
  std::string profile;
  unsigned jobs = 0;
};

void RunInventory(const InventoryArgs& args) {
  profile::TProfilePtr profile = LoadProfileArg(args.profile);
  replace::TReplaceOptions options(profile->SourceName);
  TStandaloneHost host;
  if (!args.project.empty()) {
    if (!host::TIDEUtils::OpenProject(Absolute(args.project))) throw ECommandFailed(host.LastError());
    options.Dest = replace::TSearchDestination::sdProject;
    std::string modules;
    for (int i = 0; i < host::TIDEUtils::GetUnitCount(); ++i) {
      std::string name = host::TIDEUtils::GetUnitName(i);
      if (name.size() >= 4 && support::UpperCase(name.substr(name.size() - 4)) == ".PAS")
        modules += support::ExtractFileName(name) + "\r\n";
    }
    options.ModuleList = modules;
    CheckProjectUnits(options.ModuleList);
  } else {
    SetFolderRun(options, args.folder, args.recursive);
  }
  options.IncludeSubDirs = args.recursive;
  options.MakeBackup = false;
  options.WriteLog = false;
  options.WriteReport = false;
  options.LinkConnections = args.linkConnections;
  auto replacer = replace::CreateProfileReplacer(profile, options);
  replacer->SetJobs(args.jobs);
  try {
    replacer->TakeInventory();
  } catch (const std::exception& e) {
    throw ECommandFailed(std::string("The inventory could not be taken.\n") + e.what());
  }
  for (const std::string& line : replacer->Warnings()) std::cerr << "migwiz: warning: " << line << "\n";
  const profile::TMigrationProfile& used = *replacer->RunProfile();
  if (!args.json.empty()) WriteOutputFile(args.json, replace::InventoryJson(replacer->Report(), used));
  std::cout << replace::InventoryText(replacer->Report(), used);
}

}  // namespace

void AddInventoryCommand(CLI::App& app) {
  static InventoryArgs a;
  auto* cmd = app.add_subcommand("inventory", "Tell what a replace run would face, writing nothing.");
  auto* folder = cmd->add_option("FOLDER", a.folder, "folder of units");
  auto* project = cmd->add_option("--project", a.project, "project file (.dpr or .dproj)");
  folder->excludes(project);
  cmd->add_flag("-r,--recursive", a.recursive, "search the sub-folders too")->excludes(project);
  cmd->add_flag("--link-connections", a.linkConnections, "resolve connections as replace --link-connections does")
      ->excludes(project);
  cmd->add_option("--json", a.json, "also write the inventory as JSON");
  cmd->add_option("--profile", a.profile, "migration profile file (TOML; default: the built-in one)");
  cmd->add_option("-j,--jobs", a.jobs, "files read at a time (default: the number of cores)")->check(CLI::Range(1u, 256u));
  cmd->callback([] {
    if (a.folder.empty() && a.project.empty())
      throw CLI::ValidationError("inventory", "a FOLDER or --project is required");
    RunInventory(a);
  });
}

}  // namespace migwiz::app
