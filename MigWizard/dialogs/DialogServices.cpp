#include "dialogs/DialogServices.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QStringList>

namespace migwiz::dialogs {

namespace {

class TToolkitDialogs : public IDialogServices {
 public:
  void ShowMessage(QWidget* parent, const QString& title, const QString& text,
                   TMessageKind kind) override {
    QMessageBox box(kind == TMessageKind::Error ? QMessageBox::Critical : QMessageBox::Information, title,
                    text, QMessageBox::Ok, parent);
    box.setObjectName("MessageBox");
    FitTitle(box);
    box.exec();
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

void FitTitle(QMessageBox& box) {
  const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) * 5 / 4 + 140;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

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
