// The application's message box and error handler in the toolkit: what a
// host without its own shows.
#pragma once

#include "platform/OpenToolsAPI.h"

namespace migwiz::dialogs {

class TQtApplication : public platform::IOTAApplication {
 public:
  void MessageBox(const std::string& text, const std::string& caption, int flags) override;
  void HandleException(const std::string& message) override;
};

TQtApplication& QtApplication();

}  // namespace migwiz::dialogs
