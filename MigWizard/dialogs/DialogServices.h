// Message boxes and file and folder choosers, behind one interface so that
// no dialog blocks a test.
#pragma once

#include <QString>

#include <optional>

class QMessageBox;
class QWidget;

namespace migwiz::dialogs {

enum class TMessageKind { Information, Error };

class IDialogServices {
 public:
  virtual ~IDialogServices() = default;
  // A message box with one OK button.
  virtual void ShowMessage(QWidget* parent, const QString& title, const QString& text,
                           TMessageKind kind) = 0;
  // An existing file, or nothing when the user cancels.
  virtual std::optional<QString> GetOpenFileName(QWidget* parent, const QString& startDir,
                                                 const QString& filter) = 0;
  // A folder, or nothing when the user cancels.
  virtual std::optional<QString> SelectDirectory(QWidget* parent, const QString& caption) = 0;
};

// Widens a message box so that the window manager does not cut its title.
void FitTitle(QMessageBox& box);

// The toolkit's own message box and choosers.
IDialogServices& DefaultDialogServices();

// "Undo files (*.reu)|*.reu|All files (*.*)|*.*" in the toolkit's filter form.
QString ToolkitFilter(const QString& filter);

}  // namespace migwiz::dialogs
