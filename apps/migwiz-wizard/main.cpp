// migwiz-wizard: the wizard dialog on the desktop, over a project opened
// from its .dpr or .dproj (or none), running the replace or restore the
// user sets up. --screenshots DIR saves a picture of every page instead.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QStackedWidget>

#include <iostream>
#include <string_view>

#include "dialogs/DialogServices.h"
#include "dialogs/SaveWarn.h"
#include "dialogs/TarnWizard.h"
#include "host/IDEUtils.h"
#include "platform/SettingsStore.h"
#include "platform/StandaloneIDE.h"
#include "replace/TarnReplacer.h"
#include "resources/RExpertRes.h"

using namespace migwiz;
namespace Res = RExpertRes;

namespace {

int SaveScreenshots(dialogs::TWizardForm& form, const QString& dir) {
  QDir().mkpath(dir);
  form.show();
  // Walk the replace pages once, so that the unit list and summary are filled.
  for (int i = 0; i < 4; ++i) form.NextStep();
  const char* names[] = {"1-mode", "2-restore", "2-location", "3-units", "3-folder", "4-options", "5-final"};
  for (int page = 0; page < form.pcWizard->count(); ++page) {
    form.pcWizard->setCurrentIndex(page);
    form.UpdateActions();
    QApplication::processEvents();
    form.grab().save(dir + "/" + names[page] + ".png");
  }
  dialogs::TSaveWarnForm warn;
  warn.setWindowTitle("BDE Migration Wizard");
  warn.lblWarn->setText(Res::SWarnSave);
  warn.lblNote->setText(Res::SNoteFormsHidden);
  warn.lblNote->adjustSize();
  warn.show();
  QApplication::processEvents();
  warn.grab().save(dir + "/savewarn.png");
  std::cout << "pictures saved in " << dir.toStdString() << "\n";
  return 0;
}

void Tell(QWidget* parent, const std::string& caption, const char* text, dialogs::TMessageKind kind) {
  dialogs::DefaultDialogServices().ShowMessage(parent, QString::fromStdString(caption), text, kind);
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that it works without a display.
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--version") return std::cout << "migwiz-wizard " MIGWIZ_VERSION "\n", 0;
  QApplication app(argc, argv);
  app.setApplicationVersion(MIGWIZ_VERSION);
  QCommandLineParser args;
  args.addHelpOption();
  args.addVersionOption();
  args.addOption({"project", "Project file (.dpr or .dproj) to open.", "file"});
  args.addOption({"screenshots", "Save a picture of every page into this folder.", "dir"});
  args.process(app);

  platform::TStandaloneIDE ide;
  platform::BorlandIDEServices = &ide;
  if (args.isSet("project") && !host::TIDEUtils::OpenProject(args.value("project").toStdString())) {
    std::cerr << "migwiz-wizard: " << ide.LastError() << "\n";
    return 1;
  }

  replace::TTarnProfile& profile = replace::TarnProfile();
  const std::string caption = profile.options.Caption();
  dialogs::TTarnWizardForm form;
  form.SetProductName(QString::fromUtf8(Res::SProductName).remove('&'));
  form.SetReplaceOptions(&profile.options);
  form.SetLabel2Caption(QString::fromStdString(profile.options.SourceName()), form.ProductName());
  if (args.isSet("screenshots")) return SaveScreenshots(form, args.value("screenshots"));

  platform::TSettingsStore settings(Res::SSettingsRootKey);
  profile.options.LoadFromIniFile(settings, caption);
  form.LoadState(settings, caption);
  if (form.exec() != QDialog::Accepted) return 0;

  try {
    if (form.GetWizardMode() == dialogs::TWizardForm::kRestoreMode) {
      if (dialogs::ShowSaveWarn(caption, false, true)) {
        bool ok = profile.replacer->PerformRestore(form.edUndoFile->text().toStdString());
        Tell(nullptr, caption, ok ? Res::SRestoreSucceeded : Res::SRestoreFailed,
             ok ? dialogs::TMessageKind::Information : dialogs::TMessageKind::Error);
      }
    } else {
      bool project = profile.options.Dest == replace::TSearchDestination::sdProject;
      if (!project || host::TIDEUtils::GetProjectName().empty() ||
          dialogs::ShowSaveWarn(caption, true, false)) {
        bool ok = profile.replacer->PerformReplace();
        Tell(nullptr, caption, ok ? Res::SReplaceSucceeded : Res::SReplaceFailed,
             ok ? dialogs::TMessageKind::Information : dialogs::TMessageKind::Error);
      }
    }
  } catch (const std::exception& e) {
    Tell(nullptr, caption, e.what(), dialogs::TMessageKind::Error);
  }
  profile.options.SaveToIniFile(settings, caption);
  form.SaveState(settings, caption);
  return 0;
}
