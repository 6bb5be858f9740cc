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
#include <QTimer>

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
  window.menuBar()->setActiveAction(action);
  QApplication::processEvents();
  QMenu* menu = action->menu();
  if (!menu->isVisible()) menu->popup(window.menuBar()->mapToGlobal(window.menuBar()->actionGeometry(action).bottomLeft()));
  QApplication::processEvents();
  const QPoint at = window.mapFromGlobal(menu->mapToGlobal(QPoint(0, 0)));
  QPainter painter(&picture);
  painter.drawPixmap(at, menu->grab());
  painter.end();
  menu->hide();
  return picture;
}

int SaveScreenshots(ide::TIdeWindow& window, const QString& dir) {
  QDir().mkpath(dir);
  window.OnMessage = [](const std::string& text, const std::string& caption, int) {
    std::cerr << "(" << caption << ") " << text << "\n";
  };
  window.OnException = [](const std::string& message) { std::cerr << message << "\n"; };
  window.show();
  QApplication::processEvents();
  window.grab().save(dir + "/ide-project.png");
  WindowWithMenu(window, "TarnbaseMenu").save(dir + "/ide-menu.png");
  std::cout << "pictures saved in " << dir.toStdString() << "\n";
  return 0;
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
  QApplication app(argc, argv);
  QApplication::setApplicationName("migwiz-ide");
  QApplication::setApplicationDisplayName("migwiz-ide");
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
