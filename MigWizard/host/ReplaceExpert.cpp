#include "host/ReplaceExpert.h"

#include <QApplication>
#include <QCursor>
#include <QRadioButton>
#include <QLineEdit>

#include "dialogs/QtApplication.h"
#include "host/IDEUtils.h"
#include "host/RunWindow.h"
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

// A message of the system's own as a sentence: "cannot open ..." begins
// with a capital and ends with a full stop.
std::string Sentence(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  if (!text.empty() && text.back() != '.') text += '.';
  return text;
}

bool IsUnitName(const std::string& name) {
  const std::string ext = support::UpperCase(support::ExtractFileExt(name));
  return ext == ".PAS" || ext == ".DPR";
}

// The units a folder run will meet, as it looks for them.
size_t CountUnits(const std::string& dir, bool recursive, int depth = 0) {
  std::vector<platform::DirEntry> entries;
  if (depth > 64 || !platform::SystemFileSystem().ListDirectory(dir, entries)) return 0;
  size_t n = 0;
  for (const platform::DirEntry& e : entries) {
    if (e.isDirectory) {
      if (recursive) n += CountUnits(support::ConcatPath(dir, e.name), true, depth + 1);
    } else if (IsUnitName(e.name)) {
      ++n;
    }
  }
  return n;
}

// The log is opened by the wizard after the run, so that a log nobody can
// show is said to the user (the run itself would pass over it).
class TViewLogAfterRun {
 public:
  explicit TViewLogAfterRun(replace::TReplaceOptions& options) : options_(options), wanted_(options.ViewLog) {
    options_.ViewLog = false;
  }
  ~TViewLogAfterRun() { options_.ViewLog = wanted_; }
  bool Wanted() const { return wanted_ && options_.WriteLog; }

 private:
  replace::TReplaceOptions& options_;
  bool wanted_;
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
  } else if (!ConfirmFolderRun(options)) {
    return;
  }
  options.FromWizard = true;
  bool done = false;
  bool stopped = false;
  std::string error;
  TViewLogAfterRun viewLog(options);
  {
    TRunWindow run(*componentReplacer, TRunWindow::TKind::Replace, QApplication::activeWindow(),
                   env_.onProgress);
    try {
      done = componentReplacer->PerformReplace();
    } catch (const replace::ERunStopped&) {
      stopped = true;
    } catch (const std::exception& e) {
      error = e.what();
    }
  }
  if (stopped) {
    ShowMessage(caption, Res::SRunStoppedByUser, platform::MB_ICONINFORMATION);
    return;
  }
  if (!error.empty() || !done) {
    ShowReplaceFailed(*componentReplacer, caption, error);
    return;
  }
  if (projectMode) {
    for (int i = 0; i < TIDEUtils::GetUnitCount(); ++i) {
      const std::string name = TIDEUtils::GetUnitName(i);
      if (name.size() >= 4 && support::UpperCase(name.substr(name.size() - 4)) == ".PAS")
        TIDEUtils::ReloadFile(name);
    }
  }
  if (viewLog.Wanted()) ViewLog(*componentReplacer, caption);
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

// A folder run rewrites what it finds there: the user sees which folder and
// how much before it starts (the project run asks its own question).
bool TCompReplaceExpert::ConfirmFolderRun(const replace::TReplaceOptions& options) {
  const size_t units = CountUnits(options.Directory, options.IncludeSubDirs);
  if (units == 0) {
    // Nothing to convert: no run, so no log or report is left in the folder.
    ShowMessage(options.Caption(),
                support::FormatStr(options.IncludeSubDirs ? Res::SNoUnitsInTree : Res::SNoUnitsInFolder,
                                   {options.Directory}),
                platform::MB_ICONINFORMATION);
    return false;
  }
  const std::string note = support::FormatStr(
      Res::SNoteFolderFormat, {options.Directory, std::to_string(units),
                               options.IncludeSubDirs ? Res::SNoteWithSubfolders : ""});
  return dialogs::ShowSaveWarn(options.Caption(), dialogs::SaveWarnValueName(false, false), Res::SWarnFolder, note,
                               env_.saveWarn);
}

