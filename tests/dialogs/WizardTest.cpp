#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QCheckBox>
#include <QMouseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

#include "dialogs/DialogServices.h"
#include "dialogs/TarnWizard.h"
#include "platform/StandaloneIDE.h"
#include "testing/RecordingShell.h"
#include "testing/TempDir.h"

using namespace migwiz;
using namespace migwiz::dialogs;
using migwiz::testing::RecordingShell;
using migwiz::testing::TempDir;

namespace {

class FakeServices : public IDialogServices {
 public:
  std::vector<std::string> messages;
  std::vector<TMessageKind> kinds;
  std::optional<QString> nextFolder, nextFile;
  void ShowMessage(QWidget*, const QString& title, const QString& text, TMessageKind kind) override {
    messages.push_back(title.toStdString() + ": " + text.toStdString());
    kinds.push_back(kind);
  }
  std::optional<QString> GetOpenFileName(QWidget*, const QString&, const QString&) override {
    return nextFile;
  }
  std::optional<QString> SelectDirectory(QWidget*, const QString& caption) override {
    EXPECT_EQ(caption, "Select directory");
    return nextFolder;
  }
};

class WizardTest : public ::testing::Test {
 protected:
  WizardTest() : options("BDE"), form(nullptr, &services, &shell) {
    platform::BorlandIDEServices = &ide;
    form.SetProductName("Tarnbase");
    form.SetReplaceOptions(&options);
    form.SetLabel2Caption("BDE", "Tarnbase");
  }
  ~WizardTest() override { platform::BorlandIDEServices = nullptr; }

  void OpenProject() {
    dir.Write("P/App.dpr", "program App;\r\nuses A in 'A.pas', B in 'B.pas', C in 'C.pas';\r\nbegin end.\r\n");
    for (const char* u : {"A.pas", "B.pas", "C.pas"}) dir.Write(std::string("P/") + u, "unit X;");
    ASSERT_TRUE(ide.OpenProject(dir.Path("P/App.dpr"), true));
  }
  void Show() {
    form.show();
    ASSERT_EQ(form.CurrentPage(), TWizardForm::Step1);
  }
  void Next() { form.btNext->click(); }
  void Back() { form.btBack->click(); }
  std::string Caption() { return form.windowTitle().toStdString(); }

  TempDir dir;
  platform::TStandaloneIDE ide;
  FakeServices services;
  RecordingShell shell;
  replace::TReplaceOptions options;
  TTarnWizardForm form;
};

void MoveMouse(QWidget* widget, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

}  // namespace

TEST_F(WizardTest, ProjectReplaceSequenceAndFinish) {
  OpenProject();
  Show();
  EXPECT_EQ(Caption(), "Tarnbase Migration Wizard - Step 1 of 5");
  EXPECT_FALSE(form.btBack->isEnabled());
  EXPECT_FALSE(form.btFinish->isEnabled());
  Next();
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step2Replace);
  EXPECT_EQ(Caption(), "Tarnbase Migration Wizard - Step 2 of 5");
  EXPECT_TRUE(form.rbDestProject->isEnabled() && form.rbDestProject->isChecked());
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::Step3Proj);
  ASSERT_EQ(form.lbModules->count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(form.lbModules->item(i)->checkState(), Qt::Checked);
  form.btDeselect->click();
  Next();  // nothing checked: refused
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step3Proj);
  EXPECT_EQ(services.messages, std::vector<std::string>{"BDE Migration Wizard: At least one unit should be selected."});
  form.lbModules->item(0)->setCheckState(Qt::Checked);
  form.lbModules->item(2)->setCheckState(Qt::Checked);
  Back();  // going back keeps the list and its marks
  Next();
  EXPECT_EQ(form.lbModules->item(1)->checkState(), Qt::Unchecked);
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::Step4);
  EXPECT_EQ(form.cbBackupDir->currentText().toStdString(), dir.Path("P/RBackup"));
  form.chViewLog->setChecked(false);
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::FinalStep);
  EXPECT_EQ(Caption(), "Tarnbase Migration Wizard - Step 5 of 5");
  EXPECT_FALSE(form.btNext->isEnabled());
  EXPECT_TRUE(form.btFinish->isEnabled());
  EXPECT_EQ(form.lSummary->text().toStdString(),
            "Mode: Replace BDE components\n\nScan destination: Current open project\n\n"
            "Backup dir: \"" + dir.Path("P/RBackup") + "\"\n\nWrite log file\n\nUnits list:\nA.pas\nC.pas\n"
            "\nProfile: the built-in profile\n\n");
  form.btFinish->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(options.Dest, replace::TSearchDestination::sdProject);
  EXPECT_EQ(options.ModuleList, "A.pas\r\nC.pas\r\n");
  EXPECT_EQ(options.BackupDir, dir.Path("P/RBackup"));
  EXPECT_EQ(form.GetWizardMode(), 0);
  EXPECT_EQ(form.lbModules->count(), 0);  // cleared when the dialog closes
}

