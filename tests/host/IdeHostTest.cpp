// The host window with the built wizard library loaded from a plug-in
// folder, driven as a user would: the menu item, the dialog, the
// confirmation, and what the editors show afterwards.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "IdeWindow.h"
#include "ModalDriver.h"
#include "testing/RunProgram.h"
#include "testing/TempDir.h"

using namespace migwiz;
using migwiz::testing::ModalDriver;
using migwiz::testing::ReadAll;
using migwiz::testing::TempDir;
namespace fs = std::filesystem;

namespace {

struct Message {
  std::string text, caption;
  int flags;
};

class IdeHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", dir.Path("config").c_str(), 1);
    fs::create_directories(dir.Path("plugins"));
    fs::copy_file(MIGWIZ_PLUGIN_FILE, dir.Path("plugins/libmigwiz-expert.so"));
    fs::copy(MIGWIZ_EXAMPLES "/Orders", dir.Path("Orders"));
    for (const char* f : {"Main.pas", "Main.dfm", "DataMod.pas", "Report.pas", "Report.dfm"})
      originals[f] = dir.Read(std::string("Orders/") + f);
    Start();
  }
  void TearDown() override {
    window.reset();
    unsetenv("XDG_CONFIG_HOME");
  }

  // A host as the program starts it, with the test's plug-in folder only.
  void Start() {
    window = std::make_unique<ide::TIdeWindow>();
    window->OnMessage = [this](const std::string& text, const std::string& caption, int flags) {
      messages.push_back({text, caption, flags});
    };
    window->OnException = [this](const std::string& message) { errors.push_back(message); };
    window->LoadWizards({dir.Path("plugins")});
    ASSERT_TRUE(window->OpenProjectFile(dir.Path("Orders/Orders.dpr"))) << window->LastError();
    for (const char* unit : {"Main.pas", "DataMod.pas", "Report.pas"})
      ASSERT_NE(window->OpenUnit(dir.Path(std::string("Orders/") + unit)), nullptr);
  }
  void Restart() {
    window.reset();
    Start();
  }

  QAction* WizardItem() { return window->FindMenuAction("RExpertItemBDETarnbase"); }

  // Clicks the menu item and lets the driver answer the dialogs.
  void Click(ModalDriver& driver) {
    ASSERT_NE(WizardItem(), nullptr);
    WizardItem()->trigger();
    for (const std::string& problem : driver.Problems()) ADD_FAILURE() << problem;
  }

  static void Press(QWidget* dialog, const char* button) {
    auto* b = dialog->findChild<QPushButton*>(button);
    ASSERT_NE(b, nullptr) << button;
    ASSERT_TRUE(b->isEnabled()) << button;
    b->click();
  }
  static QString Page(QWidget* dialog) {
    return dialog->findChild<QStackedWidget*>("pcWizard")->currentWidget()->objectName();
  }
  // The wizard through the replace pages of the open project to Finish.
  static void ReplaceProject(QWidget* dialog) {
    for (int i = 0; i < 4; ++i) Press(dialog, "btNext");
    EXPECT_EQ(Page(dialog), "FinalStepSheet");
    Press(dialog, "btFinish");
  }
  static void Restore(QWidget* dialog) {
    dialog->findChild<QRadioButton*>("rbModeRestore")->click();
    Press(dialog, "btNext");
    EXPECT_TRUE(dialog->findChild<QLineEdit*>("edUndoFile")->text().endsWith("RBackup/RExpert.reu"));
    Press(dialog, "btNext");
    EXPECT_EQ(Page(dialog), "FinalStepSheet");
    Press(dialog, "btFinish");
  }
  static ModalDriver::Act Yes(bool dontAsk) {
    return [dontAsk](QWidget* warn) {
      warn->findChild<QCheckBox*>("chkDontAsk")->setChecked(dontAsk);
      Press(warn, "OKBtn");
    };
  }

  std::string Shown(const char* unit, bool form = false) {
    ide::TEditorModule* module = window->FindModule(dir.Path(std::string("Orders/") + unit));
    if (!module) return "(not open)";
    return (form ? module->FormText() : module->SourceText()).toStdString();
  }
  // A file as an editor shows it: without its byte-order mark, lines ending in LF.
  std::string AsShown(std::string bytes) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at)) bytes.erase(at, 1);
    return bytes;
  }
  std::string Settings() { return ReadAll(dir.Path("config/Software/Corvane.ini")); }
  // The message of a replace that ended well, with its report.
  static std::string Done(const std::string& report) {
    return "Replace procedure was performed sucessfully.\n\n"
           "What the run did, and what is left to do by hand, is in its report:\n" +
           report + "\n\nOpen the report now?";
  }

  TempDir dir;
  std::unique_ptr<ide::TIdeWindow> window;
  std::map<std::string, std::string> originals;
  std::vector<Message> messages;
  std::vector<std::string> errors;
};

}  // namespace

