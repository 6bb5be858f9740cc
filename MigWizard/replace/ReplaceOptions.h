// The choices of one replace run, filled by the wizard and read by the run.
#pragma once

#include <string>

#include "grammar/ObjectLayout.h"
#include "platform/IniFile.h"

namespace migwiz::replace {

enum class TSearchDestination { sdProject = 0, sdDirectory = 1 };

class TReplaceOptions {
 public:
  explicit TReplaceOptions(std::string sourceName);

  const std::string& SourceName() const { return sourceName_; }
  // "BDE Migration Wizard": dialog and message title, settings section.
  std::string Caption() const;

  void LoadFromIniFile(platform::TCustomIniFile& iniFile, const std::string& section);
  void SaveToIniFile(platform::TCustomIniFile& iniFile, const std::string& section) const;

  TSearchDestination Dest = TSearchDestination::sdProject;
  std::string Directory;
  bool IncludeSubDirs = false;
  bool MakeBackup = true;
  std::string BackupDir;
  bool WriteLog = true;
  std::string ModuleList;  // sdProject: chosen unit file names, one per CR LF line
  bool ViewLog = false;
  // How converted objects are laid out in their forms; kept in the settings
  // ("Layout": "kept" or "design") but on no page.
  grammar::TObjectLayout Layout = grammar::TObjectLayout::Kept;
  // Not kept in the settings: chosen for each run.
  bool WriteReport = true;       // Wiz_Report.txt beside the log
  bool LinkConnections = false;  // sdDirectory: link datasets to the TDatabase objects of the run
  // The run was set up in the wizard: the report names its choices as the wizard does.
  bool FromWizard = false;
  // The migration profile file of the wizard's runs (empty: the built-in
  // profile); read from the settings value "ProfileFile", never written.
  std::string ProfileFile;

 private:
  void LoadWizardChoices(platform::TCustomIniFile& iniFile, const std::string& section);
  void SaveWizardChoices(platform::TCustomIniFile& iniFile, const std::string& section) const;

  std::string sourceName_;
};

}  // namespace migwiz::replace
