// What the wizard asks of its host's project model and menus: the open
// modules, the project group and its active project, file actions, and the
// main menu. A host fills in BorlandIDEServices.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace migwiz::platform {

class IOTAModule {
 public:
  virtual ~IOTAModule() = default;
  virtual std::string FileName() const = 0;
};

class IOTAProject : public IOTAModule {
 public:
  virtual bool Save(bool changeName, bool forceSave) = 0;
  virtual int GetModuleCount() const = 0;
  virtual std::string GetModuleFileName(int index) const = 0;
};

class IOTAProjectGroup : public IOTAModule {
 public:
  virtual IOTAProject* ActiveProject() = 0;
  virtual bool Close() = 0;
};

class IOTAModuleServices {
 public:
  virtual ~IOTAModuleServices() = default;
  virtual int ModuleCount() const = 0;
  virtual IOTAModule* Module(int index) = 0;
};

class IOTAActionServices {
 public:
  virtual ~IOTAActionServices() = default;
  virtual bool OpenFile(const std::string& fileName) = 0;
  virtual bool OpenProject(const std::string& projName, bool newProjGroup) = 0;
  virtual bool ReloadFile(const std::string& fileName) = 0;
};

struct TMenuItem {
  std::string Name;     // component name
  std::string Caption;
  std::function<void()> OnClick;
  std::vector<std::unique_ptr<TMenuItem>> Items;
};

class INTAServices {
 public:
  virtual ~INTAServices() = default;
  virtual TMenuItem& MainMenu() = 0;
  // Inserts item before or after the item named target, or as its child.
  virtual bool InsertMenuItem(std::unique_ptr<TMenuItem> item, const std::string& target,
                              bool insertAfter, bool insertAsChild) = 0;
};

class IBorlandIDEServices {
 public:
  virtual ~IBorlandIDEServices() = default;
  virtual IOTAModuleServices* ModuleServices() = 0;
  virtual IOTAActionServices* ActionServices() = 0;
  virtual INTAServices* NTAServices() = 0;
};

// The host's services; null when there is no host.
extern IBorlandIDEServices* BorlandIDEServices;

// A main menu that inserts items by name: the menu part of a host.
class TMenuModel : public INTAServices {
 public:
  TMenuItem& MainMenu() override { return root_; }
  bool InsertMenuItem(std::unique_ptr<TMenuItem> item, const std::string& target,
                      bool insertAfter, bool insertAsChild) override;
  TMenuItem* FindItem(const std::string& name);

 private:
  TMenuItem root_;
};

}  // namespace migwiz::platform
