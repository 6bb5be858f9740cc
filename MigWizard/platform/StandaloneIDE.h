// A host without an IDE: a project opened from its .dpr or .dproj, listed
// as the project source followed by its units, with the answers a host
// without editors gives (saving succeeds, reloading has nothing to do).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/OpenToolsAPI.h"

namespace migwiz::platform {

class TStandaloneProject : public IOTAProject {
 public:
  // Reads the project file; throws std::runtime_error when it cannot.
  static std::unique_ptr<TStandaloneProject> Open(const std::string& fileName,
                                                  FileSystem& fs = SystemFileSystem());

  std::string FileName() const override { return fileName_; }
  bool Save(bool /*changeName*/, bool /*forceSave*/) override { return true; }
  int GetModuleCount() const override { return static_cast<int>(modules_.size()); }
  std::string GetModuleFileName(int index) const override { return modules_.at(index); }

 private:
  std::string fileName_;
  std::vector<std::string> modules_;  // the project source, then the units
};

// The unit file names a project source lists ("Name in 'path'"), resolved
// against the project's folder; units without a path are looked for there.
std::vector<std::string> DprUnitFiles(const std::string& dprText, const std::string& projectDir,
                                      FileSystem& fs);
// The units a .dproj references, and its main source.
std::vector<std::string> DprojUnitFiles(const std::string& dprojText,
                                        const std::string& projectDir, FileSystem& fs,
                                        std::string* mainSource = nullptr);

class TStandaloneIDE : public IBorlandIDEServices,
                       private IOTAModuleServices,
                       private IOTAActionServices {
 public:
  explicit TStandaloneIDE(FileSystem& fs = SystemFileSystem());
  ~TStandaloneIDE() override;

  IOTAModuleServices* ModuleServices() override { return this; }
  IOTAActionServices* ActionServices() override { return this; }
  INTAServices* NTAServices() override { return &menu_; }
  TMenuModel& Menu() { return menu_; }

  // Opens a project in a new project group (replacing any open one).
  bool OpenProject(const std::string& projName, bool newProjGroup) override;
  bool OpenFile(const std::string& fileName) override { return fs_.FileExists(fileName); }
  bool ReloadFile(const std::string& fileName) override;

  const std::vector<std::string>& Reloaded() const { return reloaded_; }
  const std::string& LastError() const { return lastError_; }

 private:
  class Group;
  int ModuleCount() const override;
  IOTAModule* Module(int index) override;

  FileSystem& fs_;
  TMenuModel menu_;
  std::unique_ptr<Group> group_;
  std::vector<std::string> reloaded_;
  std::string lastError_;
};

}  // namespace migwiz::platform
