// The wizard object and the flow behind its menu item, over the host-less
// project model, with the dialogs answered by the test.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "dialogs/TarnWizard.h"
#include "host/IDEUtils.h"
#include "host/ReplaceExpert.h"
#include "platform/SettingsStore.h"
#include "platform/StandaloneIDE.h"
#include "replace/TarnReplacer.h"
#include "support/Assert.h"
#include "support/StrUtils.h"
#include "testing/TempDir.h"

using namespace migwiz;
using namespace migwiz::platform;
using host::TCompReplaceExpert;
using migwiz::testing::TempDir;

namespace {

class RecordingApplication : public IOTAApplication {
 public:
  std::vector<std::string> shown;  // "caption|flags|text"
  int answer = IDNO;               // to a question
  int MessageBox(const std::string& text, const std::string& caption, int flags) override {
    shown.push_back(caption + "|" + std::to_string(flags) + "|" + text);
    return (flags & MB_YESNO) ? answer : IDOK;
  }
  void HandleException(const std::string& message) override { shown.push_back("error|" + message); }
};

class FakeShell : public IShell {
 public:
  std::vector<std::string> opened;
  bool works = true;
  bool Open(const std::string& target) override {
    opened.push_back(target);
    return works;
  }
};

// The host-less project model, noting what the flow asks of it.
class NotingIDE : public TStandaloneIDE {
 public:
  std::vector<std::string> opened;
  bool OpenProject(const std::string& name, bool newGroup) override {
    opened.push_back(name);
    return TStandaloneIDE::OpenProject(name, newGroup);
  }
};

class ReplaceExpertTest : public ::testing::Test {
 protected:
  ReplaceExpertTest() : options(replace::kTarnSourceName), replacer(replace::CreateTarnReplacer(options)) {
    setenv("XDG_CONFIG_HOME", dir.Path("config").c_str(), 1);
    BorlandIDEServices = &ide;
    Application = &app;
    host::TExpertEnvironment env;
    env.execDialog = [this](dialogs::TWizardForm& form) {
      ++dialogs;
      form.show();
      int result = answer ? answer(form) : QDialog::Rejected;
      form.hide();
      return result;
    };
    env.saveWarn.exec = [this](dialogs::TSaveWarnForm& form) {
      ++warnings;
      const QString note = form.lblNote->toolTip().isEmpty() ? form.lblNote->text() : form.lblNote->toolTip();
      questions.push_back((form.lblWarn->text() + "|" + note).toStdString());
      return dialogs::TSaveWarnForm::mrYes;
    };
    env.onProgress = [this](dialogs::TRunProgressForm& form) {
      if (onProgress) onProgress(form);
    };
    env.shell = &shell;
    expert = TIntf<TCompReplaceExpert>(new TCompReplaceExpert(
        dialogs::TarnWizardFormClass(), "&Tarnbase", {"TarnbaseMenu", "&Tarnbase", ""}, replacer.get(), env));
  }
  ~ReplaceExpertTest() override {
    expert = {};
    BorlandIDEServices = nullptr;
    Application = nullptr;
    unsetenv("XDG_CONFIG_HOME");
  }
  void Click() { ide.Menu().FindItem("RExpertItemBDETarnbase")->OnClick(); }
  std::string Settings() { return migwiz::testing::ReadAll(dir.Path("config/Software/Corvane.ini")); }

  TempDir dir;
  NotingIDE ide;
  RecordingApplication app;
  FakeShell shell;
  replace::TReplaceOptions options;
  std::unique_ptr<replace::TComponentReplacer> replacer;
  TIntf<TCompReplaceExpert> expert;
  std::function<int(dialogs::TWizardForm&)> answer;
  std::function<void(dialogs::TRunProgressForm&)> onProgress;
  std::vector<std::string> questions;
  int dialogs = 0, warnings = 0;
};

// Finish on the page the dialog shows, with its controls as the test set them.
int Finish(dialogs::TWizardForm& form) {
  form.Finish();
  return QDialog::Accepted;
}

}  // namespace

