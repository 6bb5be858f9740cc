#include "host/ReplaceExpert.h"

#include <QApplication>
#include <QCursor>
#include <QRadioButton>
#include <QLineEdit>

#include "dialogs/QtApplication.h"
#include "host/IDEUtils.h"
#include "platform/SettingsStore.h"
#include "profile/ProfileLoader.h"
#include "replace/TarnReplacer.h"
#include "resources/RExpertRes.h"
#include "support/Assert.h"
#include "support/StrUtils.h"

namespace migwiz::host {

namespace Res = RExpertRes;
using platform::RemoveAmpersands;
using replace::TComponentReplacer;

namespace {

// The dialog of the click that is running; LoadDesktop and SaveDesktop work on it.
dialogs::TWizardForm* CurrentDialog = nullptr;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The busy cursor for as long as a run takes.
class TBusyCursor {
 public:
  TBusyCursor() {
    if (qApp) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
  ~TBusyCursor() {
    if (qApp) QApplication::restoreOverrideCursor();
  }
};

}  // namespace

std::string TCompReplaceExpert::MenuItemName(const std::string& sourceName,
                                             const std::string& productName) {
  std::string source = sourceName;
  for (char& c : source)
    if (c == '/') c = '_';
  return Res::SMenuItemNamePrefix + source + RemoveAmpersands(productName);
}

TCompReplaceExpert::TCompReplaceExpert(dialogs::TWizardFormClass wizardFormClass,
                                       std::string productName,
                                       const platform::TOrrinProductMenu& wizardMenu,
                                       TComponentReplacer* componentReplacer, TExpertEnvironment env)
    : FProductName(std::move(productName)),
      FWizardFormClass(std::move(wizardFormClass)),
      env_(std::move(env)),
      self_(std::make_shared<TCompReplaceExpert*>(this)) {
  RegisterReplacer(componentReplacer);
  const std::string name = MenuItemName(GetDefaultReplacer()->ReplaceOptions().SourceName(), FProductName);
  std::weak_ptr<TCompReplaceExpert*> self = self_;
  TIDEUtils::AddWizard(wizardMenu, Res::SMenuItemCaption, name, [self] {
    auto alive = self.lock();
    if (alive && *alive) (*alive)->MenuClick();
  });
}

TCompReplaceExpert::~TCompReplaceExpert() { *self_ = nullptr; }

int32_t TCompReplaceExpert::QueryInterface(const platform::TGUID& iid, void** obj) {
  if (iid == platform::IOTAWizard::IID || iid == platform::IID_IInterface) {
    *obj = static_cast<platform::IOTAWizard*>(this);
    AddRef();
    return platform::S_OK;
  }
  *obj = nullptr;
  return platform::E_NOINTERFACE;
}

std::string TCompReplaceExpert::GetIDString() {
  return support::FormatStr(Res::SWizardIDFormat, {GetDefaultReplacer()->ReplaceOptions().SourceName()}) +
         "." + RemoveAmpersands(FProductName);
}

std::string TCompReplaceExpert::GetName() { return GetDefaultReplacer()->ReplaceOptions().Caption(); }

void TCompReplaceExpert::RegisterReplacer(TComponentReplacer* componentReplacer) {
  FReplacers.push_back(componentReplacer);
}

TComponentReplacer* TCompReplaceExpert::GetReplacer(int replacerIndex) const {
  support::Assert(replacerIndex >= 0 && replacerIndex < static_cast<int>(FReplacers.size()),
                  "ReplaceExpert", "replacer index out of range");
  return FReplacers[replacerIndex];
}

TComponentReplacer* TCompReplaceExpert::GetDefaultReplacer() const {
  support::Assert(!FReplacers.empty(), "ReplaceExpert", "no replacer registered");
  return FReplacers.front();
}

std::unique_ptr<platform::TCustomIniFile> TCompReplaceExpert::OpenSettings() const {
  if (env_.openSettings) return env_.openSettings();
  return std::make_unique<platform::TSettingsStore>(Res::SSettingsRootKey);
}

// The store is opened for each use and closed right after, so that what the
// confirmation wrote through a store of its own is never overwritten by a
// copy read before it.
void TCompReplaceExpert::LoadDesktop() {
  std::unique_ptr<platform::TCustomIniFile> ini = OpenSettings();
  replace::TReplaceOptions& options = GetDefaultReplacer()->ReplaceOptions();
  options.LoadFromIniFile(*ini, options.Caption());
  CurrentDialog->LoadState(*ini, options.Caption());
}

void TCompReplaceExpert::SaveDesktop() {
  std::unique_ptr<platform::TCustomIniFile> ini = OpenSettings();
  replace::TReplaceOptions& options = GetDefaultReplacer()->ReplaceOptions();
  options.SaveToIniFile(*ini, options.Caption());
  CurrentDialog->SaveState(*ini, options.Caption());
}

void TCompReplaceExpert::PrepareDialog(dialogs::TWizardForm& dialog) const {
  const std::string product = RemoveAmpersands(FProductName);
  replace::TReplaceOptions& options = GetDefaultReplacer()->ReplaceOptions();
  dialog.SetProductName(Q(product));
  dialog.SetReplaceOptions(&options);
  dialog.SetLabel2Caption(Q(options.SourceName()), Q(product));
  dialog.rbModeReplace->setText(Q(support::FormatStr(Res::SModeReplaceFormat, {options.SourceName()})));
}

void TCompReplaceExpert::MenuClick() {
  std::unique_ptr<dialogs::TWizardForm> dialog =
      FWizardFormClass(QApplication::activeWindow(), env_.dialogServices);
  dialogs::TWizardForm* previous = CurrentDialog;
  CurrentDialog = dialog.get();
  struct Restore {
    dialogs::TWizardForm* previous;
    ~Restore() { CurrentDialog = previous; }
  } restore{previous};

  PrepareDialog(*dialog);
  LoadDesktop();
  const int result = env_.execDialog ? env_.execDialog(*dialog) : dialog->exec();
  if (result != QDialog::Accepted) return;
  const int mode = dialog->GetWizardMode();
  if (mode == dialogs::TWizardForm::kRestoreMode)
    PerformRestore(dialog->edUndoFile->text().toStdString());
  else
    PerformReplace(GetReplacer(mode));
  SaveDesktop();
}

void TCompReplaceExpert::PerformReplace(TComponentReplacer* componentReplacer) {
  replace::TReplaceOptions& options = componentReplacer->ReplaceOptions();
  const std::string caption = options.Caption();
  if (!UseProfileOf(*componentReplacer, caption)) return;
  const bool projectMode = options.Dest == replace::TSearchDestination::sdProject;
  const std::string projectName = TIDEUtils::GetProjectName();
  if (projectMode) {
    if (!projectName.empty() && !dialogs::ShowSaveWarn(caption, true, false, env_.saveWarn)) return;
    if (!TIDEUtils::SaveProject()) {
      ShowMessage(caption, std::string(Res::SCannotStartReplace) + "\n" + Res::SProjectNotSaved,
                  platform::MB_ICONINFORMATION);
      return;
    }
    HideProjectForms();
  }
  bool done;
  {
    TBusyCursor busy;
    done = componentReplacer->PerformReplace();
  }
  if (!done) {
    ShowMessage(caption, Res::SReplaceFailed, platform::MB_ICONSTOP);
    return;
  }
  if (projectMode) {
    for (int i = 0; i < TIDEUtils::GetUnitCount(); ++i) {
      const std::string name = TIDEUtils::GetUnitName(i);
      if (name.size() >= 4 && support::UpperCase(name.substr(name.size() - 4)) == ".PAS")
        TIDEUtils::ReloadFile(name);
    }
  }
  ShowReplaceDone(*componentReplacer, caption);
}

// The profile the settings name (the built-in one when none); one that does
// not validate stops the run before anything is read or saved.
bool TCompReplaceExpert::UseProfileOf(TComponentReplacer& componentReplacer, const std::string& caption) {
  const std::string& file = componentReplacer.ReplaceOptions().ProfileFile;
  if (file.empty()) {
    replace::UseProfile(componentReplacer, profile::BuiltinProfile());
    return true;
  }
  profile::TProfileCheck check = profile::CheckProfileFile(file);
  if (!check.Ok()) {
    std::string text = support::FormatStr(Res::SProfileInvalid, {file});
    for (const profile::TProfileIssue& issue : check.Issues) text += "\n" + issue.Text();
    ShowMessage(caption, text, platform::MB_ICONSTOP);
    return false;
  }
  replace::UseProfile(componentReplacer, check.Profile);
  return true;
}

// The success message names the run report and offers to open it.
void TCompReplaceExpert::ShowReplaceDone(const TComponentReplacer& componentReplacer,
                                         const std::string& caption) {
  std::string text = Res::SReplaceSucceeded;
  const std::string& report = componentReplacer.ReportFileName();
  if (!componentReplacer.ReportError().empty())
    text += "\n\n" + support::FormatStr(Res::SReportNotWritten, {componentReplacer.ReportError()});
  if (report.empty()) {
    ShowMessage(caption, text, platform::MB_ICONINFORMATION);
    return;
  }
  text += "\n\n" + std::string(Res::SReportWrittenTo) + "\n" + report + "\n\n" + Res::SOpenReportQuestion;
  if (ShowMessage(caption, text, platform::MB_ICONINFORMATION | platform::MB_YESNO) != platform::IDYES) return;
  platform::IShell& shell = env_.shell ? *env_.shell : platform::DefaultShell();
  if (!shell.Open(report))
    ShowMessage(caption, support::FormatStr(Res::SReportNotOpened, {report}), platform::MB_ICONSTOP);
}

void TCompReplaceExpert::HideProjectForms() {
  platform::IOTAModuleServices* modules = TIDEUtils::GetModuleServices();
  if (!modules) return;
  platform::IOTAProject* active = TIDEUtils::GetActiveProject();
  for (int i = 0; i < modules->ModuleCount(); ++i) {
    platform::IOTAModule* module = modules->Module(i);
    if (!module) continue;
    platform::IOTASourceEditor* source = nullptr;
    for (int e = 0; e < module->GetModuleFileCount() && !source; ++e)
      source = dynamic_cast<platform::IOTASourceEditor*>(module->GetModuleFileEditor(e));
    if (!source || module->GetModuleFileCount() <= 1) continue;
    for (int o = 0; o < module->GetOwnerCount(); ++o) {
      if (module->GetOwner(o) == active) {
        source->Show();
        break;
      }
    }
  }
}

void TCompReplaceExpert::PerformRestore(const std::string& undoFile) {
  TComponentReplacer* replacer = GetDefaultReplacer();
  const std::string caption = replacer->ReplaceOptions().Caption();
  if (!dialogs::ShowSaveWarn(caption, false, true, env_.saveWarn)) return;
  const std::string projectName = TIDEUtils::GetProjectName();
  TIDEUtils::CloseProject();
  // The project comes back whatever the restore did.
  struct Reopen {
    const std::string& name;
    ~Reopen() {
      try {
        TIDEUtils::OpenProject(name);
      } catch (...) {  // the error of the restore, if any, is the one to show
      }
    }
  } reopen{projectName};
  bool restored;
  {
    TBusyCursor busy;
    restored = replacer->PerformRestore(undoFile);
  }
  if (restored)
    ShowMessage(caption, Res::SRestoreSucceeded, platform::MB_ICONINFORMATION);
  else
    ShowMessage(caption, Res::SRestoreFailed, platform::MB_ICONSTOP);
}

int TCompReplaceExpert::ShowMessage(const std::string& caption, const std::string& text, int flags) {
  platform::IOTAApplication* app = platform::Application ? platform::Application : &dialogs::QtApplication();
  return app->MessageBox(text, caption, flags);
}

}  // namespace migwiz::host
