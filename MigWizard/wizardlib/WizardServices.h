// Inside a wizard library: the host's services table of WizardABI.h seen
// through the wizard's own interfaces (BorlandIDEServices, Application).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/OpenToolsAPI.h"
#include "wizardlib/WizardABI.h"

namespace migwiz::platform {

class TWizardServices : public IBorlandIDEServices,
                        public IOTAApplication,
                        private IOTAModuleServices,
                        private IOTAActionServices,
                        private INTAServices {
 public:
  // The table must outlive this object. Throws std::invalid_argument for a
  // table of another interface version.
  explicit TWizardServices(const MigWizIDEServices* table);
  ~TWizardServices() override;

  // Each throws EIntfCastError when the host's table lacks what it needs.
  IOTAModuleServices* ModuleServices() override;
  IOTAActionServices* ActionServices() override;
  INTAServices* NTAServices() override;

  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  void HandleException(const std::string& message) override;

  // The interface of a host module handle; null for NULL.
  IOTAModule* ModuleOf(MigWizModule handle);
  const MigWizIDEServices& Table() const { return *t_; }

 private:
  class Proxy;
  class Unit;
  class Project;
  class Group;
  class Editor;

  // IOTAModuleServices
  int ModuleCount() const override;
  IOTAModule* Module(int index) override;
  // IOTAActionServices
  bool OpenFile(const std::string& fileName) override;
  bool OpenProject(const std::string& projName, bool newProjGroup) override;
  bool ReloadFile(const std::string& fileName) override;
  // INTAServices
  std::vector<TMenuItemInfo> MainMenuItems() override;
  bool SetMenuItemCaption(const std::string& name, const std::string& caption) override;
  bool InsertMenuItem(std::unique_ptr<TMenuItem> item, const std::string& target,
                      bool insertAfter, bool insertAsChild) override;

  const MigWizIDEServices* t_;
  std::map<MigWizModule, std::pair<int, std::unique_ptr<IOTAModule>>> modules_;
};

// A string handed out by a host or wizard function of the form
// size_t f(..., char* buf, size_t size).
template <class F>
std::string FetchString(F&& call) {
  std::string buf(256, '\0');
  size_t n = call(buf.data(), buf.size());
  if (n >= buf.size()) {
    buf.assign(n + 1, '\0');
    n = call(buf.data(), buf.size());
  }
  buf.resize(std::min(n, buf.size() - 1));
  return buf;
}

// Copies s into buf as the string functions of WizardABI.h do.
size_t CopyString(const std::string& s, char* buf, size_t size);

}  // namespace migwiz::platform
