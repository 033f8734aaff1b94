// Modal dialogs answered as a user answers them, for tests that drive the desktop program.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>

namespace ostrane::test {

// Return in the field that has the dialog's keyboard focus, as a user presses it.
inline void PressReturn(QWidget* dialog) {
  QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
}

// Answers each modal dialog that comes up by its object name, as a user would, and records the
// names in order. A dialog without a rule is cancelled with Escape.
class CDialogAnswerer {
 public:
  using Rule = std::function<void(QWidget*)>;
  explicit CDialogAnswerer(std::map<QString, Rule> rules) : rules_(std::move(rules)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(30);
  }
  const QStringList& Seen() const { return seen_; }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_) return;
    last_ = modal;
    seen_ << modal->objectName();
    const auto rule = rules_.find(modal->objectName());
    if (rule != rules_.end())
      rule->second(modal);
    else
      QTest::keyClick(modal, Qt::Key_Escape);
  }

  std::map<QString, Rule> rules_;
  QTimer timer_;
  QPointer<QWidget> last_;
  QStringList seen_;
};

}  // namespace ostrane::test
