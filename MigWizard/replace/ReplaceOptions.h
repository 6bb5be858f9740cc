// The choices of one replace run, filled by the wizard and read by the run.
#pragma once

#include <string>

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
  // Not kept in the settings: chosen for each run.
  bool WriteReport = true;       // Wiz_Report.txt beside the log
  bool LinkConnections = false;  // sdDirectory: link datasets to the TDatabase objects of the run
  // The migration profile file of the wizard's runs (empty: the built-in
  // profile); read from the settings value "ProfileFile", never written.
  std::string ProfileFile;

 private:
  std::string sourceName_;
};

}  // namespace migwiz::replace
