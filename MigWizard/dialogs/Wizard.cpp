#include "dialogs/Wizard.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

#include "dialogs/DialogServices.h"
#include "host/IDEUtils.h"
#include "platform/FileSystem.h"
#include "resources/RExpertRes.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::dialogs {

namespace Res = RExpertRes;
using host::TIDEUtils;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(const char* s) { return QString::fromUtf8(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The dialog's font: MS Sans Serif at 8 points, 11 pixels high at 96 dpi,
// or the toolkit's nearest sans serif.
QFont DialogFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  // Substitutes run wider than the original; narrow them to fit the layout.
  if (!QFontInfo(font).family().contains(QStringLiteral("MS Sans Serif"))) font.setStretch(90);
  return font;
}

// Check boxes and radio buttons keep their place but widen to their text
// when the font on this machine needs more room than the layout gives.
void FitText(QAbstractButton* button) {
  button->resize(std::max(button->width(), button->sizeHint().width()), button->height());
}

template <class W>
W* Make(QWidget* parent, const char* name, int x, int y, int w = -1, int h = -1) {
  auto* widget = new W(parent);
  widget->setObjectName(name);
  if (w < 0) {
    widget->move(x, y);
    widget->adjustSize();
  } else {
    widget->setGeometry(x, y, w, h);
  }
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y, int w = -1,
                  int h = -1, bool wrap = false) {
  auto* label = new QLabel(Q(text), parent);
  label->setObjectName(name);
  label->setWordWrap(wrap);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (w < 0) {
    label->move(x, y);
    label->adjustSize();
  } else {
    label->setGeometry(x, y, w, h);
  }
  return label;
}

QLabel* MakeHeader(QWidget* parent, const char* name, const char* text, int x, int y) {
  QLabel* label = MakeLabel(parent, name, text, x, y);
  QFont font = DialogFont();
  font.setBold(true);
  label->setFont(font);
  label->adjustSize();
  return label;
}

// A push button that does what its action does and is enabled when it is.
void Bind(QPushButton* button, QAction* action) {
  QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
  QObject::connect(action, &QAction::changed, button,
                   [button, action] { button->setEnabled(action->isEnabled()); });
}

// A check box that shows and sets a checkable action's state.
void Bind(QCheckBox* box, QAction* action) {
  box->setChecked(action->isChecked());
  QObject::connect(box, &QCheckBox::toggled, action, &QAction::setChecked);
  QObject::connect(action, &QAction::toggled, box, &QCheckBox::setChecked);
}

QComboBox* MakeHistoryCombo(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* combo = Make<QComboBox>(parent, name, x, y, w, h);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  return combo;
}

}  // namespace

QPoint ScreenCentre(QSize size) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {0, 0};
  QRect area = screen->availableGeometry();
  return area.center() - QPoint(size.width() / 2, size.height() / 2) + QPoint(1, 1);
}

QPoint OnScreen(QPoint at, QSize size) {
  const QRect window(at, size);
  QScreen* nearest = nullptr;
  long best = 0;
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    if (area.intersects(window)) {
      const QRect common = area.intersected(window);
      // Enough of the title bar to grab it: the window stays where it was put.
      if (common.height() >= 20 && common.width() >= 40 && common.top() == window.top()) return at;
    }
    const QPoint d = area.center() - window.center();
    const long distance = static_cast<long>(d.x()) * d.x() + static_cast<long>(d.y()) * d.y();
    if (!nearest || distance < best) {
      nearest = screen;
      best = distance;
    }
  }
  if (!nearest) return at;
  const QRect area = nearest->availableGeometry();
  const int x = std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width() + 1));
  const int y = std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height() + 1));
  return {x, y};
}

QString HistoryText(const QComboBox* combo) {
  QString text;
  for (int i = 0; i < combo->count(); ++i) text += combo->itemText(i) + "\r\n";
  return text;
}

void SetHistory(QComboBox* combo, const QString& text) {
  QString edit = combo->currentText();
  combo->clear();
  for (const std::string& line : support::SplitTextLines(S(text))) combo->addItem(Q(line));
  combo->setEditText(edit);
}