TEST_F(IdeHostTest, LibraryPutsItsItemIntoTheProductMenu) {
  ASSERT_EQ(window->Wizards().size(), 1u);
  ASSERT_EQ(window->Wizards()[0]->Wizards().size(), 1u);
  EXPECT_EQ(platform::WizardName(window->Wizards()[0]->Wizards()[0]), "BDE Migration Wizard");
  EXPECT_EQ(platform::WizardIDString(window->Wizards()[0]->Wizards()[0]), "Corvane.BDEMigrationWizard.Tarnbase");
  QStringList top;
  for (QAction* a : window->menuBar()->actions()) top << a->text();
  EXPECT_EQ(top, (QStringList{"&File", "&Tarnbase", "&Help"}));  // before the last menu
  QAction* product = window->FindMenuAction("TarnbaseMenu");
  ASSERT_TRUE(product && product->menu());
  ASSERT_EQ(product->menu()->actions().size(), 1);
  EXPECT_EQ(product->menu()->actions()[0]->text(), "&Migration Wizard...");
  EXPECT_EQ(product->menu()->actions()[0]->objectName(), "RExpertItemBDETarnbase");
}

TEST_F(IdeHostTest, ReplaceThenRestoreShowsResultAndOriginals) {
  // An unsaved edit is saved before the run and converted with the rest.
  window->FindModule(dir.Path("Orders/Report.pas"))->SourceEdit()->appendPlainText("// edited");
  window->FindModule(dir.Path("Orders/Main.pas"))->ShowEditor(1);  // its form in front
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", ReplaceProject);
    driver.Expect("SaveWarnForm", Yes(false));
    Click(driver);
  }
  ASSERT_TRUE(errors.empty()) << errors[0];
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, Done(dir.Path("Orders/Wiz_Report.txt")));
  EXPECT_EQ(messages[0].caption, "BDE Migration Wizard");
  EXPECT_EQ(messages[0].flags, 64 + 4);  // information, Yes and No
  for (const char* unit : {"Main.pas", "DataMod.pas", "Report.pas"}) {
    EXPECT_EQ(Shown(unit), AsShown(dir.Read(std::string("Orders/") + unit))) << unit << " reloaded";
    EXPECT_NE(Shown(unit), AsShown(originals[unit])) << unit;
    EXPECT_FALSE(window->FindModule(dir.Path(std::string("Orders/") + unit))->Modified());
  }
  EXPECT_NE(Shown("Main.pas").find("qryTotals: TTarnQuery;"), std::string::npos);
  EXPECT_NE(Shown("Report.pas").find("// edited"), std::string::npos);
  EXPECT_NE(Shown("Main.pas", true).find("TTarnTable"), std::string::npos);
  EXPECT_NE(Shown("Report.pas", true).find("TTarnQuery"), std::string::npos);  // binary form as text
  // Units with forms show their source, not their form.
  for (const auto& module : window->Modules()) EXPECT_EQ(module->CurrentEditor(), 0);

  messages.clear();
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", Restore);
    driver.Expect("SaveWarnForm", Yes(false));
    Click(driver);
  }
  ASSERT_TRUE(errors.empty()) << errors[0];
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Files were succefully restored.");
  EXPECT_EQ(window->ProjectFileName(), dir.Path("Orders/Orders.dpr"));  // opened again
  EXPECT_EQ(window->ProjectTree->topLevelItemCount(), 1);
  for (const char* unit : {"Main.pas", "DataMod.pas"}) {
    EXPECT_EQ(Shown(unit), AsShown(originals[unit])) << unit;
    EXPECT_EQ(dir.Read(std::string("Orders/") + unit), originals[unit]);
  }
  EXPECT_EQ(Shown("Main.pas", true).find("TTarn"), std::string::npos);
  EXPECT_EQ(dir.Read("Orders/Report.dfm"), originals["Report.dfm"]);  // binary form byte for byte
}

