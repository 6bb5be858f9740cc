#include "dialogs/SaveWarn.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <memory>

#include "platform/SettingsStore.h"
#include "resources/RExpertRes.h"

namespace migwiz::dialogs {

namespace Res = RExpertRes;

TSaveWarnForm::TSaveWarnForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
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
  bevel->setGeometry(5, 98, 292, 7);
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  OKBtn = new QPushButton(QString::fromUtf8(Res::SYes), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(69, 111, 76, 24);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QString::fromUtf8(Res::SNo), this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(153, 111, 75, 24);
  CancelBtn->setAutoDefault(false);
  setTabOrder(OKBtn, CancelBtn);
  setTabOrder(CancelBtn, chkDontAsk);
  connect(OKBtn, &QPushButton::clicked, this, [this] { done(mrYes); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { done(mrNo); });
}

std::string SaveWarnValueName(bool isProject, bool isRestore) {
  return std::string(isRestore ? "Restore" : "Replace") + (isProject ? "Proj" : "Dir") + "Warn";
}

bool ShowSaveWarn(const std::string& caption, bool isProject, bool isRestore,
                  TSaveWarnEnvironment env) {
  const std::string valueName = SaveWarnValueName(isProject, isRestore);
  std::unique_ptr<platform::TSettingsStore> opened;
  if (!env.store) {
    opened = std::make_unique<platform::TSettingsStore>(Res::SSettingsRootKey);
    env.store = opened.get();
  }
  if (!env.store->ReadBool(caption, valueName, true)) return true;

  TSaveWarnForm form(QApplication::activeWindow());
  form.setWindowTitle(QString::fromStdString(caption));
  form.lblNote->setText(QString::fromUtf8(isProject && !isRestore ? Res::SNoteFormsHidden
                                                                  : Res::SNoteProjectClosed));
  form.lblNote->adjustSize();
  form.lblWarn->setText(QString::fromUtf8(isRestore ? Res::SWarnRestore : Res::SWarnSave));
  int result = env.exec ? env.exec(form) : form.exec();
  if (result != TSaveWarnForm::mrYes) return false;
  env.store->WriteBool(caption, valueName, !form.chkDontAsk->isChecked());
  return true;
}

}  // namespace migwiz::dialogs
