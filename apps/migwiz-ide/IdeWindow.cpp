#include "IdeWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenuBar>
#include <QGridLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "platform/SettingsStore.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::ide {

using platform::TStandaloneProject;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

constexpr int kMaxRecent = 8;
constexpr const char* kIdeSettingsKey = "Software\\Corvane\\MigWizIDE";
constexpr const char* kRecentSection = "Recent Projects";

enum { kFileRole = Qt::UserRole, kFormRole };

}  // namespace

// A message box is as wide as its text needs, which may be narrower than
// the window manager's title bar needs for the title and its buttons.
void FitTitle(QMessageBox& box) {
  const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) * 5 / 4 + 140;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// The project: its file and members as the project file lists them.
class TIdeWindow::Project : public platform::IOTAProject {
 public:
  Project(TIdeWindow* window, std::unique_ptr<TStandaloneProject> source)
      : window_(window), source_(std::move(source)) {}
  std::string FileName() const override { return source_->FileName(); }
  bool Save(bool /*changeName*/, bool /*forceSave*/) override {
    // Unmodified editors already match their files; rewriting them could only
    // change how they are stored.
    std::string err;
    if (window_->SaveModules(true, err)) return true;
    window_->statusBar()->showMessage(Q(err));
    return false;
  }
  int GetModuleCount() const override { return source_->GetModuleCount(); }
  std::string GetModuleFileName(int index) const override {
    return index >= 0 && index < GetModuleCount() ? source_->GetModuleFileName(index) : std::string();
  }

 private:
  TIdeWindow* window_;
  std::unique_ptr<TStandaloneProject> source_;
};

class TIdeWindow::Group : public platform::IOTAProjectGroup {
 public:
  Group(TIdeWindow* window, Project* project) : window_(window), project_(project) {}
  std::string FileName() const override { return "ProjectGroup1.groupproj"; }
  platform::IOTAProject* ActiveProject() override { return project_; }
  bool Close() override { return window_->CloseProjectGroup(); }

 private:
  TIdeWindow* window_;
  Project* project_;
};

TIdeWindow::TIdeWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("IdeWindow");
  resize(960, 640);
  auto* splitter = new QSplitter(this);
  ProjectTree = new QTreeWidget(splitter);
  ProjectTree->setObjectName("ProjectTree");
  ProjectTree->setHeaderLabel(tr("Project"));
  Editors = new QTabWidget(splitter);
  Editors->setObjectName("Editors");
  Editors->setDocumentMode(true);
  Editors->setMovable(true);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({240, 720});
  setCentralWidget(splitter);
  // A double click also activates: one connection, so one page or one message.
  connect(ProjectTree, &QTreeWidget::itemActivated, this, &TIdeWindow::TreeActivated);
  CreateMenus();
  platform::TSettingsStore settings(kIdeSettingsKey);
  for (int i = 0; i < kMaxRecent; ++i) {
    std::string file = settings.ReadString(kRecentSection, "File" + std::to_string(i + 1), "");
    if (!file.empty()) recent_ << Q(file);
  }
  UpdateRecentMenu();
  UpdateTitles();
  statusBar()->showMessage(tr("Ready"));
}

TIdeWindow::~TIdeWindow() {
  UnloadWizards();
  modules_.clear();
  retired_.clear();
}

