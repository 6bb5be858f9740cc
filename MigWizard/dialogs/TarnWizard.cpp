#include "dialogs/TarnWizard.h"

#include <QEvent>

#include <algorithm>
#include <QMouseEvent>
#include <QPixmap>

#include "resources/RExpertRes.h"
#include "resources/TarnBanner.h"

namespace migwiz::dialogs {

namespace Res = RExpertRes;

TTarnWizardForm::TTarnWizardForm(QWidget* owner, IDialogServices* services, platform::IShell* shell)
    : TWizardForm(owner, services), shell_(shell ? shell : &platform::DefaultShell()) {
  setObjectName("TarnWizardForm");
  Image1->setPixmap(QPixmap::fromImage(resources::TarnBanner()));

  lbMail = new QLabel(QString::fromUtf8(Res::SMailLinkCaption), Step1Sheet);
  lbMail->setObjectName("lbMail");
  lbMail->setGeometry(35, 248, 158, 13);
  lbMail->setCursor(Qt::PointingHandCursor);
  lbMail->setAutoFillBackground(true);
  QPalette palette = lbMail->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  lbMail->setPalette(palette);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(13);
  font.setUnderline(true);
  font.setStyleHint(QFont::SansSerif);
  lbMail->setFont(font);
  lbMail->resize(std::max(lbMail->width(), lbMail->sizeHint().width()), lbMail->height() + 3);
  SetLinkColor(kLinkColor);
  lbMail->setMouseTracking(true);
  lbMail->installEventFilter(this);
  for (QWidget* surface : {static_cast<QWidget*>(this), Step1Sheet}) {
    surface->setMouseTracking(true);
    surface->installEventFilter(this);
  }
}

QString TTarnWizardForm::MailUrl() {
  return QStringLiteral("mailto:") + QString::fromUtf8(kSupportAddress) +
         QString::fromUtf8(Res::SMailQuery);
}

QColor TTarnWizardForm::LinkColor() const {
  return lbMail->palette().color(QPalette::WindowText);
}

void TTarnWizardForm::SetLinkColor(const QColor& color) {
  QPalette palette = lbMail->palette();
  palette.setColor(QPalette::WindowText, color);
  lbMail->setPalette(palette);
}

void TTarnWizardForm::lbMailMouseMove() { SetLinkColor(kLinkHoverColor); }
void TTarnWizardForm::lbFormMouseMove() { SetLinkColor(kLinkColor); }

void TTarnWizardForm::lbMailClick() {
  SetLinkColor(kLinkColor);
  shell_->Open(MailUrl().toStdString());  // nothing more happens when no mail program answers
}

bool TTarnWizardForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lbMail) {
    if (event->type() == QEvent::MouseMove) {
      lbMailMouseMove();
      return true;  // the page under the link must not see it and turn it blue again
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
      lbMailClick();
  } else if (event->type() == QEvent::MouseMove) {
    lbFormMouseMove();
  }
  return TWizardForm::eventFilter(watched, event);
}

TWizardFormClass TarnWizardFormClass(platform::IShell* shell) {
  return [shell](QWidget* owner, IDialogServices* services) -> std::unique_ptr<TWizardForm> {
    return std::make_unique<TTarnWizardForm>(owner, services, shell);
  };
}

}  // namespace migwiz::dialogs