TEST_F(WizardTest, FolderSequenceBackupProposalAndRefusal) {
  Show();
  EXPECT_FALSE(form.rbDestProject->isEnabled());  // no project open
  Next();
  EXPECT_TRUE(form.rbDestFolder->isChecked());
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::Step3Dir);
  EXPECT_FALSE(form.btNext->isEnabled());  // empty folder box
  form.cbDirectory->setEditText(QString::fromStdString(dir.Path("missing")));
  EXPECT_TRUE(form.btNext->isEnabled());
  Next();
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step3Dir);
  EXPECT_EQ(services.messages.back(),
            "BDE Migration Wizard: Target directory \"" + dir.Path("missing") + "\" does not exist.");

  dir.MakeDir("Src");
  dir.MakeDir("Other");
  form.cbDirectory->setEditText(QString::fromStdString(dir.Path("Src")));
  Next();
  EXPECT_EQ(form.cbBackupDir->currentText().toStdString(), dir.Path("Src/RBackup"));
  Back();
  form.cbDirectory->setEditText(QString::fromStdString(dir.Path("Other")));
  Next();
  EXPECT_EQ(form.cbBackupDir->currentText().toStdString(), dir.Path("Other/RBackup"));
  // Once the user typed, the proposal stops; a relative folder is taken
  // relative to the target folder.
  form.cbBackupDir->lineEdit()->clear();
  QTest::keyClicks(form.cbBackupDir->lineEdit(), "Old");
  Back();
  form.cbDirectory->setEditText(QString::fromStdString(dir.Path("Src")));
  Next();
  EXPECT_EQ(form.cbBackupDir->currentText(), "Old");
  // Enabling follows the two check boxes.
  form.chMakeBackup->setChecked(false);
  EXPECT_FALSE(form.cbBackupDir->isEnabled() || form.btBrowseBackFolder->isEnabled() || form.lBackupFolder->isEnabled());
  form.chMakeBackup->setChecked(true);
  EXPECT_TRUE(form.cbBackupDir->isEnabled());
  form.chWriteLog->setChecked(false);
  EXPECT_FALSE(form.chViewLog->isEnabled() || form.lblLogNote->isEnabled());
  form.chViewLog->setChecked(true);  // without a log, view log is not in the summary
  Next();
  EXPECT_EQ(form.lSummary->text().toStdString(),
            "Mode: Replace BDE components\n\nScan destination: Folder \"" + dir.Path("Src") +
                "\"\n\nBackup dir: \"" + dir.Path("Src/Old") + "\"\n\nProfile: the built-in profile\n\n");
  form.btFinish->click();
  EXPECT_EQ(options.Dest, replace::TSearchDestination::sdDirectory);
  EXPECT_EQ(options.Directory, dir.Path("Src"));
  EXPECT_EQ(options.BackupDir, dir.Path("Src/Old"));
  EXPECT_FALSE(options.WriteLog);
}

TEST_F(WizardTest, RestoreSequence) {
  Show();
  form.rbModeRestore->click();
  EXPECT_EQ(Caption(), "Tarnbase Migration Wizard - Step 1 of 3");
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::Step2Restore);
  EXPECT_FALSE(form.btNext->isEnabled());
  form.edUndoFile->setText(QString::fromStdString(dir.Path("gone.reu")));
  Next();
  EXPECT_EQ(services.messages.back(),
            "BDE Migration Wizard: Undo file \"" + dir.Path("gone.reu") + "\" does not exist.");
  std::string undo = dir.Write("my backup/RExpert.reu", "");
  services.nextFile = QString::fromStdString(undo);
  form.btRestoreBrowse->click();
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::FinalStep);
  EXPECT_EQ(Caption(), "Tarnbase Migration Wizard - Step 3 of 3");
  // The last page of a restore speaks of the restore.
  EXPECT_EQ(form.Label13->text(), "Step 3 - Restore original files");
  EXPECT_TRUE(form.Label15->text().endsWith("click Finish to start restoring."));
  EXPECT_EQ(form.lSummary->text().toStdString(),
            "Mode: Restore original files from backup\n\nUndo file: \"" + undo + "\"\n\n");
  Back();
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step2Restore);
  Next();
  form.btFinish->click();
  EXPECT_EQ(form.GetWizardMode(), 100);
  EXPECT_EQ(form.edUndoFile->text().toStdString(), undo);
}

