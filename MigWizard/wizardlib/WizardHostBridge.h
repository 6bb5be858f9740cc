// In a host: its services handed to a wizard library as the table of
// WizardABI.h. One bridge per library, so that the clicks of a library's
// menu items can be made harmless before the library is unloaded.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/OpenToolsAPI.h"
#include "wizardlib/WizardABI.h"

namespace migwiz::platform {

class TWizardHostBridge {
 public:
  TWizardHostBridge(IBorlandIDEServices& ide, IOTAApplication& app);
  ~TWizardHostBridge();
  TWizardHostBridge(const TWizardHostBridge&) = delete;
  TWizardHostBridge& operator=(const TWizardHostBridge&) = delete;

  const MigWizIDEServices* Table() const { return &table_; }
  // Called for each wizard the library registers.
  std::function<void(MigWizWizard*)> OnRegister;
  static int RegisterProc(void* host, MigWizWizard* wizard);

  // Gives every click handler back to the library and makes its menu items
  // do nothing from now on. Call before unloading the library.
  void Detach();

  struct TClick;

 private:
  IBorlandIDEServices& ide_;
  IOTAApplication& app_;
  MigWizIDEServices table_{};
  std::vector<std::shared_ptr<TClick>> clicks_;

  friend struct TBridgeCalls;
};

}  // namespace migwiz::platform
