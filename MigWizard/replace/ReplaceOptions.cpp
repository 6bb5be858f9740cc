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
  ProfileFile = ini.ReadString(section, "ProfileFile", ProfileFile);
}

void TReplaceOptions::SaveToIniFile(platform::TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, "Dest", static_cast<long>(Dest));
  ini.WriteString(section, "Directory", Directory);
  ini.WriteBool(section, "IncludeSubDirs", IncludeSubDirs);
  ini.WriteBool(section, "MakeBackup", MakeBackup);
  ini.WriteBool(section, "WriteLog", WriteLog);
  ini.WriteBool(section, "ViewLog", ViewLog);
}

}  // namespace migwiz::replace
