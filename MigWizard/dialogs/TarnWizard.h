// The product's wizard dialog: the banner in the picture frame and, on the
// first page, a link that opens a new mail to product support.
#pragma once

#include <QLabel>

#include "dialogs/Wizard.h"
#include "platform/Shell.h"

namespace migwiz::dialogs {

inline constexpr const char* kSupportAddress = "migration-support@example.com";

// The link's colours: blue at rest, orange under the mouse.
inline const QColor kLinkColor(0, 0, 255);
inline const QColor kLinkHoverColor(255, 128, 64);

class TTarnWizardForm : public TWizardForm {
  Q_OBJECT

 public:
  explicit TTarnWizardForm(QWidget* owner = nullptr, IDialogServices* services = nullptr,
                           platform::IShell* shell = nullptr);

  static QString MailUrl();
  QLabel* lbMail;

  void lbMailClick();
  void lbMailMouseMove();
  void lbFormMouseMove();
  QColor LinkColor() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetLinkColor(const QColor& color);
  platform::IShell* shell_;
};

TWizardFormClass TarnWizardFormClass(platform::IShell* shell = nullptr);

}  // namespace migwiz::dialogs
