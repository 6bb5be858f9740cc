// migwiz-ide: a small IDE window that hosts wizard libraries. It opens a
// Delphi project, shows its units and forms, and loads every wizard from
// its plug-in folders, which put their items into its main menu.
// --screenshots DIR saves pictures of the window instead of running it;
// --list-plugins prints the wizard libraries it loaded and quits.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>

#include <functional>

#include <iostream>
#include <string_view>

#include "IdeWindow.h"

using namespace migwiz;

namespace {

// The window with the menu of the named top-level item unfolded over it.
QImage WindowWithMenu(ide::TIdeWindow& window, const QString& menuName) {
  QImage picture = window.grab().toImage();
  QAction* action = window.FindMenuAction(menuName);
  if (!action || !action->menu()) return picture;
  QMenu* menu = action->menu();
  const QRect item = window.menuBar()->actionGeometry(action);
  // The menu as it unfolds under its title, drawn into the picture (a
  // popup is a window of its own, which grabbing the main window leaves out).
  menu->popup(window.menuBar()->mapToGlobal(item.bottomLeft()));
  QApplication::processEvents();
  const QPixmap unfolded = menu->grab();
  menu->hide();
  QPainter painter(&picture);
  painter.drawPixmap(window.menuBar()->mapTo(&window, item.bottomLeft()), unfolded);
  painter.end();
  return picture;
}

// Grabs and answers each modal window that comes up while a step runs:
// what a user would see, taken without waiting for anyone.
class TPictureDriver {
 public:
  using Act = std::function<bool(QWidget* modal)>;  // false: nothing more to do for this window
  explicit TPictureDriver(Act act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal && modal->isVisible()) act_(modal);
    });
    timer_.start(0);
  }

 private:
  Act act_;
  QTimer timer_;
};

QPushButton* Button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(name); }

// The wizard's pages as its menu item opens them over the project: the
// replace pages to the last, then the restore page with the message it
// gives for an undo file that is not there. Nothing is run.
void WizardPictures(ide::TIdeWindow& window, const QString& dir, QStringList& saved) {
  QAction* item = window.FindMenuAction("RExpertItemBDETarnbase");
  if (!item) return;
  auto save = [&](QWidget* w, const QString& name) {
    w->grab().save(dir + "/" + name);
    if (!saved.contains(name)) saved << name;
  };
  const char* pages[] = {"wizard-1-mode.png",    "wizard-2-restore.png", "wizard-2-location.png", "wizard-3-units.png",
                         "wizard-3-folder.png",  "wizard-4-options.png", "wizard-5-final.png"};
  bool restore = false;
  bool asked = false;
  bool answered = false;
  int lastPage = -1;
  TPictureDriver driver([&](QWidget* modal) {
    auto* stack = modal->findChild<QStackedWidget*>("pcWizard");
    if (!stack) {  // a message of the wizard's
      save(modal, "wizard-message.png");
      if (auto* box = qobject_cast<QDialog*>(modal)) box->reject();
      answered = true;
      return false;
    }
    const int page = stack->currentIndex();
    if (page == lastPage && !restore) return false;
    if (page != lastPage) save(modal, pages[page]);
    lastPage = page;
    if (restore) {
      if (page == 0) {
        modal->findChild<QRadioButton*>("rbModeRestore")->click();
        Button(modal, "btNext")->click();
      } else if (page == 1 && !asked) {
        asked = true;
        modal->findChild<QLineEdit*>("edUndoFile")->setText(dir + "/none/RExpert.reu");
        // Refused with a message, which comes up inside the click: the click
        // runs from the event queue so that this driver can take the message.
        QMetaObject::invokeMethod(Button(modal, "btNext"), "click", Qt::QueuedConnection);
      } else if (page == 1 && answered) {
        Button(modal, "btCancel")->click();
      }
      return true;
    }
    QPushButton* next = Button(modal, "btNext");
    if (next->isEnabled()) next->click();
    else Button(modal, "btCancel")->click();
    return true;
  });
  item->trigger();
  restore = true;
  lastPage = -1;
  item->trigger();
}

