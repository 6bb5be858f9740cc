// The wizard object: the menu item "&Migration Wizard" in the product's
// menu, the replacers it can run, the dialog it shows, and the flow behind
// the menu item (dialog, confirmation, saving, hiding, closing and
// reopening the project around a run, closing messages).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/RunProgress.h"
#include "dialogs/SaveWarn.h"
#include "dialogs/Wizard.h"
#include "platform/IniFile.h"
#include "platform/OpenToolsAPI.h"
#include "platform/ProductMenu.h"
#include "platform/Shell.h"
#include "replace/Replacer.h"

namespace migwiz::host {

// What a click needs from its surroundings; tests put their own in.
struct TExpertEnvironment {
  // Opens the settings store on the wizard's root key; null opens the per-user store.
  std::function<std::unique_ptr<platform::TCustomIniFile>()> openSettings;
  // Shows the dialog modally and returns its result; null runs exec().
  std::function<int(dialogs::TWizardForm&)> execDialog;
  // Choosers and messages of the dialog; null uses the toolkit's.
  dialogs::IDialogServices* dialogServices = nullptr;
  dialogs::TSaveWarnEnvironment saveWarn;
  // Opens the run report when the user asks; null uses the desktop's.
  platform::IShell* shell = nullptr;
  // Called after each step the progress window shows (tests press Cancel here).
  std::function<void(dialogs::TRunProgressForm&)> onProgress;
};

class TCompReplaceExpert : public platform::TInterfacedObject, public platform::IOTAWizard {
 public:
  TCompReplaceExpert(dialogs::TWizardFormClass wizardFormClass, std::string productName,
                     const platform::TOrrinProductMenu& wizardMenu,
                     replace::TComponentReplacer* componentReplacer,
                     TExpertEnvironment env = {});
  ~TCompReplaceExpert() override;

  // IInterface
  int32_t QueryInterface(const platform::TGUID& iid, void** obj) override;
  uint32_t AddRef() override { return DoAddRef(); }
  uint32_t Release() override { return DoRelease(); }
  // IOTAWizard
  void AfterSave() override {}
  void BeforeSave() override {}
  void Destroyed() override {}
  void Modified() override {}
  std::string GetIDString() override;
  std::string GetName() override;
  platform::TWizardState GetState() override { return 0; }
  void Execute() override {}

  void RegisterReplacer(replace::TComponentReplacer* componentReplacer);
  replace::TComponentReplacer* GetReplacer(int replacerIndex) const;
  replace::TComponentReplacer* GetDefaultReplacer() const;

  void LoadDesktop();
  void SaveDesktop();
  void PerformReplace(replace::TComponentReplacer* componentReplacer);
  void PerformRestore(const std::string& undoFile);

  // What a click does to its dialog before loading its state: product name,
  // options, welcome text and the Replace caption.
  void PrepareDialog(dialogs::TWizardForm& dialog) const;

  const std::string& ProductName() const { return FProductName; }
  // The component name of the menu item: "RExpertItem" + source name + product.
  static std::string MenuItemName(const std::string& sourceName, const std::string& productName);

 private:
  void MenuClick();
  void HideProjectForms();
  void ShowReplaceDone(const replace::TComponentReplacer& componentReplacer, const std::string& caption);
  // Before a folder run: the folder and how many units it holds.
  bool ConfirmFolderRun(const replace::TReplaceOptions& options);
  // Why a run failed, as the command says it: the file, the reason, the log.
  void ShowReplaceFailed(const replace::TComponentReplacer& componentReplacer, const std::string& caption,
                         const std::string& reason);
  void ViewLog(const replace::TComponentReplacer& componentReplacer, const std::string& caption);
  bool UseProfileOf(replace::TComponentReplacer& componentReplacer, const std::string& caption);
  int ShowMessage(const std::string& caption, const std::string& text, int flags);
  std::unique_ptr<platform::TCustomIniFile> OpenSettings() const;

  std::string FProductName;
  dialogs::TWizardFormClass FWizardFormClass;
  std::vector<replace::TComponentReplacer*> FReplacers;
  TExpertEnvironment env_;
  // The menu item's way back to this object; cleared when it is destroyed,
  // since the item stays in the host's menu.
  std::shared_ptr<TCompReplaceExpert*> self_;
};

}  // namespace migwiz::host
