#include "host/RunWindow.h"

#include <QApplication>

#include "resources/RExpertRes.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::host {

namespace Res = RExpertRes;

TRunWindow::TRunWindow(replace::TComponentReplacer& replacer, TKind kind, QWidget* owner, Hook hook)
    : replacer_(replacer), form_(owner), hook_(std::move(hook)) {
  oldProgress_ = std::move(replacer_.OnProgress);
  oldReplacing_ = std::move(replacer_.OnReplacing);
  oldBackingUp_ = std::move(replacer_.OnBackingUp);
  oldRestoring_ = std::move(replacer_.OnRestoring);
  oldStop_ = std::move(replacer_.StopRequested);
  form_.setWindowTitle(QString::fromStdString(
      support::FormatStr(Res::SProgressCaption, {replacer_.ReplaceOptions().Caption()})));
  // Units come first, then the forms they name; each phase is counted on its own.
  replacer_.OnProgress = [this](const std::string& file, size_t index, size_t count) {
    const std::string ext = support::UpperCase(support::ExtractFileExt(file));
    Step(ext == ".PAS" || ext == ".DPR" ? Res::SProgressUnit : Res::SProgressForm, file, index, count);
  };
  // From the first backup on, the run finishes whatever is asked.
  replacer_.OnBackingUp = [this](const std::string& file, size_t index, size_t count) {
    NoStopFromHere();
    Step(Res::SProgressBackingUp, file, index, count);
  };
  replacer_.OnReplacing = [this](const std::string& file, size_t index, size_t count) {
    NoStopFromHere();
    Step(Res::SProgressReplacing, file, index, count);
  };
  replacer_.OnRestoring = [this](const std::string& file, size_t index, size_t count) {
    Step(Res::SProgressRestoring, file, index, count);
  };
  replacer_.StopRequested = [this] {
    Pump();
    return form_.CancelRequested() && !replacing_;
  };
  // A restore is never stopped half-way.
  if (kind == TKind::Restore) NoStopFromHere();
  form_.show();
  Pump();
}

TRunWindow::~TRunWindow() {
  replacer_.OnProgress = std::move(oldProgress_);
  replacer_.OnReplacing = std::move(oldReplacing_);
  replacer_.OnBackingUp = std::move(oldBackingUp_);
  replacer_.OnRestoring = std::move(oldRestoring_);
  replacer_.StopRequested = std::move(oldStop_);
  form_.hide();
}

void TRunWindow::NoStopFromHere() {
  if (!replacing_) form_.DisableCancel();
  replacing_ = true;
}

void TRunWindow::Step(const char* phaseFormat, const std::string& file, size_t index, size_t count) {
  form_.SetStep(QString::fromUtf8(phaseFormat), QString::fromStdString(file), index, count);
  Pump();
}

// The user's input reaches the progress window only (it is modal); the rest
// of the host repaints. Files come faster than anyone can read: the window
// is brought up to date some 60 times a second, not after every file.
void TRunWindow::Pump() {
  if (hook_) hook_(form_);
  if (!qApp || (sincePump_.isValid() && sincePump_.elapsed() < kPumpEveryMs)) return;
  QApplication::processEvents();
  sincePump_.restart();
}

}  // namespace migwiz::host