void TIdeWindow::CreateMenus() {
  FileMenu = menuBar()->addMenu(tr("&File"));
  FileMenu->menuAction()->setObjectName("FileMenu");
  auto add = [this](const char* name, const QString& text, QKeySequence keys, auto slot) {
    QAction* action = FileMenu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  add("FileOpenProjectItem", tr("&Open Project..."), QKeySequence(Qt::CTRL | Qt::Key_F11),
      [this] { ChooseProject(); });
  add("FileSaveAllItem", tr("Save A&ll"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S), [this] {
    std::string err;
    if (!SaveModules(false, err)) MessageBox(err, S(windowTitle()), platform::MB_ICONSTOP);
  });
  add("FileCloseProjectItem", tr("&Close Project"), QKeySequence(), [this] { CloseProjectGroup(); });

  FileMenu->addSeparator();
  RecentMenu = FileMenu->addMenu(tr("&Reopen"));
  RecentMenu->menuAction()->setObjectName("FileReopenItem");
  FileMenu->addSeparator();
  add("FileExitItem", tr("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X), [this] { close(); });
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->menuAction()->setObjectName("HelpMenu");
  QAction* about = help->addAction(tr("&About"));
  about->setObjectName("HelpAboutItem");
  connect(about, &QAction::triggered, this, [this] {
    QStringList names;
    for (const auto& library : wizards_)
      for (MigWizWizard* w : library->Wizards()) names << Q(platform::WizardName(w));
    QMessageBox::about(this, tr("About migwiz-ide"),
                       tr("migwiz-ide: a host for migration wizards.\nWizards loaded: %1")
                           .arg(names.isEmpty() ? tr("none") : names.join(", ")));
  });
}

void TIdeWindow::ChooseProject() {
  QString file = QFileDialog::getOpenFileName(this, tr("Open Project"), QString(),
                                              tr("Delphi projects (*.dpr *.dproj);;All files (*)"));
  if (!file.isEmpty() && !OpenProjectFile(S(file)) && !lastError_.empty())
    MessageBox(lastError_, S(windowTitle()), platform::MB_ICONSTOP);
}

// Save, Discard or Cancel for the modified pages, as every close of the
// project asks; true when the close may go on.
bool TIdeWindow::QuerySaveModified() {
  QStringList modified;
  for (const auto& module : modules_)
    if (module->Modified()) modified << Q(support::ExtractFileName(module->FileName()));
  if (modified.isEmpty()) return true;
  QMessageBox box(QMessageBox::Question, windowTitle(), tr("Save changes to the open units?"),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName("SaveChangesBox");
  box.setInformativeText(tr("Modified: %1").arg(modified.join(", ")));
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  FitTitle(box);
  const int answer = box.exec();
  if (answer == QMessageBox::Discard) return true;
  if (answer != QMessageBox::Save) return false;
  if (SaveAll()) return true;
  MessageBox(lastError_, S(windowTitle()), platform::MB_ICONSTOP);
  return false;
}

bool TIdeWindow::OpenProjectFile(const std::string& fileName) {
  std::unique_ptr<TStandaloneProject> source;
  try {
    source = TStandaloneProject::Open(fileName);
  } catch (const std::exception& e) {
    lastError_ = "Cannot open project \"" + fileName + "\": " + e.what();
    return false;
  }
  if (!CloseProjectGroup()) {
    lastError_.clear();  // the user kept the open project: nothing to report
    return false;
  }
  project_ = std::make_unique<Project>(this, std::move(source));
  group_ = std::make_unique<Group>(this, project_.get());
  const std::string name = project_->FileName();
  FillTree();
  AddRecent(Q(name));
  std::vector<std::string> desktop;
  if (auto it = desktops_.find(name); it != desktops_.end()) {
    desktop = it->second;
  } else {
    // A project opened for the first time shows its source and its first unit.
    for (int i = 0; i < project_->GetModuleCount() && i < 2; ++i) desktop.push_back(project_->GetModuleFileName(i));
  }
  for (const std::string& file : desktop) OpenUnit(file);
  if (Editors->count() > 0) Editors->setCurrentIndex(0);
  UpdateTitles();
  statusBar()->showMessage(tr("Opened %1").arg(Q(name)));
  return true;
}

bool TIdeWindow::CloseProjectGroup() {
  if (!group_) {
    return true;  // nothing to close
  }
  if (!QuerySaveModified()) return false;
  std::vector<std::string> desktop;
  for (const auto& module : modules_) desktop.push_back(module->FileName());
  desktops_[project_->FileName()] = desktop;
  while (!modules_.empty()) {
    Editors->removeTab(Editors->indexOf(modules_.back()->Page()));
    Retire(std::move(modules_.back()));
    modules_.pop_back();
  }
  Retire(std::move(group_));
  Retire(std::move(project_));
  ProjectTree->clear();
  UpdateTitles();
  return true;
}

void TIdeWindow::Retire(std::unique_ptr<platform::IOTAModule> module) {
  if (!module) return;
  if (retired_.empty()) QTimer::singleShot(0, this, [this] { retired_.clear(); });
  retired_.push_back(std::move(module));
}

void TIdeWindow::FillTree() {
  ProjectTree->clear();
  if (!project_) return;
  auto* root = new QTreeWidgetItem(ProjectTree, {Q(support::ExtractFileName(project_->FileName()))});
  root->setData(0, kFileRole, Q(project_->FileName()));
  root->setToolTip(0, Q(project_->FileName()));
  for (int i = 0; i < project_->GetModuleCount(); ++i) {
    const std::string file = project_->GetModuleFileName(i);
    if (support::SameText(file, project_->FileName())) continue;
    auto* unit = new QTreeWidgetItem(root, {Q(support::ExtractFileName(file))});
    unit->setData(0, kFileRole, Q(file));
    unit->setToolTip(0, Q(file));
    for (const char* ext : {".dfm", ".nfm"}) {
      std::string form = support::FindPathNoCase(support::ChangeFileExt(file, ext));
      if (form.empty()) continue;
      auto* formItem = new QTreeWidgetItem(unit, {Q(support::ExtractFileName(form))});
      formItem->setData(0, kFileRole, Q(file));
      formItem->setData(0, kFormRole, true);
      formItem->setToolTip(0, Q(form));
      break;
    }
  }
  ProjectTree->expandAll();
}

void TIdeWindow::TreeActivated(QTreeWidgetItem* item) {
  if (!item || !item->parent()) return;
  TEditorModule* module = OpenUnit(S(item->data(0, kFileRole).toString()));
  if (!module) {
    MessageBox(lastError_, S(windowTitle()), platform::MB_ICONSTOP);
    return;
  }
  Editors->setCurrentWidget(module->Page());
  module->ShowEditor(item->data(0, kFormRole).toBool() ? 1 : 0);
}

TEditorModule* TIdeWindow::FindModule(const std::string& fileName) const {
  for (const auto& module : modules_)
    if (module->Holds(fileName)) return module.get();
  return nullptr;
}

TEditorModule* TIdeWindow::OpenUnit(const std::string& fileName) {
  if (TEditorModule* open = FindModule(fileName)) return open;
  std::unique_ptr<TEditorModule> module;
  try {
    module = std::make_unique<TEditorModule>(fileName, project_.get());
  } catch (const std::exception& e) {
    // The reason names the file already.
    std::string why = e.what();
    if (why.find(fileName) == std::string::npos) why = "\"" + fileName + "\": " + why;
    if (!why.empty() && why[0] >= 'a' && why[0] <= 'z') why[0] = static_cast<char>(why[0] - 'a' + 'A');
    lastError_ = why;
    return nullptr;
  }
  TEditorModule* raw = module.get();
  Editors->addTab(raw->Page(), Q(support::ExtractFileName(fileName)));
  connect(raw, &TEditorModule::ModifiedChanged, this, &TIdeWindow::UpdateTitles);
  modules_.push_back(std::move(module));
  UpdateTitles();
  return raw;
}

bool TIdeWindow::SaveModules(bool projectOnly, std::string& err) {
  bool ok = true;
  for (const auto& module : modules_) {
    if (projectOnly && module->GetOwner(0) != project_.get()) continue;
    std::string why;
    if (!module->Save(why)) {
      ok = false;
      if (err.empty()) err = "Cannot save \"" + module->FileName() + "\": " + why;
    }
  }
  UpdateTitles();
  return ok;
}

bool TIdeWindow::SaveAll() {
  std::string err;
  bool ok = SaveModules(false, err);
  if (!ok) lastError_ = err;
  return ok;
}

std::string TIdeWindow::ProjectFileName() const { return project_ ? project_->FileName() : std::string(); }

void TIdeWindow::UpdateTitles() {
  for (const auto& module : modules_) {
    int index = Editors->indexOf(module->Page());
    QString title = Q(support::ExtractFileName(module->FileName()));
    Editors->setTabText(index, module->Modified() ? title + " *" : title);
  }
  QString title = tr("migwiz-ide");
  if (project_) title = Q(support::ExtractFileName(project_->FileName())) + " - " + title;
  setWindowTitle(title);
}

void TIdeWindow::AddRecent(const QString& fileName) {
  if (!rememberProjects_) return;
  recent_.removeAll(fileName);
  recent_.prepend(fileName);
  while (recent_.size() > kMaxRecent) recent_.removeLast();
  UpdateRecentMenu();
  try {
    platform::TSettingsStore settings(kIdeSettingsKey);
    for (int i = 0; i < kMaxRecent; ++i)
      settings.WriteString(kRecentSection, "File" + std::to_string(i + 1), i < recent_.size() ? S(recent_[i]) : "");
  } catch (const std::exception& e) {
    statusBar()->showMessage(Q(e.what()));
  }
}

void TIdeWindow::UpdateRecentMenu() {
  RecentMenu->clear();
  for (const QString& file : recent_) {
    QAction* action = RecentMenu->addAction(file);
    connect(action, &QAction::triggered, this, [this, file] {
      if (!OpenProjectFile(S(file)) && !lastError_.empty())
        MessageBox(lastError_, S(windowTitle()), platform::MB_ICONSTOP);
    });
  }
  RecentMenu->setEnabled(!recent_.isEmpty());
}

void TIdeWindow::closeEvent(QCloseEvent* event) {
  if (!QuerySaveModified()) {
    event->ignore();
    return;
  }
  event->accept();
}

// --- Module and action services ---

int TIdeWindow::ModuleCount() const { return (group_ ? 2 : 0) + static_cast<int>(modules_.size()); }

platform::IOTAModule* TIdeWindow::Module(int index) {
  if (group_) {
    if (index == 0) return group_.get();
    if (index == 1) return project_.get();
    index -= 2;
  }
  return index >= 0 && index < static_cast<int>(modules_.size()) ? modules_[index].get() : nullptr;
}

bool TIdeWindow::OpenFile(const std::string& fileName) { return OpenUnit(fileName) != nullptr; }

bool TIdeWindow::OpenProject(const std::string& projName, bool /*newProjGroup*/) {
  if (projName.empty()) return false;  // nothing to open
  if (OpenProjectFile(projName)) return true;
  statusBar()->showMessage(Q(lastError_));
  return false;
}

bool TIdeWindow::ReloadFile(const std::string& fileName) {
  if (!platform::SystemFileSystem().FileExists(fileName)) return false;
  TEditorModule* module = FindModule(fileName);
  if (!module) return true;  // not open: the next opening reads the file
  std::string err;
  if (module->Reload(err)) {
    UpdateTitles();
    return true;
  }
  lastError_ = err;
  statusBar()->showMessage(Q(err));
  return false;
}

// --- Menu services ---

QAction* TIdeWindow::FindMenuAction(const QString& name) const {
  std::function<QAction*(const QList<QAction*>&)> find = [&](const QList<QAction*>& actions) -> QAction* {
    for (QAction* action : actions) {
      if (action->objectName() == name) return action;
      if (action->menu())
        if (QAction* inner = find(action->menu()->actions())) return inner;
    }
    return nullptr;
  };
  return find(menuBar()->actions());
}

std::vector<platform::TMenuItemInfo> TIdeWindow::MainMenuItems() {
  std::vector<platform::TMenuItemInfo> out;
  for (QAction* action : menuBar()->actions())
    if (!action->isSeparator()) out.push_back({S(action->objectName()), S(action->text())});
  return out;
}

bool TIdeWindow::SetMenuItemCaption(const std::string& name, const std::string& caption) {
  QAction* action = FindMenuAction(Q(name));
  if (!action) return false;
  action->setText(Q(caption));
  return true;
}

QWidget* TIdeWindow::HolderOf(QAction* action) const {
  std::function<QWidget*(QWidget*)> find = [&](QWidget* list) -> QWidget* {
    if (list->actions().contains(action)) return list;
    for (QAction* a : list->actions())
      if (a->menu())
        if (QWidget* inner = find(a->menu())) return inner;
    return nullptr;
  };
  QWidget* holder = find(menuBar());
  return holder ? holder : menuBar();
}

QAction* TIdeWindow::MakeAction(platform::TMenuItem& item, QWidget* parent) {
  QAction* action;
  if (parent == menuBar()) {
    auto* menu = new QMenu(Q(item.Caption), menuBar());
    action = menu->menuAction();
  } else {
    action = new QAction(Q(item.Caption), parent);
  }
  action->setObjectName(Q(item.Name));
  if (item.OnClick) {
    connect(action, &QAction::triggered, this, [this, click = std::move(item.OnClick)] {
      try {
        click();
      } catch (const std::exception& e) {
        HandleException(e.what());
      }
    });
  }
  return action;
}

bool TIdeWindow::InsertMenuItem(std::unique_ptr<platform::TMenuItem> item, const std::string& target,
                                bool insertAfter, bool insertAsChild) {
  QAction* anchor = target.empty() ? nullptr : FindMenuAction(Q(target));
  if (!anchor && !target.empty()) return false;
  if (insertAsChild && anchor) {
    QMenu* menu = anchor->menu();
    if (!menu) {
      menu = new QMenu(anchor->text(), this);
      anchor->setMenu(menu);
    }
    menu->addAction(MakeAction(*item, menu));
    return true;
  }
  // Before or after the anchor, in the list that holds it.
  QWidget* holder = anchor ? HolderOf(anchor) : menuBar();
  QAction* action = MakeAction(*item, holder);
  QList<QAction*> list = holder->actions();
  QAction* before = anchor;
  if (anchor && insertAfter) {
    int at = static_cast<int>(list.indexOf(anchor));
    before = at >= 0 && at + 1 < list.size() ? list[at + 1] : nullptr;
  }
  holder->insertAction(before, action);
  return true;
}

// --- Application ---

int TIdeWindow::MessageBox(const std::string& text, const std::string& caption, int flags) {
  const bool question = flags & platform::MB_YESNO;
  if (OnMessage) {
    OnMessage(text, caption, flags);
    return question ? platform::IDNO : platform::IDOK;
  }
  QMessageBox box((flags & platform::MB_ICONSTOP) ? QMessageBox::Critical : QMessageBox::Information,
                  Q(caption), Q(text), question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, this);
  box.setObjectName("MessageBox");
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  if (question) box.setDefaultButton(QMessageBox::Yes);
  FitTitle(box);
  const int pressed = box.exec();
  if (!question) return platform::IDOK;
  return pressed == QMessageBox::Yes ? platform::IDYES : platform::IDNO;
}

void TIdeWindow::HandleException(const std::string& message) {
  if (OnException) {
    OnException(message);
    return;
  }
  QMessageBox box(QMessageBox::Critical, tr("migwiz-ide"), Q(message), QMessageBox::Ok, this);
  FitTitle(box);
  box.exec();
}

// --- Wizards ---

void TIdeWindow::LoadWizards(const std::vector<std::string>& folders) {
  for (const std::string& file : platform::WizardLibraryFiles(folders)) {
    try {
      wizards_.push_back(std::make_unique<platform::TWizardLibrary>(file, *this, *this));
    } catch (const std::exception& e) {
      wizardErrors_ << Q(e.what());
    }
  }
  int count = 0;
  for (const auto& library : wizards_) count += static_cast<int>(library->Wizards().size());
  statusBar()->showMessage(tr("%1 wizard(s) loaded").arg(count));
}

void TIdeWindow::UnloadWizards() {
  while (!wizards_.empty()) wizards_.pop_back();
}

std::vector<std::string> PluginFolders(const QString& programDir, const QByteArray& envValue,
                                       const QStringList& extra) {
  std::vector<std::string> folders{S(QDir::cleanPath(programDir + "/../" MIGWIZ_PLUGIN_DIR))};
  for (const QByteArray& part : envValue.split(':'))
    if (!part.isEmpty()) folders.push_back(part.toStdString());
  for (const QString& dir : extra) folders.push_back(S(dir));
  return folders;
}

}  // namespace migwiz::ide