TEST_F(ReplaceExpertTest, IdentityAndRegistry) {
  EXPECT_EQ(expert->GetIDString(), "Corvane.BDEMigrationWizard.Tarnbase");
  EXPECT_EQ(expert->GetName(), "BDE Migration Wizard");
  EXPECT_EQ(expert->GetState(), 0u);
  EXPECT_EQ(expert->ProductName(), "&Tarnbase");
  EXPECT_EQ(TCompReplaceExpert::MenuItemName("A/B", "&Tarnbase"), "RExpertItemA_BTarnbase");
  EXPECT_EQ(expert->GetReplacer(0), expert->GetDefaultReplacer());
  EXPECT_THROW(expert->GetReplacer(1), support::EAssertionFailed);
  EXPECT_THROW(expert->GetReplacer(-1), support::EAssertionFailed);
  replace::TReplaceOptions other("A/B");
  auto second = replace::CreateTarnReplacer(other);
  expert->RegisterReplacer(second.get());
  EXPECT_EQ(expert->GetReplacer(1), second.get());
  EXPECT_EQ(expert->GetDefaultReplacer(), replacer.get());  // the first stays the default
  TMenuItem* product = ide.Menu().FindItem("TarnbaseMenu");
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(product->Caption, "&Tarnbase");
  ASSERT_EQ(product->Items.size(), 1u);
  EXPECT_EQ(product->Items[0]->Caption, "&Migration Wizard...");
}

TEST_F(ReplaceExpertTest, ProjectModeWithoutProjectStopsAtTheSave) {
  options.Dest = replace::TSearchDestination::sdProject;
  expert->PerformReplace(replacer.get());
  EXPECT_EQ(warnings, 0);  // no project: nothing to confirm
  EXPECT_EQ(app.shown, std::vector<std::string>{
                           "BDE Migration Wizard|64|Cannot start replace process.\nProject was not saved."});
}

TEST_F(ReplaceExpertTest, FolderModeNamesTheFolderAndReloadsNothing) {
  dir.Write("src/Unit1.pas", "unit Unit1;\r\ninterface\r\nuses DBTables;\r\nvar Q: TQuery;\r\nimplementation\r\nend.\r\n");
  dir.Write("P/App.dpr", "program App;\r\nuses Unit2 in 'Unit2.pas';\r\nbegin end.\r\n");
  dir.Write("P/Unit2.pas", "unit Unit2;\r\nend.\r\n");
  ASSERT_TRUE(ide.OpenProject(dir.Path("P/App.dpr"), true));
  answer = [this](dialogs::TWizardForm& form) {
    EXPECT_EQ(form.rbModeReplace->text(), "&Replace BDE components");
    EXPECT_EQ(form.ProductName(), "Tarnbase");
    form.rbDestFolder->setChecked(true);
    form.cbDirectory->setEditText(QString::fromStdString(dir.Path("src")));
    return Finish(form);
  };
  Click();
  // A run that rewrites a folder says which and how much first.
  EXPECT_EQ(questions, std::vector<std::string>{"Units in this folder will be converted and rewritten. Continue?|Folder: " +
                                                dir.Path("src") + "\n1 unit(s) found."});
  EXPECT_TRUE(ide.Reloaded().empty());
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_EQ(app.shown[0].rfind("BDE Migration Wizard|68|Replace procedure was performed sucessfully.\n", 0), 0u);
  EXPECT_NE(dir.Read("src/Unit1.pas").find("TTarnQuery"), std::string::npos);
  EXPECT_NE(Settings().find("Dest=i:1"), std::string::npos);  // saved after the run
}