TEST_F(WizardTest, StateRoundTripAndHistoryOfTen) {
  platform::TMemIniFile ini;
  form.LoadState(ini, "S");  // a first use shows the defaults
  EXPECT_TRUE(form.rbModeReplace->isChecked());
  EXPECT_EQ(form.cbDirectory->count(), 0);
  EXPECT_TRUE(form.edUndoFile->text().isEmpty());

  Show();
  Next();
  Next();
  for (int i = 0; i < 11; ++i) {
    std::string folder = dir.MakeDir("f" + std::to_string(i));
    form.cbDirectory->setEditText(QString::fromStdString(folder));
    Next();
    Next();
    form.btFinish->click();
    form.show();
    Next();
    Next();
  }
  ASSERT_EQ(form.cbDirectory->count(), 10);
  EXPECT_EQ(form.cbDirectory->itemText(0).toStdString(), dir.Path("f10"));
  EXPECT_EQ(form.cbDirectory->itemText(9).toStdString(), dir.Path("f1"));
  form.cbDirectory->setEditText(QString::fromStdString(dir.MakeDir("F5")));  // other case: nothing moves
  Next();
  Next();
  form.btFinish->click();
  EXPECT_EQ(form.cbDirectory->itemText(0).toStdString(), dir.Path("f10"));

  form.rbModeRestore->setChecked(true);
  form.move(33, 44);
  form.SaveState(ini, "S");
  EXPECT_EQ(ini.ReadString("S", "LastUndo", "?"), "");  // a restore keeps the undo file it was given
  form.edUndoFile->setText(QString::fromStdString(dir.Path("F5/RBackup/RExpert.reu")));
  form.SaveState(ini, "S");
  EXPECT_EQ(ini.ReadString("S", "LastUndo", "?"), dir.Path("F5/RBackup/RExpert.reu"));

  TTarnWizardForm again(nullptr, &services, &shell);
  again.SetReplaceOptions(&options);
  again.LoadState(ini, "S");
  EXPECT_EQ(HistoryText(again.cbDirectory), HistoryText(form.cbDirectory));
  EXPECT_EQ(HistoryText(again.cbBackupDir), HistoryText(form.cbBackupDir));
  EXPECT_TRUE(again.rbModeRestore->isChecked());
  EXPECT_EQ(again.edUndoFile->text().toStdString(), dir.Path("F5/RBackup/RExpert.reu"));
  platform::TMemIniFile saved;
  again.SaveState(saved, "S");
  EXPECT_EQ(saved.ReadInteger("S", "Left", -1), ini.ReadInteger("S", "Left", -2));
  EXPECT_EQ(saved.ReadInteger("S", "Top", -1), ini.ReadInteger("S", "Top", -2));
  again.SetProductName("Tarnbase");
  again.show();
  EXPECT_EQ(again.windowTitle(), "Tarnbase Migration Wizard - Step 1 of 3");
}

TEST_F(WizardTest, MailLinkColoursAndUrl) {
  Show();
  EXPECT_EQ(TTarnWizardForm::MailUrl(),
            "mailto:migration-support@example.com?CC=&subject=Migrate from%20another%20components");
  EXPECT_EQ(form.LinkColor(), QColor(0, 0, 255));
  EXPECT_EQ(form.lbMail->text(), "Migrate from another components");
  EXPECT_TRUE(form.lbMail->font().underline());
  MoveMouse(form.lbMail, QPoint(5, 5));
  EXPECT_EQ(form.LinkColor(), QColor(255, 128, 64));
  QTest::mouseClick(form.lbMail, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(form.LinkColor(), QColor(0, 0, 255));
  EXPECT_EQ(shell.opened, std::vector<std::string>{TTarnWizardForm::MailUrl().toStdString()});
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step1);
  form.lbMailMouseMove();
  MoveMouse(form.Step1Sheet, QPoint(200, 20));
  EXPECT_EQ(form.LinkColor(), QColor(0, 0, 255));
  Next();
  EXPECT_FALSE(form.lbMail->isVisible());
  EXPECT_EQ(form.Image1->pixmap().size(), QSize(120, 260));
}

