// The host window: a project with its tree of units and forms, an editor
// page per open unit (source, and the form's text), the File menu, and the
// services that wizard libraries loaded from the plug-in folders use.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EditorModule.h"
#include "platform/OpenToolsAPI.h"
#include "platform/StandaloneIDE.h"
#include "wizardlib/WizardLibrary.h"

class QAction;
class QMessageBox;
class QMenu;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace migwiz::ide {

class TIdeWindow : public QMainWindow,
                   public platform::IBorlandIDEServices,
                   public platform::IOTAApplication,
                   private platform::IOTAModuleServices,
                   private platform::IOTAActionServices,
                   private platform::INTAServices {
  Q_OBJECT

 public:
  explicit TIdeWindow(QWidget* parent = nullptr);
  ~TIdeWindow() override;

  // --- Projects ---
  // Opens a .dpr or .dproj in a new project group; false with a message
  // (see LastError) when it cannot be read.
  bool OpenProjectFile(const std::string& fileName);
  // Closes the project group and every editor; remembers which units were
  // open so that opening the project again brings them back. Modified pages
  // are first saved or discarded as the user answers; false when the user
  // cancels (the project stays open) or a page could not be saved.
  bool CloseProjectGroup();
  // Asks Save, Discard or Cancel when a page is modified; true when the
  // close may go on.
  bool QuerySaveModified();
  // Whether opened projects go into File > Reopen (and the settings); a
  // picture run leaves them alone.
  void SetRememberProjects(bool remember) { rememberProjects_ = remember; }
  // Saves every modified editor; false when one could not be written.
  bool SaveAll();
  // The open page of a unit, opening it first; null when it cannot be read.
  TEditorModule* OpenUnit(const std::string& fileName);
  TEditorModule* FindModule(const std::string& fileName) const;
  const std::vector<std::unique_ptr<TEditorModule>>& Modules() const { return modules_; }
  std::string ProjectFileName() const;
  const std::string& LastError() const { return lastError_; }
  QStringList RecentProjects() const { return recent_; }

  // --- Wizards ---
  // Loads every wizard library of the folders (see WizardLibraryFiles).
  void LoadWizards(const std::vector<std::string>& folders);
  // Releases the wizards and unloads their libraries, last loaded first.
  void UnloadWizards();
  const std::vector<std::unique_ptr<platform::TWizardLibrary>>& Wizards() const { return wizards_; }
  const QStringList& WizardErrors() const { return wizardErrors_; }
  // The action of a menu item by its component name, anywhere in the menu.
  QAction* FindMenuAction(const QString& name) const;

  // When set, message boxes and the error handler report here instead of
  // showing a modal box (picture mode and tests); a question is answered No.
  std::function<void(const std::string& text, const std::string& caption, int flags)> OnMessage;
  std::function<void(const std::string& message)> OnException;

  QTreeWidget* ProjectTree;
  QTabWidget* Editors;
  QMenu* FileMenu;
  QMenu* RecentMenu;

  // IBorlandIDEServices
  platform::IOTAModuleServices* ModuleServices() override { return this; }
  platform::IOTAActionServices* ActionServices() override { return this; }
  platform::INTAServices* NTAServices() override { return this; }
  // IOTAApplication
  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  void HandleException(const std::string& message) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Project;
  class Group;

  // IOTAModuleServices
  int ModuleCount() const override;
  platform::IOTAModule* Module(int index) override;
  // IOTAActionServices
  bool OpenFile(const std::string& fileName) override;
  bool OpenProject(const std::string& projName, bool newProjGroup) override;
  bool ReloadFile(const std::string& fileName) override;
  // INTAServices
  std::vector<platform::TMenuItemInfo> MainMenuItems() override;
  bool SetMenuItemCaption(const std::string& name, const std::string& caption) override;
  bool InsertMenuItem(std::unique_ptr<platform::TMenuItem> item, const std::string& target,
                      bool insertAfter, bool insertAsChild) override;

  void CreateMenus();
  void FillTree();
  void UpdateTitles();
  void AddRecent(const QString& fileName);
  void UpdateRecentMenu();
  void Retire(std::unique_ptr<platform::IOTAModule> module);
  bool SaveModules(bool projectOnly, std::string& err);
  void ChooseProject();
  void TreeActivated(QTreeWidgetItem* item);
  QAction* MakeAction(platform::TMenuItem& item, QWidget* parent);
  QWidget* HolderOf(QAction* action) const;

  std::unique_ptr<Project> project_;
  std::unique_ptr<Group> group_;
  std::vector<std::unique_ptr<TEditorModule>> modules_;
  // Closed modules live until the current event is done: a caller may still hold them.
  std::vector<std::unique_ptr<platform::IOTAModule>> retired_;
  std::map<std::string, std::vector<std::string>> desktops_;
  std::vector<std::unique_ptr<platform::TWizardLibrary>> wizards_;
  QStringList wizardErrors_;
  QStringList recent_;
  std::string lastError_;
  bool rememberProjects_ = true;
};

// Widens a message box so that its title is not cut.
void FitTitle(QMessageBox& box);

// The folders searched for wizard libraries: the installed folder
// (MIGWIZ_PLUGIN_DIR below the prefix, the program being in bin/), then
// those of the environment variable (separated by ':'), then those given on
// the command line.
std::vector<std::string> PluginFolders(const QString& programDir, const QByteArray& envValue,
                                       const QStringList& extra);
inline constexpr const char* kPluginPathVariable = "MIGWIZ_PLUGIN_PATH";

}  // namespace migwiz::ide