TWizardForm::TWizardForm(QWidget* owner, IDialogServices* services)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      services_(services ? services : &DefaultDialogServices()) {
  setObjectName("WizardForm");
  setFixedSize(468, 324);
  setFont(DialogFont());
  setModal(true);

  actBack = new QAction(Q(Res::SBack), this);
  actNext = new QAction(Q(Res::SNext), this);
  actFinish = new QAction(Q(Res::SFinish), this);
  actMakeBackup = new QAction(Q(Res::SMakeBackup), this);
  actWriteLog = new QAction(Q(Res::SWriteLog), this);
  for (QAction* a : {actMakeBackup, actWriteLog}) {
    a->setCheckable(true);
    a->setChecked(true);
  }
  actBack->setObjectName("actBack");
  actNext->setObjectName("actNext");
  actFinish->setObjectName("actFinish");
  actMakeBackup->setObjectName("actMakeBackup");
  actWriteLog->setObjectName("actWriteLog");

  ImageFrame = Make<QFrame>(this, "ImageFrame", 7, 7, 122, 262);
  ImageFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Image1 = Make<QLabel>(this, "Image1", 8, 8, 120, 260);

  CreatePages();
  auto* separator = Make<QFrame>(this, "Bevel1", 7, 276, 455, 8);
  separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  CreateButtons();
  SetTabOrder();
  // Enter presses the button that has the focus; elsewhere it presses Next,
  // or Finish on the last page (UpdateDefaultButton). No other button is
  // ever the default.
  for (QPushButton* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(true);
    button->setDefault(false);
  }

  connect(actNext, &QAction::triggered, this, &TWizardForm::NextStep);
  connect(actBack, &QAction::triggered, this, &TWizardForm::PrevStep);
  connect(actFinish, &QAction::triggered, this, [this] {
    if (!CheckUnitsExist()) return;
    Finish();
    accept();
  });
  connect(rbModeReplace, &QRadioButton::clicked, this, &TWizardForm::UpdateCaption);
  connect(rbModeRestore, &QRadioButton::clicked, this, &TWizardForm::UpdateCaption);
  // A choice reaches the flow only on its own page (see KeepChoices).
  for (QRadioButton* choice : {rbModeReplace, rbModeRestore, rbDestProject, rbDestFolder})
    connect(choice, &QRadioButton::clicked, this, &TWizardForm::KeepChoices);
  connect(rbDestFolder, &QRadioButton::toggled, this, &TWizardForm::UpdateActions);
  connect(rbModeRestore, &QRadioButton::toggled, this, &TWizardForm::UpdateActions);
  connect(edUndoFile, &QLineEdit::textChanged, this, &TWizardForm::UpdateActions);
  connect(cbDirectory, &QComboBox::editTextChanged, this, &TWizardForm::UpdateActions);
  connect(pcWizard, &QStackedWidget::currentChanged, this, &TWizardForm::UpdateActions);
  connect(pcWizard, &QStackedWidget::currentChanged, this, &TWizardForm::UpdateFinalTexts);
  connect(actMakeBackup, &QAction::toggled, this, &TWizardForm::UpdateActions);
  connect(actWriteLog, &QAction::toggled, this, &TWizardForm::UpdateActions);
  // Only what the user does marks the backup folder as chosen.
  connect(cbBackupDir->lineEdit(), &QLineEdit::textEdited, this, [this] { backupDirModified_ = true; });
  connect(cbBackupDir, &QComboBox::activated, this, [this] { backupDirModified_ = true; });
  connect(btSelect, &QPushButton::clicked, this, [this] { SelectAll(true); });
  connect(btDeselect, &QPushButton::clicked, this, [this] { SelectAll(false); });
  connect(btRestoreBrowse, &QPushButton::clicked, this, [this] {
    QString start = Q(support::ExtractFileDir(S(edUndoFile->text())));
    if (auto file = Services().GetOpenFileName(this, start, Q(Res::SUndoFileFilter)))
      edUndoFile->setText(*file);
  });
  connect(btBrowseFolder, &QPushButton::clicked, this, [this] {
    if (auto dir = Services().SelectDirectory(this, Q(Res::SSelectDirectory)))
      cbDirectory->setEditText(*dir);
  });
  connect(btBrowseBackFolder, &QPushButton::clicked, this, [this] {
    if (auto dir = Services().SelectDirectory(this, Q(Res::SSelectDirectory))) {
      cbBackupDir->setEditText(*dir);
      backupDirModified_ = true;
    }
  });
  UpdateActions();
}