TEST_F(IdeHostTest, CancelLeavesTheSettingsFileAsItWas) {
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", ReplaceProject);
    driver.Expect("SaveWarnForm", [](QWidget* w) { Press(w, "CancelBtn"); });  // No: nothing runs
    Click(driver);
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(dir.Read("Orders/Main.pas"), originals["Main.pas"]);
  const std::string before = Settings();
  ASSERT_FALSE(before.empty());  // a confirmed dialog saved its state
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", [](QWidget* w) {
      w->findChild<QRadioButton*>("rbModeRestore")->click();  // changes that Cancel must drop
      Press(w, "btNext");
      w->findChild<QLineEdit*>("edUndoFile")->setText("/elsewhere/RExpert.reu");
      Press(w, "btCancel");
    });
    Click(driver);
  }
  EXPECT_EQ(Settings(), before);
  EXPECT_TRUE(messages.empty());
}

TEST_F(IdeHostTest, DontAskSurvivesARunAndARestart) {
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", ReplaceProject);
    driver.Expect("SaveWarnForm", Yes(true));
    Click(driver);
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(Settings().find("ReplaceProjWarn=b:0"), std::string::npos);  // not overwritten by the state
  Restart();
  messages.clear();
  {
    ModalDriver driver;  // no confirmation this time
    driver.Expect("TarnWizardForm", ReplaceProject);
    Click(driver);
  }
  ASSERT_EQ(messages.size(), 1u);
  // The second run over the converted units changes nothing and keeps the
  // first run's report, which still lists what is left to do.
  EXPECT_EQ(messages[0].text, "Replace procedure was performed sucessfully.\n\n"
                              "No file needed a change; the report of the run before was kept:\n" +
                                  dir.Path("Orders/Wiz_Report.txt"));
}

TEST_F(IdeHostTest, SuccessMessageIsAQuestionInTheHostsBox) {
  window->OnMessage = nullptr;  // the host's own modal box
  std::string text;
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", ReplaceProject);
    driver.Expect("SaveWarnForm", Yes(false));
    driver.Expect("MessageBox", [&text](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      ASSERT_NE(message, nullptr);
      text = message->text().toStdString();
      EXPECT_EQ(message->windowTitle(), "BDE Migration Wizard");
      EXPECT_EQ(message->defaultButton(), message->button(QMessageBox::Yes));
      message->button(QMessageBox::No)->click();  // the report stays closed
    });
    Click(driver);
  }
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(text, Done(dir.Path("Orders/Wiz_Report.txt")));
  EXPECT_NE(dir.Read("Orders/Wiz_Report.txt").find("Main.dfm"), std::string::npos);
}

TEST_F(IdeHostTest, ErrorInAClickReachesTheHostsHandler) {
  // A settings file that cannot be written: the confirmation cannot keep its
  // answer, so the click ends with the error and nothing runs.
  fs::create_directories(dir.Path("config/Software/Corvane.ini"));  // a folder in the file's place
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", [](QWidget* w) { ReplaceProject(w); });
    driver.Expect("SaveWarnForm", Yes(false));
    Click(driver);
  }
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Corvane.ini"), std::string::npos) << errors[0];
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(dir.Read("Orders/Main.pas"), originals["Main.pas"]);
}