TEST_F(ReplaceExpertTest, SuccessMessageNamesTheReportAndOpensItOnYes) {
  const std::string unit = "unit Unit1;\r\ninterface\r\nuses DBTables;\r\nvar Q: TQuery;\r\nimplementation\r\nend.\r\n";
  dir.Write("src/Unit1.pas", unit);
  answer = [this](dialogs::TWizardForm& form) {
    form.rbDestFolder->setChecked(true);
    form.cbDirectory->setEditText(QString::fromStdString(dir.Path("src")));
    return Finish(form);
  };
  const std::string report = dir.Path("src/Wiz_Report.txt");
  const std::string done = "BDE Migration Wizard|68|Replace procedure was performed sucessfully.\n\n"
                           "What the run did, and what is left to do by hand, is in its report:\n" +
                           report + "\n\nOpen the report now?";
  struct Case {
    const char* what;
    int answer;
    bool shellWorks;
    std::vector<std::string> shown, opened;
  };
  const Case cases[] = {
      {"No opens nothing", IDNO, true, {done}, {}},
      {"Yes opens the report", IDYES, true, {done}, {report}},
      {"a report no program takes is said so", IDYES, false,
       {done, "BDE Migration Wizard|16|No program could open the report \"" + report + "\"."}, {report}},
  };
  for (const Case& c : cases) {
    dir.Write("src/Unit1.pas", unit);
    app.shown.clear();
    app.answer = c.answer;
    shell.opened.clear();
    shell.works = c.shellWorks;
    Click();
    EXPECT_EQ(app.shown, c.shown) << c.what;
    EXPECT_EQ(shell.opened, c.opened) << c.what;
    EXPECT_NE(dir.Read("src/Wiz_Report.txt").find("Unit1.pas"), std::string::npos) << c.what;
  }
  // A report that cannot be written does not undo the run: the message says
  // why, and there is nothing to offer.
  std::filesystem::remove(report);
  std::filesystem::create_directories(report);
  dir.Write("src/Unit1.pas", unit);
  app.shown.clear();
  shell.opened.clear();
  app.answer = IDYES;
  Click();
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_EQ(app.shown[0].rfind("BDE Migration Wizard|64|Replace procedure was performed sucessfully.\n\n"
                               "The run report could not be written: ", 0), 0u) << app.shown[0];
  EXPECT_NE(app.shown[0].find("Wiz_Report.txt"), std::string::npos) << app.shown[0];
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_NE(dir.Read("src/Unit1.pas").find("TTarnQuery"), std::string::npos);
}

TEST_F(ReplaceExpertTest, ProjectModeReloadsPasUnitsOnly) {
  dir.Write("P/App.dpr", "program App;\r\nuses Unit1 in 'Unit1.PAS', Unit2 in 'Unit2.pas';\r\nbegin end.\r\n");
  dir.Write("P/Unit1.PAS", "unit Unit1;\r\ninterface\r\nuses DBTables;\r\nvar T: TTable;\r\nimplementation\r\nend.\r\n");
  dir.Write("P/Unit2.pas", "unit Unit2;\r\nend.\r\n");
  ASSERT_TRUE(ide.OpenProject(dir.Path("P/App.dpr"), true));
  answer = [](dialogs::TWizardForm& form) {
    form.NextStep();  // mode
    form.NextStep();  // the project: fills the unit list
    return Finish(form);
  };
  Click();
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(ide.Reloaded(), (std::vector<std::string>{dir.Path("P/Unit1.PAS"), dir.Path("P/Unit2.pas")}));
  EXPECT_NE(dir.Read("P/Unit1.PAS").find("TTarnTable"), std::string::npos);
  ASSERT_EQ(app.shown.size(), 1u);
}

TEST_F(ReplaceExpertTest, RestoreClosesAndReopensWhateverTheOutcome) {
  dir.Write("P/App.dpr", "program App;\r\nbegin end.\r\n");
  dir.Write("P/RBackup/RExpert.reu", "not a line of the undo file\r\n");
  ASSERT_TRUE(ide.OpenProject(dir.Path("P/App.dpr"), true));
  ide.opened.clear();
  expert->PerformRestore(dir.Path("P/RBackup/RExpert.reu"));
  EXPECT_EQ(warnings, 1);
  // The message says why.
  EXPECT_EQ(app.shown, std::vector<std::string>{"BDE Migration Wizard|16|Failed to restore files.\n\n"
                                                "Undo file line 1 is not of the form file=backup."});
  EXPECT_EQ(ide.opened, std::vector<std::string>{dir.Path("P/App.dpr")});
  // An undo file that cannot be read: the cause with its path, and the project back.
  ide.opened.clear();
  app.shown.clear();
  expert->PerformRestore(dir.Path("missing/RExpert.reu"));
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_EQ(app.shown[0].rfind("BDE Migration Wizard|16|Failed to restore files.\n\nCannot open \"" +
                               dir.Path("missing/RExpert.reu") + "\": ", 0), 0u) << app.shown[0];
  EXPECT_EQ(ide.opened, std::vector<std::string>{dir.Path("P/App.dpr")});
  // With no project open, the host is asked to open an empty name.
  ASSERT_TRUE(host::TIDEUtils::CloseProject());
  ide.opened.clear();
  expert->PerformRestore(dir.Path("P/RBackup/RExpert.reu"));
  EXPECT_EQ(ide.opened, std::vector<std::string>{""});
}

