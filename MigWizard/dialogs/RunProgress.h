// The window of a run in progress: its phase ("Processing unit 3 of 40"),
// the file, a bar, and Cancel, which asks the run to stop between two files
// for as long as no original has been touched.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace migwiz::dialogs {

class TRunProgressForm : public QDialog {
  Q_OBJECT

 public:
  explicit TRunProgressForm(QWidget* owner = nullptr);

  // A phase with its count: "Processing unit %s of %s" and the like.
  void SetStep(const QString& phaseFormat, const QString& file, size_t index, size_t count);
  void SetText(const QString& phase, const QString& file = QString());
  // From here on the run cannot be stopped: Cancel is disabled and says why.
  void DisableCancel();
  bool CancelRequested() const { return cancelRequested_; }

  QLabel* lblPhase;
  QLabel* lblFile;
  QProgressBar* pbRun;
  QPushButton* btCancel;

 protected:
  // Esc and the close box mean Cancel; the window itself stays until the run ends.
  void reject() override;

 private:
  bool cancelRequested_ = false;
};

}  // namespace migwiz::dialogs