TEST_F(IdeHostTest, ProjectOperationsOfTheHost) {
  // Save All writes what was edited and clears the marks; Reload reads the disk.
  ide::TEditorModule* main = window->FindModule(dir.Path("Orders/Main.pas"));
  main->SourceEdit()->appendPlainText("// one");
  EXPECT_TRUE(main->Modified());
  EXPECT_TRUE(window->SaveAll());
  EXPECT_FALSE(main->Modified());
  EXPECT_EQ(dir.Read("Orders/Main.pas"), originals["Main.pas"] + "\r\n// one");
  dir.Write("Orders/Main.pas", "unit Main;\r\nend.\r\n");
  main->SourceEdit()->appendPlainText("// dropped");
  EXPECT_TRUE(window->ActionServices()->ReloadFile(dir.Path("Orders/Main.pas")));
  EXPECT_EQ(Shown("Main.pas"), "unit Main;\nend.\n");
  // A binary form that is edited is written back as a binary form.
  ide::TEditorModule* report = window->FindModule(dir.Path("Orders/Report.pas"));
  QString text = report->FormText();
  report->FormEdit()->selectAll();
  report->FormEdit()->insertPlainText(text.replace("qryReport", "qryReport2"));
  EXPECT_TRUE(window->SaveAll());
  EXPECT_EQ(dir.Read("Orders/Report.dfm").substr(0, 1), "\xFF");
  EXPECT_TRUE(window->ActionServices()->ReloadFile(dir.Path("Orders/Report.dfm")));
  EXPECT_NE(Shown("Report.pas", true).find("qryReport2"), std::string::npos);
  // Close and open: the same units come back; an empty name opens nothing.
  EXPECT_TRUE(window->CloseProjectGroup());
  EXPECT_EQ(window->Modules().size(), 0u);
  EXPECT_EQ(window->ProjectTree->topLevelItemCount(), 0);
  EXPECT_FALSE(window->ActionServices()->OpenProject("", true));
  EXPECT_TRUE(window->ActionServices()->OpenProject(dir.Path("Orders/Orders.dpr"), true));
  EXPECT_EQ(window->Modules().size(), 4u);  // Orders.dpr and the three units, as before
  EXPECT_EQ(window->RecentProjects().value(0).toStdString(), dir.Path("Orders/Orders.dpr"));
}

TEST_F(IdeHostTest, WizardWrittenInC) {
  fs::create_directories(dir.Path("more"));
  fs::copy_file(MIGWIZ_HELLO_FILE, dir.Path("more/libhello.so"));
  window->LoadWizards({dir.Path("more")});
  ASSERT_EQ(window->Wizards().size(), 2u);
  EXPECT_TRUE(window->Wizards()[1]->Wizards().empty());  // it registered nothing
  QAction* hello = window->FindMenuAction("HelloItem");
  ASSERT_NE(hello, nullptr);
  hello->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Hello from a wizard.");
  window->UnloadWizards();
  hello->trigger();  // harmless once its library is gone
  EXPECT_EQ(messages.size(), 1u);
}

TEST(PluginFolders, InstalledFolderThenEnvironmentThenCommandLine) {
  // The installed folder is found from bin/, as cmake --install lays them out.
  EXPECT_EQ(ide::PluginFolders("/opt/mw/bin", "/a::/b", {"/c"}),
            (std::vector<std::string>{"/opt/mw/lib/migwiz/plugins", "/a", "/b", "/c"}));
  EXPECT_EQ(ide::PluginFolders("/usr/bin", "", {}), std::vector<std::string>{"/usr/lib/migwiz/plugins"});
}

namespace {

ModalDriver::Act Answer(QMessageBox::StandardButton button) {
  return [button](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    box->button(button)->click();
  };
}

}  // namespace