// A file edited after the run: the wizard names it and restores over it
// only on Yes.
TEST_F(ReplaceExpertTest, RestoreAsksBeforeWritingOverEdits) {
  const std::string unit = "unit Unit1;\r\ninterface\r\nuses DBTables;\r\nvar Q: TQuery;\r\nimplementation\r\nend.\r\n";
  dir.Write("src/Unit1.pas", unit);
  options.Dest = replace::TSearchDestination::sdDirectory;
  options.Directory = dir.Path("src");
  options.BackupDir = dir.Path("src/RBackup");
  ASSERT_TRUE(replacer->PerformReplace());
  const std::string edited = dir.Read("src/Unit1.pas") + "{ edited }";
  dir.Write("src/Unit1.pas", edited);
  const std::string question = "BDE Migration Wizard|20|These files were changed after the run that converted "
                               "them:\n\n" + dir.Path("src/Unit1.pas") + "\n\nRestoring them loses those "
                               "changes. Restore them all the same?";
  app.answer = IDNO;
  expert->PerformRestore(dir.Path("src/RBackup/RExpert.reu"));
  EXPECT_EQ(app.shown, (std::vector<std::string>{question, "BDE Migration Wizard|16|Failed to restore files.\n\n1 file(s) "
                                                    "were changed after the run that converted them; nothing "
                                                    "was restored."}));
  EXPECT_EQ(dir.Read("src/Unit1.pas"), edited);
  app.shown.clear();
  app.answer = IDYES;
  expert->PerformRestore(dir.Path("src/RBackup/RExpert.reu"));
  EXPECT_EQ(app.shown, (std::vector<std::string>{question, "BDE Migration Wizard|64|Files were succefully restored."}));
  EXPECT_EQ(dir.Read("src/Unit1.pas"), unit);
}

TEST_F(ReplaceExpertTest, CancelSavesNothingAndAFailedRunSaysWhy) {
  dir.Write("config/Software/Corvane.ini", "[BDE Migration Wizard]\nDest=i:0\n");
  answer = [](dialogs::TWizardForm& form) {
    form.rbModeRestore->setChecked(true);
    return QDialog::Rejected;
  };
  Click();
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(Settings(), "[BDE Migration Wizard]\nDest=i:0\n");
  EXPECT_TRUE(app.shown.empty());
  // A run that fails: the message names the cause and the log, which ends
  // with the failure; the settings are saved as after any run.
  dir.Write("src/Unit1.pas", "unit Unit1;\r\nuses DBTables;\r\nvar Q: TQuery;\r\nend.\r\n");
  dir.Write("blocker", "a file where the backup folder should go");
  answer = [this](dialogs::TWizardForm& form) {
    form.rbDestFolder->setChecked(true);
    form.cbDirectory->setEditText(QString::fromStdString(dir.Path("src")));
    form.cbBackupDir->setEditText(QString::fromStdString(dir.Path("blocker/RBackup")));
    return Finish(form);
  };
  Click();
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_EQ(app.shown[0].rfind("BDE Migration Wizard|16|Replace failed.\n\nFailed to create directory. ", 0), 0u)
      << app.shown[0];
  EXPECT_NE(app.shown[0].find("blocker/RBackup"), std::string::npos) << app.shown[0];
  EXPECT_NE(app.shown[0].find("\n\nThe log: " + dir.Path("src/Wiz_Log.txt")), std::string::npos) << app.shown[0];
  const std::string log = dir.Read("src/Wiz_Log.txt");
  EXPECT_EQ(log.rfind("Replace failed: Failed to create directory."), log.rfind("\r\n\r\n", log.size() - 5) + 4) << log;
  EXPECT_NE(Settings().find("Dest=i:1"), std::string::npos);
  EXPECT_EQ(dir.Read("src/Unit1.pas"), "unit Unit1;\r\nuses DBTables;\r\nvar Q: TQuery;\r\nend.\r\n");
}

