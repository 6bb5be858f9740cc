#include "host/IDEUtils.h"

#include "support/StrUtils.h"

namespace migwiz::host {

using namespace platform;

IOTAModuleServices* TIDEUtils::GetModuleServices() {
  return BorlandIDEServices ? BorlandIDEServices->ModuleServices() : nullptr;
}

IOTAActionServices* TIDEUtils::GetActionServices() {
  return BorlandIDEServices ? BorlandIDEServices->ActionServices() : nullptr;
}

IOTAProjectGroup* TIDEUtils::GetProjectGroup() {
  IOTAModuleServices* services = GetModuleServices();
  if (!services) return nullptr;
  for (int i = 0; i < services->ModuleCount(); ++i)
    if (auto* group = dynamic_cast<IOTAProjectGroup*>(services->Module(i))) return group;
  return nullptr;
}

IOTAProject* TIDEUtils::GetActiveProject() {
  IOTAProjectGroup* group = GetProjectGroup();
  return group ? group->ActiveProject() : nullptr;
}

std::string TIDEUtils::GetProjectName() {
  IOTAProject* project = GetActiveProject();
  return project ? project->FileName() : std::string();
}

bool TIDEUtils::SaveProject() {
  IOTAProject* project = GetActiveProject();
  return project && project->Save(false, true);
}

bool TIDEUtils::CloseProject() {
  IOTAProjectGroup* group = GetProjectGroup();
  return group ? group->Close() : true;
}

bool TIDEUtils::OpenProject(const std::string& projName) {
  IOTAActionServices* actions = GetActionServices();
  return actions && actions->OpenProject(projName, true);
}

bool TIDEUtils::OpenFile(const std::string& fileName) {
  IOTAActionServices* actions = GetActionServices();
  return actions && actions->OpenFile(fileName);
}

bool TIDEUtils::ReloadFile(const std::string& fileName) {
  IOTAActionServices* actions = GetActionServices();
  return actions && actions->ReloadFile(fileName);
}

int TIDEUtils::GetUnitCount() {
  IOTAProject* project = GetActiveProject();
  return project ? project->GetModuleCount() : 0;
}

std::string TIDEUtils::GetUnitName(int ind) {
  IOTAProject* project = GetActiveProject();
  return project ? project->GetModuleFileName(ind) : std::string();
}

void TIDEUtils::AddWizard(const TOrrinProductMenu& mainMenu, const std::string& caption,
                          const std::string& name, std::function<void()> clickEvent) {
  INTAServices* nta = BorlandIDEServices ? BorlandIDEServices->NTAServices() : nullptr;
  if (!nta) throw EIntfCastError();  // a host without menus cannot take a wizard
  const std::vector<TMenuItemInfo> menu = nta->MainMenuItems();
  const TMenuItemInfo* productItem = nullptr;
  bool clash = false;
  const std::string wanted = support::UpperCase(RemoveAmpersands(mainMenu.Caption));
  for (const TMenuItemInfo& item : menu) {
    if (item.Name == mainMenu.Name) {
      productItem = &item;
      break;
    }
    if (!mainMenu.SecondCaption.empty() &&
        support::UpperCase(RemoveAmpersands(item.Caption)) == wanted)
      clash = true;
  }
  const std::string& useCaption = clash ? mainMenu.SecondCaption : mainMenu.Caption;
  if (productItem) {
    nta->SetMenuItemCaption(productItem->Name, useCaption);
  } else {
    auto created = std::make_unique<TMenuItem>();
    created->Name = mainMenu.Name;
    created->Caption = useCaption;
    std::string before = menu.empty() ? std::string() : menu.back().Name;
    nta->InsertMenuItem(std::move(created), before, false, false);
  }
  auto item = std::make_unique<TMenuItem>();
  item->Name = name;
  item->Caption = caption;
  item->OnClick = std::move(clickEvent);
  nta->InsertMenuItem(std::move(item), mainMenu.Name, true, true);
}

}  // namespace migwiz::host