int SaveScreenshots(ide::TIdeWindow& window, const QString& dir) {
  QDir().mkpath(dir);
  window.OnMessage = [](const std::string& text, const std::string& caption, int) {
    std::cerr << "(" << caption << ") " << text << "\n";
  };
  window.OnException = [](const std::string& message) { std::cerr << message << "\n"; };
  window.show();
  QApplication::processEvents();
  QStringList saved;
  window.grab().save(dir + "/ide-project.png");
  WindowWithMenu(window, "TarnbaseMenu").save(dir + "/ide-menu.png");
  saved << "ide-project.png" << "ide-menu.png";
  if (!window.Modules().empty()) {
    // The question every close of a project with unsaved edits asks.
    ide::TEditorModule* page = window.Modules().front().get();
    page->SourceEdit()->appendPlainText(" ");
    {
      TPictureDriver driver([&](QWidget* modal) {
        modal->grab().save(dir + "/ide-save-changes.png");
        if (auto* box = qobject_cast<QDialog*>(modal)) box->reject();
        return false;
      });
      window.QuerySaveModified();
      saved << "ide-save-changes.png";
    }
    page->SourceEdit()->undo();
    page->SourceEdit()->document()->setModified(false);
    WizardPictures(window, dir, saved);
  }
  std::cout << "pictures saved in " << dir.toStdString() << ": " << saved.join(", ").toStdString() << "\n";
  return 0;
}

// Pictures and the list of plug-ins need no screen: without a platform
// chosen they use the offscreen one.
void NoScreenNeeded(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "--list-plugins" || arg == "--screenshots" || arg.rfind("--screenshots=", 0) == 0) {
      if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      return;
    }
  }
}

// Each library loaded with the wizards it registered; 1 when one could not be loaded.
int ListPlugins(const ide::TIdeWindow& window) {
  for (const auto& library : window.Wizards()) {
    std::cout << library->FileName() << "\n";
    for (MigWizWizard* wizard : library->Wizards())
      std::cout << "  " << platform::WizardName(wizard) << " (" << platform::WizardIDString(wizard) << ")\n";
  }
  return window.WizardErrors().isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that it works without a display.
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--version") return std::cout << "migwiz-ide " MIGWIZ_VERSION "\n", 0;
  NoScreenNeeded(argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName("migwiz-ide");
  // No display name: the window system would add it to every title,
  // the wizard's and its message boxes' included, and cut them.
  app.setApplicationVersion(MIGWIZ_VERSION);
  QCommandLineParser args;
  args.setApplicationDescription("A host window for migration wizards.");
  args.addHelpOption();
  args.addVersionOption();
  args.addOption({"project", "Project file (.dpr or .dproj) to open.", "file"});
  args.addOption({"plugin-dir", "Also load the wizard libraries of this folder (may be repeated).", "dir"});
  args.addOption({"list-plugins", "Print the wizard libraries loaded and their wizards, and quit."});
  args.addOption({"screenshots", "Save pictures of the window into this folder and quit.", "dir"});
  args.addPositionalArgument("project", "Project file to open.", "[project]");
  args.process(app);

  ide::TIdeWindow window;
  // A picture run leaves File > Reopen as it was.
  window.SetRememberProjects(!args.isSet("screenshots"));
  window.LoadWizards(ide::PluginFolders(QCoreApplication::applicationDirPath(),
                                        qgetenv(ide::kPluginPathVariable), args.values("plugin-dir")));
  for (const QString& error : window.WizardErrors()) std::cerr << "migwiz-ide: " << error.toStdString() << "\n";
  if (args.isSet("list-plugins")) return ListPlugins(window);

  QString project = args.value("project");
  if (project.isEmpty() && !args.positionalArguments().isEmpty()) project = args.positionalArguments().first();
  if (!project.isEmpty() && !window.OpenProjectFile(project.toStdString())) {
    std::cerr << "migwiz-ide: " << window.LastError() << "\n";
    if (args.isSet("screenshots")) return 1;
  }
  if (args.isSet("screenshots")) return SaveScreenshots(window, args.value("screenshots"));
  window.show();
  return app.exec();
}