TWizardForm::~TWizardForm() = default;

void TWizardForm::CreatePages() {
  pcWizard = Make<QStackedWidget>(this, "pcWizard", 129, 2, 338, 271);
  auto page = [this](const char* name) {
    auto* w = new QWidget(pcWizard);
    w->setObjectName(name);
    pcWizard->addWidget(w);
    return w;
  };
  Step1Sheet = page("Step1Sheet");
  Step2RestoreSheet = page("Step2RestoreSheet");
  Step2ReplaceSheet = page("Step2ReplaceSheet");
  Step3ProjSheet = page("Step3ProjSheet");
  Step3DirSheet = page("Step3DirSheet");
  Step4Sheet = page("Step4Sheet");
  FinalStepSheet = page("FinalStepSheet");
  CreateStep1();
  CreateStep2();
  CreateStep3();
  CreateStep4();
  CreateFinalStep();
}

void TWizardForm::CreateStep1() {
  QWidget* p = Step1Sheet;
  Label1 = MakeHeader(p, "Label1", Res::SWelcomeTitle, 2, 7);
  Label1->setGeometry(2, 7, 305, 13);
  Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label2 = MakeLabel(p, "Label2", "", 8, 35, 305, 74, true);
  Label11 = MakeLabel(p, "Label11", Res::SBackupAdvice, 8, 110, 305, 59, true);
  Label11->setFont(DialogFont());
  Label11->setStyleSheet(QStringLiteral("color: black"));
  Label3 = MakeHeader(p, "Label3", Res::SStep1Header, 8, 171);
  rbModeReplace = Make<QRadioButton>(p, "rbModeReplace", 16, 200, 149, 16);
  rbModeReplace->setText(Q(support::FormatStr(Res::SModeReplaceFormat, {"BDE"})));
  FitText(rbModeReplace);
  rbModeReplace->setChecked(true);
  rbModeRestore = Make<QRadioButton>(p, "rbModeRestore", 16, 222, 181, 16);
  rbModeRestore->setText(Q(Res::SModeRestore));
  FitText(rbModeRestore);
}

void TWizardForm::CreateStep2() {
  QWidget* p = Step2RestoreSheet;
  Label4 = MakeHeader(p, "Label4", Res::SStep2RestoreHeader, 8, 7);
  lUndo = MakeLabel(p, "lUndo", Res::SBackupFileLabel, 8, 45);
  edUndoFile = Make<QLineEdit>(p, "edUndoFile", 8, 63, 233, 21);
  lUndo->setBuddy(edUndoFile);
  btRestoreBrowse = Make<QPushButton>(p, "btRestoreBrowse", 251, 63, 70, 21);
  btRestoreBrowse->setText(Q(Res::SBrowseUndo));
  Label5 = MakeLabel(p, "Label5", Res::SBackupFileNote, 8, 224, 325, 31, true);

  p = Step2ReplaceSheet;
  Label6 = MakeHeader(p, "Label6", Res::SStep2ReplaceHeader, 8, 7);
  rbDestProject = Make<QRadioButton>(p, "rbDestProject", 16, 45, 125, 15);
  rbDestProject->setText(Q(Res::SDestProject));
  FitText(rbDestProject);
  rbDestProject->setChecked(true);
  rbDestFolder = Make<QRadioButton>(p, "rbDestFolder", 16, 67, 75, 16);
  rbDestFolder->setText(Q(Res::SDestFolder));
  FitText(rbDestFolder);
  Label7 = MakeLabel(p, "Label7", Res::SDestNote, 8, 224, 305, 33, true);
}