TEST(SettingsStore, NoStaleCopyOverwritesNewerValues) {
  TempDir dir;
  const std::string file = dir.Path("Software/Corvane.ini");
  TSettingsStore early = TSettingsStore::AtPath(file);  // opened before the confirmation
  {
    TSettingsStore confirmation = TSettingsStore::AtPath(file);
    confirmation.WriteBool("BDE Migration Wizard", "ReplaceProjWarn", false);
  }
  early.WriteInteger("BDE Migration Wizard", "Left", 10);
  TSettingsStore after = TSettingsStore::AtPath(file);
  EXPECT_FALSE(after.ReadBool("BDE Migration Wizard", "ReplaceProjWarn", true));
  EXPECT_EQ(after.ReadInteger("BDE Migration Wizard", "Left", 0), 10);
  EXPECT_FALSE(early.ReadBool("BDE Migration Wizard", "ReplaceProjWarn", true));  // and it sees it now
}

namespace {

const char* const kUnit =
    "unit %s;\r\ninterface\r\nuses DBTables;\r\nvar Q: TQuery;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n";
const char* const kForm = "object Form1: TForm1\r\n  object Q: TQuery\r\n    DatabaseName = 'Sales'\r\n  end\r\nend\r\n";

}  // namespace

// Two units with their forms in src/; the wizard set to a folder run over it.
class FolderRunTest : public ReplaceExpertTest {
 protected:
  FolderRunTest() {
    for (const char* unit : {"Unit1", "Unit2"}) {
      files[std::string(unit) + ".pas"] = support::FormatStr(kUnit, {unit});
      files[std::string(unit) + ".dfm"] = kForm;
    }
    for (const auto& [name, text] : files) dir.Write("src/" + name, text);
    answer = [this](dialogs::TWizardForm& form) {
      form.rbDestFolder->setChecked(true);
      form.cbDirectory->setEditText(QString::fromStdString(dir.Path("src")));
      return Finish(form);
    };
  }
  bool Unchanged() {
    for (const auto& [name, text] : files)
      if (dir.Read("src/" + name) != text) return false;
    return true;
  }
  std::map<std::string, std::string> files;
};

TEST_F(FolderRunTest, ProgressShowsEachPhaseAndCancelStopsBeforeAnyChange) {
  // Every step the window shows, once each, with whether Cancel was offered.
  std::vector<std::string> steps;
  onProgress = [&](dialogs::TRunProgressForm& form) {
    EXPECT_TRUE(form.isVisible() && form.isModal());
    const std::string step = form.lblPhase->text().toStdString() + (form.btCancel->isEnabled() ? "" : " (no cancel)");
    if (steps.empty() || steps.back() != step) steps.push_back(step);
  };
  Click();
  const std::vector<std::string> expected = {
      "Looking for the files of the run", "Processing unit 1 of 2", "Processing unit 2 of 2",
      "Processing form 1 of 2",           "Processing form 2 of 2", "Backing up 1 of 4 (no cancel)",
      "Backing up 2 of 4 (no cancel)",    "Backing up 3 of 4 (no cancel)", "Backing up 4 of 4 (no cancel)",
      "Replacing 1 of 4 (no cancel)",
      "Replacing 2 of 4 (no cancel)",     "Replacing 3 of 4 (no cancel)", "Replacing 4 of 4 (no cancel)"};
  EXPECT_EQ(steps, expected);
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_FALSE(Unchanged());

  // Cancel at each step before the copy back: nothing changed, said so, logged.
  for (const char* at : {"Processing unit 1 of 2", "Processing form 1 of 2", "Processing form 2 of 2"}) {
    for (const auto& [name, text] : files) dir.Write("src/" + name, text);
    std::filesystem::remove_all(dir.Path("src/RBackup"));
    app.shown.clear();
    onProgress = [&](dialogs::TRunProgressForm& form) {
      if (form.lblPhase->text() == at && form.btCancel->isEnabled()) form.btCancel->click();
    };
    Click();
    EXPECT_EQ(app.shown, std::vector<std::string>{"BDE Migration Wizard|64|The run was stopped: no file was changed."})
        << at;
    EXPECT_TRUE(Unchanged()) << at;
    EXPECT_FALSE(dir.Exists("src/RBackup/RExpert.reu")) << at;
    EXPECT_NE(dir.Read("src/Wiz_Log.txt").find("Replace was stopped"), std::string::npos) << at;
  }
}

