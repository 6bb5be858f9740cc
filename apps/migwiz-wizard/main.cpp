// migwiz-wizard: the wizard on the desktop without a host window. It runs
// the same wizard object and flow as the wizard library does in migwiz-ide,
// over a project opened from its .dpr or .dproj (or none).
// --screenshots DIR saves a picture of every page and of both confirmations
// instead, and never waits for a message box.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryFile>
#include <QStackedWidget>

#include <iostream>
#include <string_view>

#include "dialogs/DialogServices.h"
#include "dialogs/QtApplication.h"
#include "dialogs/RunProgress.h"
#include "dialogs/SaveWarn.h"
#include "dialogs/TarnWizard.h"
#include "host/ReplaceExpert.h"
#include "host/IDEUtils.h"
#include "platform/StandaloneIDE.h"
#include "replace/TarnReplacer.h"
#include "resources/RExpertRes.h"
#include "support/StrUtils.h"

using namespace migwiz;
namespace Res = RExpertRes;

namespace {

// Picture mode: messages go to the terminal, choosers are never opened.
class TPictureServices : public dialogs::IDialogServices {
 public:
  void ShowMessage(QWidget*, const QString& title, const QString& text, dialogs::TMessageKind) override {
    std::cerr << "(" << title.toStdString() << ") " << text.toStdString() << "\n";
  }
  std::optional<QString> GetOpenFileName(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> SelectDirectory(QWidget*, const QString&) override { return std::nullopt; }
};

void SaveWarnPicture(const std::string& caption, const QString& question, const QString& note, const QString& file) {
  dialogs::TSaveWarnForm warn;
  warn.setWindowTitle(QString::fromStdString(caption));
  warn.SetTexts(question, note);
  warn.show();
  QApplication::processEvents();
  warn.grab().save(file);
}

int SaveScreenshots(const host::TCompReplaceExpert& expert, const QString& dir) {
  QDir().mkpath(dir);
  TPictureServices services;
  auto form = dialogs::TarnWizardFormClass()(nullptr, &services);
  expert.PrepareDialog(*form);
  form->show();
  // Walk the replace pages once so that the unit list and the summary are
  // filled; a page that refuses to go on tells why on the terminal.
  for (int i = 0; i < 4; ++i) form->NextStep();
  const char* names[] = {"1-mode", "2-restore", "2-location", "3-units", "3-folder", "4-options", "5-final"};
  for (int page = 0; page < form->pcWizard->count(); ++page) {
    form->pcWizard->setCurrentIndex(page);
    form->UpdateActions();
    QApplication::processEvents();
    form->grab().save(dir + "/" + names[page] + ".png");
  }
  // The last page of a restore, walked to with an undo file that exists.
  QTemporaryFile undo(QDir::tempPath() + "/RExpert-XXXXXX.reu");
  undo.open();
  form->rbModeRestore->setChecked(true);
  form->edUndoFile->setText(undo.fileName());
  form->pcWizard->setCurrentIndex(dialogs::TWizardForm::Step1);
  form->NextStep();
  form->NextStep();
  QApplication::processEvents();
  form->grab().save(dir + "/5-final-restore.png");
  const std::string caption = expert.GetDefaultReplacer()->ReplaceOptions().Caption();
  for (bool restore : {false, true})
    SaveWarnPicture(caption, QString::fromUtf8(dialogs::SaveWarnQuestion(restore)),
                    QString::fromUtf8(dialogs::SaveWarnNote(!restore, restore)),
                    dir + (restore ? "/savewarn-restore.png" : "/savewarn-replace.png"));
  SaveWarnPicture(caption, QString::fromUtf8(Res::SWarnFolder),
                  QString::fromStdString(support::FormatStr(Res::SNoteFolderFormat,
                                                            {"/home/user/src/Orders", "42", Res::SNoteWithSubfolders})),
                  dir + "/savewarn-folder.png");
  // The progress window as a run shows it, before and after the point
  // where Cancel can no longer stop it.
  dialogs::TRunProgressForm progress;
  progress.setWindowTitle(QString::fromStdString(support::FormatStr(Res::SProgressCaption, {caption})));
  progress.SetStep(QString::fromUtf8(Res::SProgressForm), "/home/user/src/Orders/Main.dfm", 11, 40);
  progress.show();
  QApplication::processEvents();
  progress.grab().save(dir + "/progress-converting.png");
  progress.SetStep(QString::fromUtf8(Res::SProgressReplacing), "/home/user/src/Orders/Report.dfm", 61, 80);
  progress.DisableCancel();
  QApplication::processEvents();
  progress.grab().save(dir + "/progress-replacing.png");
  std::cout << "pictures saved in " << dir.toStdString() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that it works without a display.
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--version") return std::cout << "migwiz-wizard " MIGWIZ_VERSION "\n", 0;
  // Pictures need no screen: without a platform chosen they use the offscreen one.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if ((arg == "--screenshots" || arg.rfind("--screenshots=", 0) == 0) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("migwiz-wizard");  // no display name: it would be added to every title
  app.setApplicationVersion(MIGWIZ_VERSION);
  QCommandLineParser args;
  args.addHelpOption();
  args.addVersionOption();
  args.addOption({"project", "Project file (.dpr or .dproj) to open.", "file"});
  args.addOption({"screenshots", "Save a picture of every page into this folder.", "dir"});
  args.process(app);

  platform::TStandaloneIDE ide;
  platform::BorlandIDEServices = &ide;
  platform::Application = &dialogs::QtApplication();
  if (args.isSet("project") && !host::TIDEUtils::OpenProject(args.value("project").toStdString())) {
    std::cerr << "migwiz-wizard: " << ide.LastError() << "\n";
    return 1;
  }

  replace::TTarnProfile& profile = replace::TarnProfile();
  const platform::TOrrinProductMenu menu{"TarnbaseMenu", Res::SProductName, ""};
  platform::TIntf<host::TCompReplaceExpert> expert(new host::TCompReplaceExpert(
      dialogs::TarnWizardFormClass(), Res::SProductName, menu, profile.replacer.get()));
  if (args.isSet("screenshots")) return SaveScreenshots(*expert.get(), args.value("screenshots"));

  // One pick of the menu item, as a host would make it.
  const std::string item = host::TCompReplaceExpert::MenuItemName(profile.options.SourceName(), Res::SProductName);
  try {
    ide.Menu().FindItem(item)->OnClick();
  } catch (const std::exception& e) {
    platform::Application->HandleException(e.what());
    return 1;
  }
  return 0;
}