void TWizardForm::CreateStep3() {
  QWidget* p = Step3ProjSheet;
  Label8 = MakeHeader(p, "Label8", Res::SStep3ProjHeader, 8, 7);
  lbModules = Make<QListWidget>(p, "lbModules", 8, 45, 214, 210);
  btSelect = Make<QPushButton>(p, "btSelect", 231, 45, 76, 23);
  btSelect->setText(Q(Res::SSelectAll));
  btDeselect = Make<QPushButton>(p, "btDeselect", 231, 74, 76, 24);
  btDeselect->setText(Q(Res::SDeselectAll));

  p = Step3DirSheet;
  Label9 = MakeHeader(p, "Label9", Res::SStep3DirHeader, 8, 7);
  lSource = MakeLabel(p, "lSource", Res::STargetFolderLabel, 8, 45);
  cbDirectory = MakeHistoryCombo(p, "cbDirectory", 8, 63, 233, 21);
  lSource->setBuddy(cbDirectory);
  btBrowseFolder = Make<QPushButton>(p, "btBrowseFolder", 251, 63, 70, 21);
  btBrowseFolder->setText(Q(Res::SBrowseFolder));
  chSubDirs = Make<QCheckBox>(p, "chSubDirs", 8, 100, 113, 16);
  chSubDirs->setText(Q(Res::SIncludeSubfolders));
  FitText(chSubDirs);
}

void TWizardForm::CreateStep4() {
  QWidget* p = Step4Sheet;
  Label10 = MakeHeader(p, "Label10", Res::SStep4Header, 8, 7);
  auto* backupFrame = Make<QFrame>(p, "GroupBox1", 8, 50, 318, 70);
  backupFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  chMakeBackup = Make<QCheckBox>(p, "chMakeBackup", 20, 43, 90, 15);
  chMakeBackup->setText(Q(Res::SMakeBackup));
  FitText(chMakeBackup);
  chMakeBackup->setAutoFillBackground(true);
  Bind(chMakeBackup, actMakeBackup);
  lBackupFolder = MakeLabel(p, "lBackupFolder", Res::SBackupFolderLabel, 20, 67);
  cbBackupDir = MakeHistoryCombo(p, "cbBackupDir", 20, 85, 213, 21);
  lBackupFolder->setBuddy(cbBackupDir);
  btBrowseBackFolder = Make<QPushButton>(p, "btBrowseBackFolder", 243, 85, 70, 21);
  btBrowseBackFolder->setText(Q(Res::SBrowseFolder));

  auto* logFrame = Make<QFrame>(p, "GroupBox2", 8, 146, 318, 87);
  logFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  chWriteLog = Make<QCheckBox>(p, "chWriteLog", 20, 139, 64, 15);
  chWriteLog->setText(Q(Res::SWriteLog));
  FitText(chWriteLog);
  chWriteLog->setAutoFillBackground(true);
  Bind(chWriteLog, actWriteLog);
  lblLogNote = MakeLabel(p, "lblLogNote", Res::SLogNote, 16, 164, 297, 29, true);
  chViewLog = Make<QCheckBox>(p, "chViewLog", 20, 208, 133, 17);
  chViewLog->setText(Q(Res::SViewLogAfterReplace));
  FitText(chViewLog);
  chLinkConnections = Make<QCheckBox>(p, "chLinkConnections", 8, 244, 318, 17);
  chLinkConnections->setText(Q(Res::SLinkConnections));
  FitText(chLinkConnections);
  chMakeBackup->raise();
  chWriteLog->raise();
}

void TWizardForm::CreateFinalStep() {
  QWidget* p = FinalStepSheet;
  Label13 = MakeHeader(p, "Label13", Res::SFinalStepHeader, 8, 7);
  Label15 = MakeLabel(p, "Label15", Res::SFinalNote, 8, 32, 305, 33, true);
  Label14 = MakeLabel(p, "Label14", Res::SSummaryLabel, 8, 69);
  sbSummary = Make<QScrollArea>(p, "sbSummary", 8, 88, 313, 165);
  lSummary = new QLabel;
  lSummary->setObjectName("lSummary");
  lSummary->setContentsMargins(7, 7, 0, 0);
  lSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lSummary->setTextFormat(Qt::PlainText);
  sbSummary->setWidget(lSummary);
  sbSummary->setWidgetResizable(false);
}

