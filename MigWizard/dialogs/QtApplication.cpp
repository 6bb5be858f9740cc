#include "dialogs/QtApplication.h"

#include "dialogs/DialogServices.h"

#include <QApplication>
#include <QMessageBox>

namespace migwiz::dialogs {

int ShowMessageBox(QWidget* parent, const std::string& text, const std::string& caption, int flags) {
  const bool question = flags & platform::MB_YESNO;
  QMessageBox box((flags & platform::MB_ICONSTOP) ? QMessageBox::Critical : QMessageBox::Information,
                  QString::fromStdString(caption), QString::fromStdString(text),
                  question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
  box.setObjectName("MessageBox");
  // A long path in the text is not cut.
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  if (question) box.setDefaultButton(QMessageBox::Yes);
  FitTitle(box);
  const int pressed = box.exec();
  if (!question) return platform::IDOK;
  return pressed == QMessageBox::Yes ? platform::IDYES : platform::IDNO;
}

int TQtApplication::MessageBox(const std::string& text, const std::string& caption, int flags) {
  return ShowMessageBox(QApplication::activeWindow(), text, caption, flags);
}

void TQtApplication::HandleException(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                  QString::fromStdString(message), QMessageBox::Ok, QApplication::activeWindow());
  FitTitle(box);
  box.exec();
}

TQtApplication& QtApplication() {
  static TQtApplication app;
  return app;
}

}  // namespace migwiz::dialogs