TEST_F(WizardTest, CancelRunsNothingAndSavesNothing) {
  Show();
  form.rbModeRestore->click();
  form.btCancel->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(options.Dest, replace::TSearchDestination::sdProject);
  EXPECT_TRUE(options.ModuleList.empty());
}

TEST_F(WizardTest, BrowseButtonsAndTabOrder) {
  Show();
  Next();
  Next();
  std::string src = dir.MakeDir("Src");
  services.nextFolder = std::nullopt;  // cancelled: nothing changes
  form.btBrowseFolder->click();
  EXPECT_TRUE(form.cbDirectory->currentText().isEmpty());
  services.nextFolder = QString::fromStdString(src);
  form.btBrowseFolder->click();
  EXPECT_EQ(form.cbDirectory->currentText().toStdString(), src);
  Next();
  services.nextFolder = QString::fromStdString(dir.Path("Bak"));
  form.btBrowseBackFolder->click();
  Back();
  Next();  // a browsed backup folder is not proposed over
  EXPECT_EQ(form.cbBackupDir->currentText().toStdString(), dir.Path("Bak"));
  EXPECT_EQ(form.btNext->nextInFocusChain(), form.btFinish);
  EXPECT_EQ(form.btFinish->nextInFocusChain(), form.btBack);
  EXPECT_EQ(form.btBack->nextInFocusChain(), form.btCancel);
  EXPECT_TRUE(form.btNext->isDefault());  // Enter in a box goes on
  EXPECT_FALSE(form.btFinish->isDefault() || form.btBrowseBackFolder->isDefault());
}

TEST_F(WizardTest, EnterPressesTheFocusedButtonElseNextOrFinish) {
  const std::string undo = dir.Write("RBackup/RExpert.reu", "");
  Show();
  form.btNext->setFocus();
  QTest::keyClick(form.btNext, Qt::Key_Return);  // the focused button
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step2Replace);
  form.btBack->setFocus();
  QTest::keyClick(form.btBack, Qt::Key_Return);
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step1);
  form.rbModeRestore->click();
  form.rbModeRestore->setFocus();
  QTest::keyClick(form.rbModeRestore, Qt::Key_Return);  // from a radio button: Next
  ASSERT_EQ(form.CurrentPage(), TWizardForm::Step2Restore);
  // From the box: Next, never Browse (it would open the file chooser).
  services.nextFile = QString("/chosen.reu");
  form.edUndoFile->setFocus();
  form.edUndoFile->setText(QString::fromStdString(undo));
  QTest::keyClick(form.edUndoFile, Qt::Key_Return);
  EXPECT_EQ(form.edUndoFile->text().toStdString(), undo);
  ASSERT_EQ(form.CurrentPage(), TWizardForm::FinalStep);
  // The last page opens with the focus on Finish, which is its default button.
  EXPECT_EQ(form.focusWidget(), form.btFinish);
  EXPECT_TRUE(form.btFinish->isDefault());
  EXPECT_FALSE(form.btNext->isDefault() || form.btRestoreBrowse->isDefault() || form.btSelect->isDefault());
  QTest::keyClick(form.btFinish, Qt::Key_Return);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_FALSE(form.isVisible());
}

// Alt+E completes its click a moment after the key (the button is shown
// pressed first); Next handled in between takes the mode as it was, and a
// click that comes after it changes neither the pages nor what Finish does.
TEST_F(WizardTest, ALateModeClickNeverChangesTheFlow) {
  Show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  QSignalSpy clicks(form.rbModeRestore, &QAbstractButton::clicked);
  // Alt+E, and Enter on Next before its click has come.
  QTest::keyClick(&form, Qt::Key_E, Qt::AltModifier);
  QTest::keyClick(form.btNext, Qt::Key_Return);
  ASSERT_EQ(clicks.count(), 0);
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step2Replace);
  ASSERT_TRUE(clicks.wait());
  EXPECT_TRUE(form.rbModeReplace->isChecked());
  EXPECT_EQ(Caption(), "Tarnbase Migration Wizard - Step 2 of 5");
  EXPECT_EQ(form.GetWizardMode(), 0);
  form.cbDirectory->setEditText(QString::fromStdString(dir.MakeDir("src")));
  Next();
  Next();
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::FinalStep);
  EXPECT_EQ(Caption(), "Tarnbase Migration Wizard - Step 5 of 5");
  EXPECT_EQ(form.lSummary->text().left(33), "Mode: Replace BDE components\n\nSca");
  EXPECT_EQ(form.GetWizardMode(), 0);
  // On its own page a click counts at once.
  Back();
  Back();
  Back();
  Back();
  form.rbModeRestore->click();
  EXPECT_EQ(Caption(), "Tarnbase Migration Wizard - Step 1 of 3");
  EXPECT_EQ(form.GetWizardMode(), TWizardForm::kRestoreMode);
}