TEST_F(IdeHostTest, EveryCloseOfTheProjectAsksAboutUnsavedEdits) {
  const std::string project = dir.Path("Orders/Orders.dpr");
  ide::TEditorModule* main = window->FindModule(dir.Path("Orders/Main.pas"));
  main->SourceEdit()->appendPlainText("// mine");
  // Cancel stops the close and whatever asked for it: the project, the edit and the file stay.
  struct Closer {
    const char* what;
    std::function<void()> close;
  };
  const Closer closers[] = {
      {"File > Close Project", [&] { window->FindMenuAction("FileCloseProjectItem")->trigger(); }},
      {"File > Reopen", [&] { window->RecentMenu->actions().value(0)->trigger(); }},
      {"opening a project", [&] { EXPECT_FALSE(window->OpenProjectFile(project)); }},
      {"closing the window", [&] { EXPECT_FALSE(window->close()); }},
  };
  for (const Closer& c : closers) {
    ModalDriver driver;
    driver.Expect("SaveChangesBox", Answer(QMessageBox::Cancel));
    c.close();
    for (const std::string& problem : driver.Problems()) ADD_FAILURE() << c.what << ": " << problem;
    EXPECT_EQ(window->ProjectFileName(), project) << c.what;
    ASSERT_EQ(window->FindModule(dir.Path("Orders/Main.pas")), main) << c.what;
    EXPECT_TRUE(main->Modified()) << c.what;
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(dir.Read("Orders/Main.pas"), originals["Main.pas"]);
  {  // Discard closes without writing
    ModalDriver driver;
    driver.Expect("SaveChangesBox", Answer(QMessageBox::Discard));
    EXPECT_TRUE(window->CloseProjectGroup());
    EXPECT_TRUE(driver.Done());
  }
  EXPECT_EQ(window->ProjectFileName(), "");
  EXPECT_EQ(dir.Read("Orders/Main.pas"), originals["Main.pas"]);
  ASSERT_TRUE(window->OpenProjectFile(project));  // nothing modified: nothing asked
  main = window->FindModule(dir.Path("Orders/Main.pas"));
  main->SourceEdit()->appendPlainText("// kept");
  {  // Save writes the edit, then closes
    ModalDriver driver;
    driver.Expect("SaveChangesBox", Answer(QMessageBox::Save));
    window->FindMenuAction("FileCloseProjectItem")->trigger();
    EXPECT_TRUE(driver.Done());
  }
  EXPECT_EQ(window->ProjectFileName(), "");
  EXPECT_EQ(dir.Read("Orders/Main.pas"), originals["Main.pas"] + "\r\n// kept");
}

TEST_F(IdeHostTest, ARestoreOverUnsavedEditsAsksBeforeAnythingRuns) {
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", ReplaceProject);
    driver.Expect("SaveWarnForm", Yes(false));
    Click(driver);
  }
  const std::string converted = dir.Read("Orders/Main.pas");
  window->FindModule(dir.Path("Orders/Main.pas"))->SourceEdit()->appendPlainText("// after the run");
  messages.clear();
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", Restore);
    driver.Expect("SaveWarnForm", Yes(false));
    driver.Expect("SaveChangesBox", Answer(QMessageBox::Cancel));
    Click(driver);
  }
  EXPECT_TRUE(messages.empty());  // cancelled: nothing to say
  EXPECT_EQ(dir.Read("Orders/Main.pas"), converted);  // nothing restored
  EXPECT_TRUE(dir.Exists("Orders/RBackup/RExpert.reu"));
  EXPECT_EQ(window->ProjectFileName(), dir.Path("Orders/Orders.dpr"));
  EXPECT_TRUE(window->FindModule(dir.Path("Orders/Main.pas"))->Modified());
}

