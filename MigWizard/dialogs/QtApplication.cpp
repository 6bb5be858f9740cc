#include "dialogs/QtApplication.h"

#include <QApplication>
#include <QMessageBox>

namespace migwiz::dialogs {

void TQtApplication::MessageBox(const std::string& text, const std::string& caption, int flags) {
  QMessageBox box(flags == platform::MB_ICONSTOP ? QMessageBox::Critical : QMessageBox::Information,
                  QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void TQtApplication::HandleException(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                  QString::fromStdString(message), QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

TQtApplication& QtApplication() {
  static TQtApplication app;
  return app;
}

}  // namespace migwiz::dialogs
