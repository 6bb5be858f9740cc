#include "replace/ReplaceOptions.h"

#include "resources/RExpertRes.h"

namespace migwiz::replace {

TReplaceOptions::TReplaceOptions(std::string sourceName) : sourceName_(std::move(sourceName)) {}

std::string TReplaceOptions::Caption() const { return sourceName_ + RExpertRes::SWizardCaptionSuffix; }

void TReplaceOptions::LoadFromIniFile(platform::TCustomIniFile& ini, const std::string& section) {
  long dest = ini.ReadInteger(section, "Dest", static_cast<long>(Dest));
  // Anything but the two known destinations keeps the current one.
  if (dest == 0 || dest == 1) Dest = static_cast<TSearchDestination>(dest);
  Directory = ini.ReadString(section, "Directory", Directory);
  IncludeSubDirs = ini.ReadBool(section, "IncludeSubDirs", IncludeSubDirs);
  MakeBackup = ini.ReadBool(section, "MakeBackup", MakeBackup);
  WriteLog = ini.ReadBool(section, "WriteLog", WriteLog);
  ViewLog = ini.ReadBool(section, "ViewLog", ViewLog);
  // An unknown name keeps the current layout.
  grammar::LayoutFromName(ini.ReadString(section, "Layout", grammar::LayoutName(Layout)), Layout);
  LoadWizardChoices(ini, section);
  ProfileFile = ini.ReadString(section, "ProfileFile", ProfileFile);
}

void TReplaceOptions::SaveToIniFile(platform::TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, "Dest", static_cast<long>(Dest));
  ini.WriteString(section, "Directory", Directory);
  ini.WriteBool(section, "IncludeSubDirs", IncludeSubDirs);
  ini.WriteBool(section, "MakeBackup", MakeBackup);
  ini.WriteBool(section, "WriteLog", WriteLog);
  ini.WriteBool(section, "ViewLog", ViewLog);
  ini.WriteString(section, "Layout", grammar::LayoutName(Layout));
  SaveWizardChoices(ini, section);
}

// Choices the wizard offers beyond the original set of values.
void TReplaceOptions::LoadWizardChoices(platform::TCustomIniFile& ini, const std::string& section) {
  LinkConnections = ini.ReadBool(section, "LinkConnections", LinkConnections);
}

void TReplaceOptions::SaveWizardChoices(platform::TCustomIniFile& ini, const std::string& section) const {
  ini.WriteBool(section, "LinkConnections", LinkConnections);
}

}  // namespace migwiz::replace
