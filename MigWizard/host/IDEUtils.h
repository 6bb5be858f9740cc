// The one place where the wizard talks to its host about projects, files
// and menus.
#pragma once

#include <functional>
#include <string>

#include "platform/OpenToolsAPI.h"
#include "platform/ProductMenu.h"

namespace migwiz::host {

class TIDEUtils {
 public:
  TIDEUtils() = delete;

  static platform::IOTAModuleServices* GetModuleServices();
  static platform::IOTAProject* GetActiveProject();
  static std::string GetProjectName();
  static bool SaveProject();
  static bool CloseProject();
  static bool OpenProject(const std::string& projName);
  static bool OpenFile(const std::string& fileName);
  static bool ReloadFile(const std::string& fileName);
  static int GetUnitCount();
  static std::string GetUnitName(int ind);
  static void AddWizard(const platform::TOrrinProductMenu& mainMenu, const std::string& caption,
                        const std::string& name, std::function<void()> clickEvent);

 private:
  static platform::IOTAActionServices* GetActionServices();
  static platform::IOTAProjectGroup* GetProjectGroup();
};

}  // namespace migwiz::host
