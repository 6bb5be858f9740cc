// A replace or restore run of the wizard shown in a progress window: the
// phase, the file and Cancel. The window keeps the host painting by handling
// its events between two files, on the one thread the wizard uses; Cancel
// is the stop request the run asks for between files, so a stopped run has
// changed nothing.
#pragma once

#include <QElapsedTimer>

#include <functional>

#include "dialogs/RunProgress.h"
#include "replace/Replacer.h"

class QWidget;

namespace migwiz::host {

class TRunWindow {
 public:
  using Hook = std::function<void(dialogs::TRunProgressForm&)>;
  enum class TKind { Replace, Restore };

  // Shows the window and puts its callbacks into the replacer for the run;
  // the replacer's own come back when this ends.
  TRunWindow(replace::TComponentReplacer& replacer, TKind kind, QWidget* owner, Hook hook);
  ~TRunWindow();
  TRunWindow(const TRunWindow&) = delete;
  TRunWindow& operator=(const TRunWindow&) = delete;

  dialogs::TRunProgressForm& Form() { return form_; }

 private:
  void Step(const char* phaseFormat, const std::string& file, size_t index, size_t count);
  void Pump();
  void NoStopFromHere();

  replace::TComponentReplacer& replacer_;
  dialogs::TRunProgressForm form_;
  Hook hook_;
  bool replacing_ = false;
  static constexpr int kPumpEveryMs = 16;
  QElapsedTimer sincePump_;
  decltype(replace::TComponentReplacer::OnProgress) oldProgress_;
  decltype(replace::TComponentReplacer::OnReplacing) oldReplacing_;
  decltype(replace::TComponentReplacer::OnBackingUp) oldBackingUp_;
  decltype(replace::TComponentReplacer::OnRestoring) oldRestoring_;
  decltype(replace::TComponentReplacer::StopRequested) oldStop_;
};

}  // namespace migwiz::host
