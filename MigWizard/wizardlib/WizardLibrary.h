// In a host: one loaded wizard library. Loading calls its entry once;
// destruction releases its wizards, runs its terminate procedure, takes the
// clicks of its menu items back and unloads it, in that order.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/OpenToolsAPI.h"
#include "wizardlib/WizardABI.h"
#include "wizardlib/WizardHostBridge.h"

namespace migwiz::platform {

class EWizardLibraryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TWizardLibrary {
 public:
  // Throws EWizardLibraryError when the file is no library or lacks the entry.
  TWizardLibrary(const std::string& fileName, IBorlandIDEServices& ide, IOTAApplication& app);
  ~TWizardLibrary();
  TWizardLibrary(const TWizardLibrary&) = delete;
  TWizardLibrary& operator=(const TWizardLibrary&) = delete;

  // Calls the entry (again); its result.
  bool CallEntry();

  const std::string& FileName() const { return fileName_; }
  // The wizards registered so far; the library holds one reference to each.
  const std::vector<MigWizWizard*>& Wizards() const { return wizards_; }

 private:
  std::string fileName_;
  void* handle_ = nullptr;
  MigWizInitWizardProc entry_ = nullptr;
  MigWizTerminateProc terminate_ = nullptr;
  TWizardHostBridge bridge_;
  std::vector<MigWizWizard*> wizards_;
};

// The wizard libraries (*.so) of the folders, each folder in name order; a
// library of the same file name in a later folder replaces an earlier one.
std::vector<std::string> WizardLibraryFiles(const std::vector<std::string>& folders);

std::string WizardName(MigWizWizard* wizard);
std::string WizardIDString(MigWizWizard* wizard);

}  // namespace migwiz::platform
