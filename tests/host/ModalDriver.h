// Answers modal dialogs as they come up: each step waits for a modal window
// with the given object name and acts on it. A dialog that nobody expects,
// or one that does not come, is rejected after a while instead of hanging
// the test.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace migwiz::testing {

class ModalDriver {
 public:
  using Act = std::function<void(QWidget*)>;

  ModalDriver() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
    clock_.start();
  }

  void Expect(const QString& objectName, Act act) { steps_.push_back({objectName, std::move(act)}); }
  bool Done() const { return steps_.empty(); }
  // What went wrong: dialogs nobody expected, or expected ones that never came.
  std::vector<std::string> Problems() const {
    std::vector<std::string> out = problems_;
    for (const auto& step : steps_) out.push_back("never shown: " + step.name.toStdString());
    return out;
  }

 private:
  struct Step {
    QString name;
    Act act;
  };

  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == handled_) return;
    if (!steps_.empty() && modal->objectName() == steps_.front().name) {
      Step step = std::move(steps_.front());
      steps_.pop_front();
      handled_ = modal;
      clock_.restart();
      QObject::connect(modal, &QObject::destroyed, [this, modal] {
        if (handled_ == modal) handled_ = nullptr;
      });
      step.act(modal);
      return;
    }
    if (clock_.elapsed() > 5000) {
      problems_.push_back("unexpected dialog: " + modal->objectName().toStdString() + " \"" +
                          modal->windowTitle().toStdString() + "\"");
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      else modal->close();
      clock_.restart();
    }
  }

  QTimer timer_;
  QElapsedTimer clock_;
  std::deque<Step> steps_;
  std::vector<std::string> problems_;
  QWidget* handled_ = nullptr;
};

}  // namespace migwiz::testing