TEST_F(IdeHostTest, AMissingUnitInTheTreeIsSaidOnceWithItsPathOnce) {
  ASSERT_TRUE(window->CloseProjectGroup());
  std::filesystem::remove(dir.Path("Orders/DataMod.pas"));
  ASSERT_TRUE(window->OpenProjectFile(dir.Path("Orders/Orders.dpr")));
  QTreeWidgetItem* unit = nullptr;
  for (QTreeWidgetItem* item : window->ProjectTree->findItems("DataMod.pas", Qt::MatchRecursive)) unit = item;
  ASSERT_NE(unit, nullptr);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  window->ProjectTree->scrollToItem(unit);
  QWidget* viewport = window->ProjectTree->viewport();
  const QPoint at = window->ProjectTree->visualItemRect(unit).center();
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, at);
  ASSERT_EQ(messages.size(), 1u);  // a double click also activates: one message
  const std::string path = dir.Path("Orders/DataMod.pas");
  const std::string& text = messages[0].text;
  EXPECT_NE(text.find(path), std::string::npos) << text;
  EXPECT_EQ(text.find(path), text.rfind(path)) << text;
  EXPECT_EQ(text.rfind("Cannot open \"" + path + "\": ", 0), 0u) << text;
}

TEST_F(IdeHostTest, AFolderChosenElsewhereIsConfirmedWithItsUnits) {
  // migwiz-wizard ran over another folder and left it in the shared settings.
  fs::create_directories(dir.Path("elsewhere/sub"));
  dir.Write("elsewhere/A.pas", "unit A;\r\nend.\r\n");
  dir.Write("elsewhere/sub/B.pas", "unit B;\r\nend.\r\n");
  dir.Write("config/Software/Corvane.ini", "[BDE Migration Wizard]\nDest=i:1\nIncludeSubDirs=b:1\nDirectory=s:" +
                                               dir.Path("elsewhere") + "\n");
  std::string question, note;
  {
    ModalDriver driver;
    driver.Expect("TarnWizardForm", [](QWidget* w) {
      EXPECT_TRUE(w->findChild<QRadioButton*>("rbDestFolder")->isChecked());
      ReplaceProject(w);
    });
    driver.Expect("SaveWarnForm", [&](QWidget* w) {
      question = w->findChild<QLabel*>("lblWarn")->text().toStdString();
      note = w->findChild<QLabel*>("lblNote")->text().toStdString();
      Press(w, "CancelBtn");
    });
    Click(driver);
  }
  EXPECT_EQ(question, "Units in this folder will be converted and rewritten. Continue?");
  EXPECT_EQ(note, "Folder: " + dir.Path("elsewhere") + "\n2 unit(s) found, sub-folders included.");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(dir.Read("elsewhere/A.pas"), "unit A;\r\nend.\r\n");
  EXPECT_FALSE(dir.Exists("elsewhere/Wiz_Log.txt"));
}

TEST(IdeProgram, PicturesNeedNoScreenAndLeaveReopenAlone) {
  TempDir dir;
  fs::copy(MIGWIZ_EXAMPLES "/Orders", dir.Path("Orders"));
  fs::create_directories(dir.Path("plugins"));
  fs::copy_file(MIGWIZ_PLUGIN_FILE, dir.Path("plugins/libmigwiz-expert.so"));
  // No display and no platform chosen: as in a terminal without X.
  auto result = migwiz::testing::RunProgram(
      MIGWIZ_IDE_BIN, {"--plugin-dir", dir.Path("plugins"), "--screenshots", dir.Path("shots"), dir.Path("Orders/Orders.dpr")},
      {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME=" + dir.Path("config")});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* picture : {"ide-project.png", "ide-menu.png", "ide-save-changes.png", "wizard-1-mode.png",
                              "wizard-3-units.png", "wizard-5-final.png", "wizard-2-restore.png", "wizard-message.png"})
    EXPECT_TRUE(dir.Exists(std::string("shots/") + picture)) << picture;
  EXPECT_FALSE(dir.Exists("config/Software/Corvane/MigWizIDE.ini"));  // Reopen untouched
  EXPECT_EQ(dir.Read("Orders/Main.pas"), migwiz::testing::ReadAll(MIGWIZ_EXAMPLES "/Orders/Main.pas"));
  auto list = migwiz::testing::RunProgram(MIGWIZ_IDE_BIN, {"--plugin-dir", dir.Path("plugins"), "--list-plugins"},
                                          {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("libmigwiz-expert.so"), std::string::npos) << list.out;
}
