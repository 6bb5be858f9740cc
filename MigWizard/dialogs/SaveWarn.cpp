#include "dialogs/SaveWarn.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QFontMetrics>
#include <QStyle>

#include <algorithm>

#include <memory>

#include "platform/SettingsStore.h"
#include "resources/RExpertRes.h"

namespace migwiz::dialogs {

namespace Res = RExpertRes;

TSaveWarnForm::TSaveWarnForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName("SaveWarnForm");
  setFixedSize(302, 143);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  setFont(font);
  setModal(true);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(7, 15, 30, 30);
  Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(30, 30));
  lblWarn = new QLabel(this);
  lblWarn->setObjectName("lblWarn");
  lblWarn->setGeometry(54, 24, 235, 13);
  Label2 = new QLabel(QString::fromUtf8(Res::SNoteLabel), this);
  Label2->setObjectName("Label2");
  Label2->move(7, 52);
  Label2->adjustSize();
  lblNote = new QLabel(this);
  lblNote->setObjectName("lblNote");
  lblNote->move(40, 52);
  chkDontAsk = new QCheckBox(QString::fromUtf8(Res::SDontAskAgain), this);
  chkDontAsk->setObjectName("chkDontAsk");
  chkDontAsk->setGeometry(7, 74, 157, 16);
  auto* bevel = new QFrame(this);
  bevel->setObjectName("Bevel1");
  bevel->setGeometry(5, 98, 292, 7);
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  OKBtn = new QPushButton(QString::fromUtf8(Res::SYes), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(69, 111, 76, 24);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QString::fromUtf8(Res::SNo), this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(153, 111, 75, 24);
  // Enter answers the focused button; with the focus elsewhere it answers Yes.
  OKBtn->setAutoDefault(true);
  CancelBtn->setAutoDefault(true);
  setTabOrder(OKBtn, CancelBtn);
  setTabOrder(CancelBtn, chkDontAsk);
  connect(OKBtn, &QPushButton::clicked, this, [this] { done(mrYes); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { done(mrNo); });
}

void TSaveWarnForm::SetTexts(const QString& question, const QString& note) {
  constexpr int kMaxWidth = 640;
  lblWarn->setText(question);
  // A long path in the note is shortened in its middle; the tip holds it whole.
  const QFontMetrics noteMetrics(lblNote->font());
  QStringList lines = note.split('\n');
  for (QString& line : lines) line = noteMetrics.elidedText(line, Qt::ElideMiddle, kMaxWidth - 40 - 13);
  lblNote->setText(lines.join('\n'));
  lblNote->setToolTip(lines.size() > 1 || lines.value(0) != note ? note : QString());
  lblNote->adjustSize();
  const QFontMetrics metrics(lblWarn->font());
  const int warnWidth = std::max(235, metrics.horizontalAdvance(question) + 4);
  lblWarn->setGeometry(54, 24, warnWidth, std::max(13, metrics.height()));
  const int right = std::max(lblWarn->geometry().right(), lblNote->geometry().right());
  const int width = std::min(kMaxWidth, std::max(302, right + 13));
  const int extra = std::max(0, lblNote->height() - std::max(13, noteMetrics.height()));
  chkDontAsk->move(7, 74 + extra);
  const int shift = (width - 302) / 2;  // the buttons stay in the middle
  OKBtn->move(69 + shift, 111 + extra);
  CancelBtn->move(153 + shift, 111 + extra);
  setFixedSize(width, 143 + extra);
  if (auto* bevel = findChild<QFrame*>("Bevel1")) bevel->setGeometry(5, 98 + extra, width - 10, 7);
}

const char* SaveWarnNote(bool isProject, bool isRestore) {
  return isProject && !isRestore ? Res::SNoteFormsHidden : Res::SNoteProjectClosed;
}

const char* SaveWarnQuestion(bool isRestore) { return isRestore ? Res::SWarnRestore : Res::SWarnSave; }

std::string SaveWarnValueName(bool isProject, bool isRestore) {
  return std::string(isRestore ? "Restore" : "Replace") + (isProject ? "Proj" : "Dir") + "Warn";
}

bool ShowSaveWarn(const std::string& caption, bool isProject, bool isRestore,
                  TSaveWarnEnvironment env) {
  return ShowSaveWarn(caption, SaveWarnValueName(isProject, isRestore), SaveWarnQuestion(isRestore),
                      SaveWarnNote(isProject, isRestore), std::move(env));
}

bool ShowSaveWarn(const std::string& caption, const std::string& valueName, const std::string& question,
                  const std::string& note, TSaveWarnEnvironment env) {
  std::unique_ptr<platform::TSettingsStore> opened;
  if (!env.store) {
    opened = std::make_unique<platform::TSettingsStore>(Res::SSettingsRootKey);
    env.store = opened.get();
  }
  if (!env.store->ReadBool(caption, valueName, true)) return true;

  TSaveWarnForm form(QApplication::activeWindow());
  form.setWindowTitle(QString::fromStdString(caption));
  form.SetTexts(QString::fromStdString(question), QString::fromStdString(note));
  int result = env.exec ? env.exec(form) : form.exec();
  if (result != TSaveWarnForm::mrYes) return false;
  env.store->WriteBool(caption, valueName, !form.chkDontAsk->isChecked());
  return true;
}

}  // namespace migwiz::dialogs