// What the command says of a failed run: the cause with its file, the
// read-only originals, the files left as they were, and where the log is.
void TCompReplaceExpert::ShowReplaceFailed(const TComponentReplacer& componentReplacer, const std::string& caption,
                                           const std::string& reason) {
  std::string text = Res::SReplaceFailed;
  if (!reason.empty()) text += "\n\n" + Sentence(reason);
  std::string readOnly;
  for (const std::string& warning : componentReplacer.Warnings())
    if (warning.rfind(support::FormatStr(Res::SReadOnlyOriginal, {""}), 0) == 0) readOnly += "\n" + warning;
  if (reason.empty() && !readOnly.empty()) {
    text += std::string("\n\n") + Res::SReadOnlyFailed + readOnly;
  } else if (reason.empty()) {
    text += std::string("\n\n") + Res::SCopyBackFailed;
    if (!componentReplacer.UndoFileName().empty())
      text += " " + support::FormatStr(Res::SCopyBackUndo, {componentReplacer.UndoFileName()});
  }
  if (!componentReplacer.LogFileName().empty())
    text += "\n\n" + support::FormatStr(Res::SLogFileIs, {componentReplacer.LogFileName()});
  ShowMessage(caption, text, platform::MB_ICONSTOP);
}

void TCompReplaceExpert::ViewLog(const TComponentReplacer& componentReplacer, const std::string& caption) {
  const std::string& log = componentReplacer.LogFileName();
  if (log.empty()) return;
  platform::IShell& shell = env_.shell ? *env_.shell : platform::DefaultShell();
  if (!shell.Open(log)) ShowMessage(caption, support::FormatStr(Res::SLogNotOpened, {log}), platform::MB_ICONSTOP);
}

// The success message names the run report and offers to open it; a run
// that changed nothing says that it kept the report of the run before.
void TCompReplaceExpert::ShowReplaceDone(const TComponentReplacer& componentReplacer,
                                         const std::string& caption) {
  std::string text = Res::SReplaceSucceeded;
  const std::string& report = componentReplacer.ReportFileName();
  if (!componentReplacer.ReportError().empty())
    text += "\n\n" + support::FormatStr(Res::SReportNotWritten, {componentReplacer.ReportError()});
  if (componentReplacer.ReportKept())
    text += std::string("\n\n") + Res::SNothingChanged + "\n" + componentReplacer.ReportPath();
  else if (componentReplacer.ChangedFiles().empty())
    text += std::string("\n\n") + Res::SNothingChangedNoReport;
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
  // The host asks what becomes of unsaved edits; Cancel there keeps the
  // project open and nothing is restored under it.
  if (!TIDEUtils::CloseProject()) return;
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
  bool restored = false;
  std::string why;
  {
    TRunWindow run(*replacer, TRunWindow::TKind::Restore, QApplication::activeWindow(), env_.onProgress);
    try {
      restored = replacer->PerformRestore(undoFile);
      why = replacer->RestoreError();
    } catch (const std::exception& e) {
      why = e.what();
    }
  }
  // Files changed after the run: restored over only when the user says so.
  if (!restored && !replacer->EditedFiles().empty()) {
    std::string files;
    for (const std::string& file : replacer->EditedFiles()) files += file + "\n";
    if (ShowMessage(caption, support::FormatStr(Res::SRestoreEditedQuestion, {files}),
                    platform::MB_ICONSTOP | platform::MB_YESNO) != platform::IDYES) {
      // The files are named in the question just answered; the command's --force means nothing here.
      why = support::FormatStr(Res::SRestoreEditedRefused, {std::to_string(replacer->EditedFiles().size())});
    } else {
      replacer->SetRestoreOverEdits(true);
      struct NoForce {
        TComponentReplacer* r;
        ~NoForce() { r->SetRestoreOverEdits(false); }
      } noForce{replacer};
      TRunWindow run(*replacer, TRunWindow::TKind::Restore, QApplication::activeWindow(), env_.onProgress);
      try {
        restored = replacer->PerformRestore(undoFile);
        why = replacer->RestoreError();
      } catch (const std::exception& e) {
        why = e.what();
      }
    }
  }
  if (restored)
    ShowMessage(caption, Res::SRestoreSucceeded, platform::MB_ICONINFORMATION);
  else
    ShowMessage(caption, std::string(Res::SRestoreFailed) + (why.empty() ? "" : "\n\n" + Sentence(why)),
                platform::MB_ICONSTOP);
}

int TCompReplaceExpert::ShowMessage(const std::string& caption, const std::string& text, int flags) {
  platform::IOTAApplication* app = platform::Application ? platform::Application : &dialogs::QtApplication();
  return app->MessageBox(text, caption, flags);
}

}  // namespace migwiz::host