TEST_F(FolderRunTest, AReadOnlyFormNamesTheFileAndTheLog) {
  ASSERT_EQ(chmod(dir.Path("src/Unit2.dfm").c_str(), 0444), 0);
  Click();
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_EQ(app.shown[0], "BDE Migration Wizard|16|Replace failed.\n\n"
                          "Read-only files cannot be replaced; no original was changed:\n"
                          "Read-only, not replaced: " + dir.Path("src/Unit2.dfm") + "\n\n"
                          "The log: " + dir.Path("src/Wiz_Log.txt"));
  EXPECT_TRUE(Unchanged());
  const std::string log = dir.Read("src/Wiz_Log.txt");
  EXPECT_NE(log.find("Replace failed: not every converted file replaced its original\r\n"), std::string::npos);
}

TEST_F(FolderRunTest, ARunThatChangesNothingKeepsTheReportBeforeIt) {
  Click();
  const std::string report = dir.Read("src/Wiz_Report.txt");
  ASSERT_NE(report.find("Unit1.dfm"), std::string::npos);
  app.shown.clear();
  Click();  // over the converted units
  EXPECT_EQ(dir.Read("src/Wiz_Report.txt"), report);
  EXPECT_EQ(app.shown, std::vector<std::string>{
                           "BDE Migration Wizard|64|Replace procedure was performed sucessfully.\n\n"
                           "No file needed a change; the report of the run before was kept:\n" +
                           dir.Path("src/Wiz_Report.txt")});
  // With no report before it, the run writes its own and names it.
  std::filesystem::remove(dir.Path("src/Wiz_Report.txt"));
  app.shown.clear();
  Click();
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_EQ(app.shown[0].rfind("BDE Migration Wizard|68|Replace procedure was performed sucessfully.\n\n"
                               "No file needed a change.\n\nWhat the run did", 0), 0u) << app.shown[0];
  EXPECT_TRUE(dir.Exists("src/Wiz_Report.txt"));
}

TEST_F(FolderRunTest, AFolderWithoutUnitsRunsNothing) {
  dir.MakeDir("empty/sub");
  dir.Write("empty/sub/Deep.pas", "unit Deep;\r\nend.\r\n");
  answer = [this](dialogs::TWizardForm& form) {
    form.rbDestFolder->setChecked(true);
    form.cbDirectory->setEditText(QString::fromStdString(dir.Path("empty")));
    return Finish(form);
  };
  Click();
  EXPECT_EQ(warnings, 0);
  EXPECT_EQ(app.shown, std::vector<std::string>{"BDE Migration Wizard|64|No units (.pas, .dpr) in folder \"" +
                                                dir.Path("empty") +
                                                "\"; nothing was run. Tick \"Include subfolders\" to search below it."});
  EXPECT_FALSE(dir.Exists("empty/Wiz_Log.txt"));
  EXPECT_FALSE(dir.Exists("empty/Wiz_Report.txt"));
}

TEST_F(FolderRunTest, ViewLogWithoutAViewerSaysSo) {
  options.ViewLog = true;  // as the settings would load it
  answer = [this](dialogs::TWizardForm& form) {
    form.rbDestFolder->setChecked(true);
    form.cbDirectory->setEditText(QString::fromStdString(dir.Path("src")));
    form.chViewLog->setChecked(true);
    return Finish(form);
  };
  shell.works = false;
  Click();
  ASSERT_EQ(app.shown.size(), 2u);
  EXPECT_EQ(app.shown[0], "BDE Migration Wizard|16|No program could open the log \"" + dir.Path("src/Wiz_Log.txt") + "\".");
  EXPECT_EQ(shell.opened, std::vector<std::string>{dir.Path("src/Wiz_Log.txt")});
  EXPECT_TRUE(options.ViewLog);  // the choice stays for the next run
}

