// The application's message box and error handler in the toolkit: what a
// host without its own shows.
#pragma once

#include "platform/OpenToolsAPI.h"

class QWidget;

namespace migwiz::dialogs {

// The toolkit's message box for the flags of IOTAApplication::MessageBox
// (OK, or Yes and No with Yes the default); returns the button pressed.
int ShowMessageBox(QWidget* parent, const std::string& text, const std::string& caption, int flags);

class TQtApplication : public platform::IOTAApplication {
 public:
  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  void HandleException(const std::string& message) override;
};

TQtApplication& QtApplication();

}  // namespace migwiz::dialogs