TEST_F(WizardTest, MissingPathsAreErrorsAndStayOutOfTheHistory) {
  Show();
  Next();
  Next();  // no project: the folder page
  const std::string gone = dir.Path("gone");
  form.cbDirectory->setEditText(QString::fromStdString(gone));
  Next();
  ASSERT_EQ(services.kinds.size(), 1u);
  EXPECT_EQ(services.kinds[0], TMessageKind::Error);
  EXPECT_EQ(form.CurrentPage(), TWizardForm::Step3Dir);
  // Back to Restore with the refused folder still in the box: Finish keeps it out.
  Back();
  Back();
  form.rbModeRestore->click();
  Next();
  form.edUndoFile->setText(QString::fromStdString(dir.Write("RExpert.reu", "")));
  Next();
  form.btFinish->click();
  EXPECT_EQ(form.cbDirectory->count(), 0);
  // A fixed-size dialog offers no maximize button.
  EXPECT_TRUE(form.windowFlags() & Qt::CustomizeWindowHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(WizardTest, FirstUseCentredAndSavedPositionKeptOnScreen) {
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRect area = screen->availableGeometry();
  platform::TMemIniFile ini;
  form.LoadState(ini, "S");  // nothing saved: centred
  EXPECT_LE(std::abs(form.geometry().center().x() - area.center().x()), 2);
  EXPECT_LE(std::abs(form.geometry().center().y() - area.center().y()), 2);
  struct Case { int left, top; bool kept; } cases[] = {
      {area.left() + 10, area.top() + 20, true},
      {-5000, -5000, false},
      {area.right() + 3000, area.top() + 10, false},
      {area.left() + 10, area.bottom() + 500, false},
  };
  for (const auto& c : cases) {
    ini.WriteInteger("S", "Left", c.left);
    ini.WriteInteger("S", "Top", c.top);
    form.LoadState(ini, "S");
    if (c.kept) {
      EXPECT_EQ(form.pos(), QPoint(c.left, c.top));
    } else {
      EXPECT_TRUE(area.contains(QRect(form.pos(), form.size()))) << c.left << "," << c.top;
    }
  }
}

TEST_F(WizardTest, MissingUnitsAreMarkedAndFinishRefusesThem) {
  OpenProject();
  std::filesystem::remove(dir.Path("P/B.pas"));
  Show();
  Next();
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::Step3Proj);
  ASSERT_EQ(form.lbModules->count(), 3);
  struct Row {
    int item;
    bool missing;
  };
  for (Row row : {Row{0, false}, Row{1, true}, Row{2, false}}) {
    const QListWidgetItem* item = form.lbModules->item(row.item);
    EXPECT_EQ(item->data(TWizardForm::kUnitMissingRole).toBool(), row.missing) << row.item;
    EXPECT_EQ(item->toolTip().contains(QString::fromStdString(dir.Path("P/B.pas"))), row.missing) << row.item;
  }
  Next();
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::FinalStep);
  form.btFinish->click();
  EXPECT_TRUE(form.isVisible());  // refused, nothing filled in
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_NE(services.messages[0].find(dir.Path("P/B.pas")), std::string::npos) << services.messages[0];
  EXPECT_EQ(services.kinds[0], TMessageKind::Error);
  EXPECT_TRUE(options.ModuleList.empty());
  Back();
  Back();
  form.lbModules->item(1)->setCheckState(Qt::Unchecked);
  Next();
  Next();
  form.btFinish->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(options.ModuleList, "A.pas\r\nC.pas\r\n");
}

// The summary names the migration profile the run will convert by.
TEST_F(WizardTest, SummaryNamesTheProfileFile) {
  options.ProfileFile = dir.Path("my profile.toml");
  dir.MakeDir("Src");
  Show();
  Next();
  Next();
  form.cbDirectory->setEditText(QString::fromStdString(dir.Path("Src")));
  Next();
  Next();
  ASSERT_EQ(form.CurrentPage(), TWizardForm::FinalStep);
  const std::string summary = form.lSummary->text().toStdString();
  EXPECT_EQ(summary.substr(summary.rfind("Profile:")), "Profile: \"" + dir.Path("my profile.toml") + "\"\n\n");
}
