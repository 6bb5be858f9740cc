// The step dialog of the migration wizard: Replace (from the open project or
// a folder) or Restore, a summary, and Finish, which fills the run's options.
// The dialog starts no run and writes no file.
#pragma once

#include <QAction>
#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "dialogs/DialogServices.h"
#include "platform/IniFile.h"
#include "replace/ReplaceOptions.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QStackedWidget;
class QWidget;

namespace migwiz::dialogs {

class IDialogServices;

class TWizardForm : public QDialog {
  Q_OBJECT

 public:
  explicit TWizardForm(QWidget* owner = nullptr, IDialogServices* services = nullptr);
  ~TWizardForm() override;

  static constexpr int kRestoreMode = 100;
  // Of each entry of the unit list: its file name with folder, and whether it is missing.
  static constexpr int kUnitPathRole = Qt::UserRole;
  static constexpr int kUnitMissingRole = Qt::UserRole + 1;

  // Called by the host through these slots, so a derived dialog may replace them.
  virtual int GetWizardMode() const;
  virtual void SetLabel2Caption(const QString& sourceName, const QString& productName);

  void LoadState(platform::TCustomIniFile& iniFile, const std::string& section);
  void SaveState(platform::TCustomIniFile& iniFile, const std::string& section);

  const QString& ProductName() const { return productName_; }
  void SetProductName(const QString& name) { productName_ = name; }
  replace::TReplaceOptions* ReplaceOptions() const { return replaceOptions_; }
  void SetReplaceOptions(replace::TReplaceOptions* options) { replaceOptions_ = options; }

  int CurStep() const { return GetCurStep(); }
  int StepCount() const { return GetStepCount(); }

  // The pages, in their order.
  enum Page { Step1, Step2Restore, Step2Replace, Step3Proj, Step3Dir, Step4, FinalStep };
  Page CurrentPage() const;

  // The controls, by the names the settings and tests use.
  QStackedWidget* pcWizard;
  QWidget *Step1Sheet, *Step2RestoreSheet, *Step2ReplaceSheet, *Step3ProjSheet, *Step3DirSheet,
      *Step4Sheet, *FinalStepSheet;
  QFrame* ImageFrame;
  QLabel* Image1;
  QLabel *Label1, *Label2, *Label11, *Label3;
  QRadioButton *rbModeReplace, *rbModeRestore;
  QLabel *Label4, *lUndo, *Label5;
  QLineEdit* edUndoFile;
  QPushButton* btRestoreBrowse;
  QLabel *Label6, *Label7;
  QRadioButton *rbDestProject, *rbDestFolder;
  QLabel* Label8;
  QListWidget* lbModules;
  QPushButton *btSelect, *btDeselect;
  QLabel *Label9, *lSource;
  QComboBox* cbDirectory;
  QPushButton* btBrowseFolder;
  QCheckBox* chSubDirs;
  QLabel *Label10, *lBackupFolder, *lblLogNote;
  QCheckBox *chMakeBackup, *chWriteLog, *chViewLog;
  QCheckBox* chLinkConnections;  // folder runs: link datasets as a project run does
  QComboBox* cbBackupDir;
  QPushButton* btBrowseBackFolder;
  QLabel *Label13, *Label15, *Label14, *lSummary;
  QScrollArea* sbSummary;
  QPushButton *btBack, *btNext, *btFinish, *btCancel;
  QAction *actBack, *actNext, *actFinish, *actMakeBackup, *actWriteLog;

  // The enabling rules, evaluated after every input.
  void UpdateActions();
  void NextStep();
  void PrevStep();
  void Finish();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  virtual void FormShow();
  void FormClose();
  IDialogServices& Services() const { return *services_; }

 private:
  void CreatePages();
  void CreateStep1();
  void CreateStep2();
  void CreateStep3();
  void CreateStep4();
  void CreateFinalStep();
  void CreateButtons();
  void SetTabOrder();

  int GetCurStep() const;
  int GetStepCount() const;
  void UpdateCaption();
  void ShowPage(Page page);
  void FillUnitList();
  bool CheckUnitsSelected();
  void SetDefaultBackupDir();
  QString BaseFolder() const;
  QString GetBackupDir() const;
  void BuildRestoreSummary();
  void BuildReplaceSummary();
  void AddComboHistory(QComboBox* combo);
  void SelectAll(bool checked);
  void Message(const QString& text, TMessageKind kind = TMessageKind::Information);
  bool CheckUnitsExist();
  void UpdateFinalTexts();
  void KeepChoices();

  QString projectName_;
  QString productName_;
  replace::TReplaceOptions* replaceOptions_ = nullptr;
  bool backupDirModified_ = false;
  bool restoreChosen_ = false;  // the mode when Next left the first page
  bool folderChosen_ = false;   // the destination when Next left the second
  bool keepingChoices_ = false;
  IDialogServices* services_;
};

using TWizardFormClass =
    std::function<std::unique_ptr<TWizardForm>(QWidget* owner, IDialogServices* services)>;

// Where a window of the given size opens with no saved position: centred on
// the primary screen.
QPoint ScreenCentre(QSize size);
// A saved position, pulled back onto the nearest screen when the window would
// not be reachable there.
QPoint OnScreen(QPoint at, QSize size);

// A history list as one text: every entry followed by CR LF.
QString HistoryText(const QComboBox* combo);
void SetHistory(QComboBox* combo, const QString& text);

}  // namespace migwiz::dialogs
