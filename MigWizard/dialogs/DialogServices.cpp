#include "dialogs/DialogServices.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace migwiz::dialogs {

namespace {

class TToolkitDialogs : public IDialogServices {
 public:
  void ShowMessage(QWidget* parent, const QString& title, const QString& text,
                   TMessageKind kind) override {
    if (kind == TMessageKind::Error)
      QMessageBox::critical(parent, title, text, QMessageBox::Ok);
    else
      QMessageBox::information(parent, title, text, QMessageBox::Ok);
  }

  std::optional<QString> GetOpenFileName(QWidget* parent, const QString& startDir,
                                         const QString& filter) override {
    QFileDialog dialog(parent, QString(), startDir, ToolkitFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
  }

  std::optional<QString> SelectDirectory(QWidget* parent, const QString& caption) override {
    QString dir = QFileDialog::getExistingDirectory(parent, caption, QString());
    if (dir.isEmpty()) return std::nullopt;
    return dir;
  }
};

}  // namespace

IDialogServices& DefaultDialogServices() {
  static TToolkitDialogs services;
  return services;
}

QString ToolkitFilter(const QString& filter) {
  QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << (name.contains('(') ? name : name + " (" + patterns + ")");
  }
  return out.join(";;");
}

}  // namespace migwiz::dialogs