void TWizardForm::CreateButtons() {
  btBack = Make<QPushButton>(this, "btBack", 126, 291, 76, 25);
  btNext = Make<QPushButton>(this, "btNext", 208, 291, 75, 25);
  btFinish = Make<QPushButton>(this, "btFinish", 305, 291, 75, 25);
  btCancel = Make<QPushButton>(this, "btCancel", 386, 291, 76, 25);
  btBack->setText(actBack->text());
  btNext->setText(actNext->text());
  btFinish->setText(actFinish->text());
  btCancel->setText(Q(Res::SCancel));
  Bind(btBack, actBack);
  Bind(btNext, actNext);
  Bind(btFinish, actFinish);
  connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TWizardForm::SetTabOrder() {
  setTabOrder(pcWizard, btNext);
  setTabOrder(btNext, btFinish);
  setTabOrder(btFinish, btBack);
  setTabOrder(btBack, btCancel);
  setTabOrder(rbModeReplace, rbModeRestore);
  setTabOrder(edUndoFile, btRestoreBrowse);
  setTabOrder(rbDestProject, rbDestFolder);
  setTabOrder(lbModules, btSelect);
  setTabOrder(btSelect, btDeselect);
  setTabOrder(cbDirectory, btBrowseFolder);
  setTabOrder(btBrowseFolder, chSubDirs);
  setTabOrder(chMakeBackup, cbBackupDir);
  setTabOrder(cbBackupDir, btBrowseBackFolder);
  setTabOrder(btBrowseBackFolder, chWriteLog);
  setTabOrder(chWriteLog, chViewLog);
  setTabOrder(chViewLog, chLinkConnections);
}

TWizardForm::Page TWizardForm::CurrentPage() const {
  return static_cast<Page>(pcWizard->currentIndex());
}

void TWizardForm::ShowPage(Page page) { pcWizard->setCurrentIndex(page); }

// The last page of a restore speaks of the restore.
void TWizardForm::UpdateFinalTexts() {
  if (CurrentPage() != FinalStep) return;
  const bool restore = rbModeRestore->isChecked();
  Label13->setText(Q(restore ? Res::SFinalStepRestoreHeader : Res::SFinalStepHeader));
  Label13->adjustSize();
  Label15->setText(Q(restore ? Res::SFinalNoteRestore : Res::SFinalNote));
}

int TWizardForm::GetWizardMode() const { return rbModeRestore->isChecked() ? kRestoreMode : 0; }

void TWizardForm::SetLabel2Caption(const QString& sourceName, const QString& productName) {
  std::string product = S(productName);
  Label2->setText(Q(support::FormatStr(Res::SWelcomeTextFormat, {product, S(sourceName), product})));
}

int TWizardForm::GetCurStep() const {
  switch (CurrentPage()) {
    case Step1: return 1;
    case Step2Restore:
    case Step2Replace: return 2;
    case Step3Proj:
    case Step3Dir: return 3;
    case Step4: return 4;
    case FinalStep: return rbModeRestore->isChecked() ? 3 : 5;
  }
  return 1;
}

int TWizardForm::GetStepCount() const {
  return rbModeRestore->isChecked() ? 3 : pcWizard->count() - 2;
}

void TWizardForm::UpdateCaption() {
  setWindowTitle(QString::fromUtf8(Res::SWizardCaptionFormat)
                     .replace(QLatin1String("%s"), productName_)
                     .replace(QLatin1String("%d of %d"),
                              QString("%1 of %2").arg(GetCurStep()).arg(GetStepCount())));
}

void TWizardForm::UpdateActions() {
  const Page page = CurrentPage();
  bool next = page != FinalStep;
  if (page == Step2Restore) next = !edUndoFile->text().isEmpty();
  if (page == Step3Dir) next = !cbDirectory->currentText().isEmpty();
  actNext->setEnabled(next);
  actBack->setEnabled(page != Step1);
  actFinish->setEnabled(page == FinalStep);
  const bool backup = chMakeBackup->isChecked();
  lBackupFolder->setEnabled(backup);
  cbBackupDir->setEnabled(backup);
  btBrowseBackFolder->setEnabled(backup);
  const bool log = chWriteLog->isChecked();
  chViewLog->setEnabled(log);
  lblLogNote->setEnabled(log);
  chLinkConnections->setEnabled(!rbDestProject->isChecked());
  btNext->setDefault(page != FinalStep);
  btFinish->setDefault(page == FinalStep);
}

void TWizardForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TWizardForm::FormShow() {
  ShowPage(Step1);  // before the choices are set: they belong to the first pages
  projectName_ = Q(TIDEUtils::GetProjectName());
  rbDestProject->setEnabled(!projectName_.isEmpty());
  if (!projectName_.isEmpty()) {
    const bool project = !replaceOptions_ || replaceOptions_->Dest == replace::TSearchDestination::sdProject;
    (project ? rbDestProject : rbDestFolder)->setChecked(true);
  } else {
    rbDestFolder->setChecked(true);
  }
  if (replaceOptions_) {
    cbDirectory->setEditText(Q(replaceOptions_->Directory));
    chSubDirs->setChecked(replaceOptions_->IncludeSubDirs);
    actMakeBackup->setChecked(replaceOptions_->MakeBackup);
    actWriteLog->setChecked(replaceOptions_->WriteLog);
    chViewLog->setChecked(replaceOptions_->ViewLog);
    chLinkConnections->setChecked(replaceOptions_->LinkConnections);
  }
  cbBackupDir->setEditText(QString());
  restoreChosen_ = rbModeRestore->isChecked();
  folderChosen_ = rbDestFolder->isChecked();
  UpdateCaption();
  UpdateActions();
}

// The mode and the destination are taken from their buttons when Next
// leaves their page. A click that arrives after that (a keyboard
// accelerator completes its click a moment later) is undone, so the pages,
// the caption, the summary and Finish follow what Next was given. Only the
// user's clicks are looked at: the dialog's own settings stand.
void TWizardForm::KeepChoices() {
  if (keepingChoices_) return;
  keepingChoices_ = true;
  const Page page = CurrentPage();
  if (page == Step1)
    restoreChosen_ = rbModeRestore->isChecked();
  else if (rbModeRestore->isChecked() != restoreChosen_)
    (restoreChosen_ ? rbModeRestore : rbModeReplace)->setChecked(true);
  if (page == Step2Replace || page == Step1)
    folderChosen_ = rbDestFolder->isChecked();
  else if (rbDestFolder->isChecked() != folderChosen_)
    (folderChosen_ ? rbDestFolder : rbDestProject)->setChecked(true);
  keepingChoices_ = false;
  UpdateCaption();
}

void TWizardForm::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TWizardForm::FormClose() { lbModules->clear(); }

void TWizardForm::Message(const QString& text, TMessageKind kind) {
  QString title = replaceOptions_ ? Q(replaceOptions_->Caption()) : windowTitle();
  Services().ShowMessage(this, title, text, kind);
}

void TWizardForm::NextStep() {
  switch (CurrentPage()) {
    case Step1:
      restoreChosen_ = rbModeRestore->isChecked();
      ShowPage(restoreChosen_ ? Step2Restore : Step2Replace);
      break;
    case Step2Restore:
      if (platform::SystemFileSystem().FileExists(S(edUndoFile->text()))) {
        BuildRestoreSummary();
        ShowPage(FinalStep);
      } else {
        Message(Q(support::FormatStr(Res::SUndoFileMissing, {S(edUndoFile->text())})), TMessageKind::Error);
        edUndoFile->setFocus();
      }
      break;
    case Step2Replace:
      folderChosen_ = rbDestFolder->isChecked();
      if (rbDestProject->isChecked()) {
        FillUnitList();
        ShowPage(Step3Proj);
      } else {
        ShowPage(Step3Dir);
      }
      break;
    case Step3Proj:
      if (CheckUnitsSelected()) {
        SetDefaultBackupDir();
        ShowPage(Step4);
      }
      break;
    case Step3Dir:
      if (platform::SystemFileSystem().DirectoryExists(S(cbDirectory->currentText()))) {
        SetDefaultBackupDir();
        ShowPage(Step4);
      } else {
        Message(Q(support::FormatStr(Res::STargetDirMissing, {S(cbDirectory->currentText())})),
                TMessageKind::Error);
        cbDirectory->setFocus();
      }
      break;
    case Step4:
      BuildReplaceSummary();
      ShowPage(FinalStep);
      break;
    case FinalStep:
      break;
  }
  UpdateCaption();
  UpdateActions();
  if (CurrentPage() == FinalStep) btFinish->setFocus(Qt::OtherFocusReason);
}

void TWizardForm::PrevStep() {
  switch (CurrentPage()) {
    case Step2Restore:
    case Step2Replace: ShowPage(Step1); break;
    case Step3Proj:
    case Step3Dir: ShowPage(Step2Replace); break;
    case Step4: ShowPage(rbDestProject->isChecked() ? Step3Proj : Step3Dir); break;
    case FinalStep: ShowPage(rbModeRestore->isChecked() ? Step2Restore : Step4); break;
    case Step1: break;
  }
  UpdateCaption();
  UpdateActions();
}

void TWizardForm::FillUnitList() {
  if (lbModules->count() > 0) return;  // built once per showing, check marks kept
  for (int i = 0; i < TIDEUtils::GetUnitCount(); ++i) {
    std::string name = TIDEUtils::GetUnitName(i);
    if (name.size() < 4 || support::UpperCase(name.substr(name.size() - 4)) != ".PAS") continue;
    auto* item = new QListWidgetItem(Q(support::ExtractFileName(name)), lbModules);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setData(kUnitPathRole, Q(name));
    if (!platform::SystemFileSystem().FileExists(name)) {
      // Shown at once: the run could not read it.
      item->setForeground(Qt::red);
      item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
      item->setToolTip(Q(support::FormatStr(Res::SUnitMissingTip, {name})));
      item->setData(kUnitMissingRole, true);
    }
  }
  btSelect->click();
}

// Finish of a replace on the project refuses units that are not on disk,
// before anything runs.
bool TWizardForm::CheckUnitsExist() {
  if (rbModeRestore->isChecked() || !rbDestProject->isChecked()) return true;
  QString missing;
  for (int i = 0; i < lbModules->count(); ++i) {
    const QListWidgetItem* item = lbModules->item(i);
    if (item->checkState() == Qt::Checked && item->data(kUnitMissingRole).toBool())
      missing += "\n" + item->data(kUnitPathRole).toString();
  }
  if (missing.isEmpty()) return true;
  Message(Q(Res::SUnitsMissing) + missing, TMessageKind::Error);
  return false;
}

void TWizardForm::SelectAll(bool checked) {
  for (int i = 0; i < lbModules->count(); ++i)
    lbModules->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

bool TWizardForm::CheckUnitsSelected() {
  for (int i = 0; i < lbModules->count(); ++i)
    if (lbModules->item(i)->checkState() == Qt::Checked) return true;
  Message(Q(Res::SNoUnitSelected));
  lbModules->setFocus();
  return false;
}

QString TWizardForm::BaseFolder() const {
  return rbDestProject->isChecked() ? Q(support::ExtractFileDir(S(projectName_)))
                                    : cbDirectory->currentText();
}

void TWizardForm::SetDefaultBackupDir() {
  if (backupDirModified_) return;
  cbBackupDir->setEditText(Q(support::ConcatPath(S(BaseFolder()), Res::SDefaultBackupFolder)));
}

// An absolute folder stands as it is; anything else is taken relative to the
// project's folder or the target folder.
QString TWizardForm::GetBackupDir() const {
  QString text = cbBackupDir->currentText();
  if (!text.isEmpty() && text.startsWith(QChar(platform::kPathDelim))) return text;
  return Q(support::ConcatPath(S(BaseFolder()), S(text)));
}

void TWizardForm::Finish() {
  replace::TReplaceOptions& opt = *replaceOptions_;
  if (rbDestProject->isChecked()) {
    opt.Dest = replace::TSearchDestination::sdProject;
    for (int i = 0; i < lbModules->count();) {
      if (lbModules->item(i)->checkState() == Qt::Checked)
        ++i;
      else
        delete lbModules->takeItem(i);
    }
    std::string list;
    for (int i = 0; i < lbModules->count(); ++i) list += S(lbModules->item(i)->text()) + "\r\n";
    opt.ModuleList = list;
  } else {
    opt.Dest = replace::TSearchDestination::sdDirectory;
  }
  opt.Directory = S(cbDirectory->currentText());
  opt.IncludeSubDirs = chSubDirs->isChecked();
  opt.MakeBackup = chMakeBackup->isChecked();
  opt.BackupDir = S(GetBackupDir());
  opt.WriteLog = chWriteLog->isChecked();
  opt.ViewLog = chViewLog->isChecked();
  opt.LinkConnections = chLinkConnections->isChecked();
  // A folder refused as missing (or never used) does not enter the history.
  if (platform::SystemFileSystem().DirectoryExists(S(cbDirectory->currentText()))) AddComboHistory(cbDirectory);
  AddComboHistory(cbBackupDir);
}

void TWizardForm::AddComboHistory(QComboBox* combo) {
  const QString text = combo->currentText();
  if (text.isEmpty()) return;
  for (int i = 0; i < combo->count(); ++i)
    if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0) return;
  combo->insertItem(0, text);
  if (combo->count() > 10) combo->removeItem(combo->count() - 1);
  combo->setEditText(text);
}

void TWizardForm::LoadState(platform::TCustomIniFile& ini, const std::string& section) {
  if (ini.ValueExists(section, "Left") || ini.ValueExists(section, "Top"))
    move(OnScreen(QPoint(static_cast<int>(ini.ReadInteger(section, "Left", x())),
                         static_cast<int>(ini.ReadInteger(section, "Top", y()))),
                  size()));
  else
    move(ScreenCentre(size()));
  SetHistory(cbDirectory, Q(ini.ReadString(section, "DirHistory", "")));
  SetHistory(cbBackupDir, Q(ini.ReadString(section, "BackDirHistory", "")));
  // An exclusive group can only be changed by checking the other button.
  const bool replaceMode = ini.ReadBool(section, "ReplaceMode", rbModeReplace->isChecked());
  (replaceMode ? rbModeReplace : rbModeRestore)->setChecked(true);
  edUndoFile->setText(Q(ini.ReadString(section, "LastUndo", "")));
}

void TWizardForm::SaveState(platform::TCustomIniFile& ini, const std::string& section) {
  ini.WriteInteger(section, "Left", x());
  ini.WriteInteger(section, "Top", y());
  ini.WriteString(section, "DirHistory", S(HistoryText(cbDirectory)));
  ini.WriteString(section, "BackDirHistory", S(HistoryText(cbBackupDir)));
  ini.WriteBool(section, "ReplaceMode", rbModeReplace->isChecked());
  // After a restore the undo file it used stays preset; after a replace the
  // one it wrote.
  std::string lastUndo;
  if (rbModeRestore->isChecked())
    lastUndo = S(edUndoFile->text());
  else if (chMakeBackup->isChecked())
    lastUndo = support::ConcatPath(S(GetBackupDir()), Res::SUndoFileName);
  ini.WriteString(section, "LastUndo", lastUndo);
}

void TWizardForm::BuildRestoreSummary() {
  std::string text = Res::SSumMode;
  text += Res::SSumRestoreMode;
  text += support::FormatStr(Res::SSumUndoFile, {S(edUndoFile->text())});
  lSummary->setText(Q(text));
  lSummary->adjustSize();
}

void TWizardForm::BuildReplaceSummary() {
  std::string text = Res::SSumMode;
  text += support::FormatStr(Res::SSumReplaceMode,
                             {replaceOptions_ ? replaceOptions_->SourceName() : std::string()});
  text += Res::SSumDestination;
  if (rbDestProject->isChecked())
    text += Res::SSumProject;
  else
    text += support::FormatStr(Res::SSumFolder, {S(cbDirectory->currentText())});
  if (!rbDestProject->isChecked() && chLinkConnections->isChecked())
    text += std::string(Res::SSumLinkConnections);
  if (chMakeBackup->isChecked()) text += support::FormatStr(Res::SSumBackupDir, {S(GetBackupDir())});
  if (chWriteLog->isChecked()) {
    text += Res::SSumWriteLog;
    if (chViewLog->isChecked()) text += Res::SSumViewLog;
  }
  if (rbDestProject->isChecked()) {
    text += Res::SSumUnits;
    for (int i = 0; i < lbModules->count(); ++i)
      if (lbModules->item(i)->checkState() == Qt::Checked) text += S(lbModules->item(i)->text()) + "\n";
  }
  // Which migration profile the run converts by.
  const std::string profile = replaceOptions_ ? replaceOptions_->ProfileFile : std::string();
  if (rbDestProject->isChecked()) text += "\n";
  text += profile.empty() ? std::string(Res::SSumProfileBuiltin) : support::FormatStr(Res::SSumProfileFile, {profile});
  lSummary->setText(Q(text));
  lSummary->adjustSize();
}

}  // namespace migwiz::dialogs