TEST_F(FolderRunTest, LinkingConnectionsIsAChoiceOfTheWizard) {
  files["Data.pas"] = support::FormatStr(kUnit, {"Data"});
  files["Data.dfm"] = "object Data: TDataModule\r\n  object Sales: TDatabase\r\n    DatabaseName = 'Sales'\r\n  end\r\nend\r\n";
  struct Case {
    bool link;
    bool hint;     // the report tells how to link, in the wizard's words
    bool linked;   // Unit1's query refers to the connection
  };
  for (Case c : {Case{false, true, false}, Case{true, false, true}}) {
    for (const auto& [name, text] : files) dir.Write("src/" + name, text);
    std::filesystem::remove(dir.Path("src/Wiz_Report.txt"));
    answer = [&](dialogs::TWizardForm& form) {
      form.rbDestFolder->setChecked(true);
      form.cbDirectory->setEditText(QString::fromStdString(dir.Path("src")));
      EXPECT_TRUE(form.chLinkConnections->isEnabled());
      form.chLinkConnections->setChecked(c.link);
      return Finish(form);
    };
    Click();
    const std::string report = dir.Read("src/Wiz_Report.txt");
    EXPECT_EQ(report.find("run again with \"Link datasets to connections\" ticked on the wizard's options page, or as") != std::string::npos,
              c.hint) << report;
    EXPECT_EQ(report.find("--link-connections"), std::string::npos);
    EXPECT_EQ(dir.Read("src/Unit1.dfm").find("Connection = ") != std::string::npos, c.linked);
    EXPECT_NE(Settings().find(c.link ? "LinkConnections=b:1" : "LinkConnections=b:0"), std::string::npos);
  }
}

// The settings value ProfileFile names the profile of the wizard's runs; one
// that does not validate stops the run before any file is read.
TEST_F(ReplaceExpertTest, ProfileFileSettingChoosesTheProfile) {
  const std::string unit = "unit Unit1;\r\ninterface\r\nuses DBTables;\r\nvar Q: TxDataSet;\r\nimplementation\r\n"
                           "{$R *.dfm}\r\nend.\r\n";
  dir.Write("src/Unit1.pas", unit);
  dir.Write("src/Unit1.dfm", "object F: TForm\r\n  object Q: TxDataSet\r\n    SQLText = 'x'\r\n  end\r\nend\r\n");
  dir.Write("bad.toml", "format = 1\nextends = \"built-in\"\n[[pair]]\nold = \"TxDataSet\"\nnew = \"TNowhere\"\n");
  dir.Write("good.toml", "format = 1\nextends = \"built-in\"\n[[pair]]\nold = \"TxDataSet\"\nnew = \"TTarnQuery\"\n"
                         "[[translate.rule]]\nproperty = \"SQLText\"\nclasses = [\"TxDataSet\"]\naction = \"rename\"\n"
                         "to = \"SQL\"\n");
  answer = [this](dialogs::TWizardForm& form) {
    form.rbDestFolder->setChecked(true);
    form.cbDirectory->setEditText(QString::fromStdString(dir.Path("src")));
    return Finish(form);
  };
  auto setProfile = [&](const std::string& file) {
    TSettingsStore store("Software\\Corvane");
    store.WriteString("BDE Migration Wizard", "ProfileFile", file);
  };
  setProfile(dir.Path("bad.toml"));
  Click();
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_EQ(app.shown[0], "BDE Migration Wizard|16|The migration profile \"" + dir.Path("bad.toml") +
                              "\" cannot be used; nothing was read or written:\n" + dir.Path("bad.toml") +
                              ":3:1: the new class TNowhere of TxDataSet is not registered (add "
                              "[class.TNowhere] or code-only = true)");
  EXPECT_EQ(dir.Read("src/Unit1.pas"), unit);
  EXPECT_FALSE(dir.Exists("src/Wiz_Log.txt"));

  setProfile(dir.Path("good.toml"));
  app.shown.clear();
  Click();
  ASSERT_EQ(app.shown.size(), 1u);
  EXPECT_NE(dir.Read("src/Unit1.dfm").find("object Q: TTarnQuery\r\n    SQL = 'x'\r\n  end\r\n"), std::string::npos);
  EXPECT_NE(dir.Read("src/Unit1.pas").find("Q: TTarnQuery;"), std::string::npos);
  EXPECT_NE(dir.Read("src/Wiz_Report.txt").find("Profile: " + dir.Path("good.toml")), std::string::npos);

  // Without the value the built-in profile is back: TxDataSet means nothing to it.
  setProfile("");
  dir.Write("src/Unit2.pas", "unit Unit2;\r\ninterface\r\nvar Q: TxDataSet;\r\nimplementation\r\nend.\r\n");
  Click();
  EXPECT_NE(dir.Read("src/Unit2.pas").find("TxDataSet"), std::string::npos);
}
