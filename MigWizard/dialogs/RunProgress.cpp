#include "dialogs/RunProgress.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "resources/RExpertRes.h"
#include "support/StrUtils.h"

namespace migwiz::dialogs {

namespace Res = RExpertRes;

TRunProgressForm::TRunProgressForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("RunProgressForm");
  setFixedSize(420, 122);
  setWindowModality(Qt::ApplicationModal);
  lblPhase = new QLabel(QString::fromUtf8(Res::SProgressStarting), this);
  lblPhase->setObjectName("lblPhase");
  lblPhase->setGeometry(12, 10, 396, 16);
  lblFile = new QLabel(this);
  lblFile->setObjectName("lblFile");
  lblFile->setGeometry(12, 30, 396, 16);
  lblFile->setTextFormat(Qt::PlainText);
  pbRun = new QProgressBar(this);
  pbRun->setObjectName("pbRun");
  pbRun->setGeometry(12, 52, 396, 18);
  pbRun->setRange(0, 0);  // busy until the first count is known
  pbRun->setTextVisible(false);
  btCancel = new QPushButton(QString::fromUtf8(Res::SCancel), this);
  btCancel->setObjectName("btCancel");
  btCancel->setGeometry(332, 86, 76, 25);
  btCancel->setDefault(true);
  connect(btCancel, &QPushButton::clicked, this, [this] {
    cancelRequested_ = true;
    btCancel->setEnabled(false);
  });
}

void TRunProgressForm::SetStep(const QString& phaseFormat, const QString& file, size_t index, size_t count) {
  const std::string phase = support::FormatStr(
      phaseFormat.toStdString(), {std::to_string(index + 1), std::to_string(count)});
  SetText(QString::fromStdString(phase), file);
  pbRun->setRange(0, static_cast<int>(count));
  pbRun->setValue(static_cast<int>(index + 1));
}

// A long path keeps its start and its file name.
void TRunProgressForm::SetText(const QString& phase, const QString& file) {
  lblPhase->setText(phase);
  lblFile->setToolTip(file);
  lblFile->setText(QFontMetrics(lblFile->font()).elidedText(file, Qt::ElideMiddle, lblFile->width()));
}

void TRunProgressForm::DisableCancel() {
  btCancel->setEnabled(false);
  btCancel->setToolTip(QString::fromUtf8(Res::SProgressNoStop));
}

void TRunProgressForm::reject() {
  if (btCancel->isEnabled()) btCancel->click();
}

}  // namespace migwiz::dialogs
