// The confirmation before a run that saves or closes the open project, with
// a do-not-ask-again flag kept per kind of run.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "platform/IniFile.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace migwiz::dialogs {

class TSaveWarnForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int mrYes = 6;
  static constexpr int mrNo = 7;

  explicit TSaveWarnForm(QWidget* owner = nullptr);

  // Sets the question and the note, and widens the dialog when a text needs
  // more room than the layout gives it.
  void SetTexts(const QString& question, const QString& note);

  QLabel* Image1;
  QLabel* lblWarn;
  QLabel* Label2;
  QLabel* lblNote;
  QCheckBox* chkDontAsk;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
};

struct TSaveWarnEnvironment {
  // The settings store; null opens the wizard's root key.
  platform::TCustomIniFile* store = nullptr;
  // Shows the dialog modally and returns its result.
  std::function<int(TSaveWarnForm&)> exec;
};

// The value name, note and question of a kind of run.
std::string SaveWarnValueName(bool isProject, bool isRestore);
const char* SaveWarnNote(bool isProject, bool isRestore);
const char* SaveWarnQuestion(bool isRestore);

// True when the run goes on: the user said Yes, or asked not to be asked.
bool ShowSaveWarn(const std::string& caption, bool isProject, bool isRestore,
                  TSaveWarnEnvironment env = {});
// The same with a question and note of the caller's (a note may hold several lines).
bool ShowSaveWarn(const std::string& caption, const std::string& valueName, const std::string& question,
                  const std::string& note, TSaveWarnEnvironment env = {});

}  // namespace migwiz::dialogs
