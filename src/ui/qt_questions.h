// CQtQuestions: the core's questions answered with message boxes and file dialogs on the GUI
// thread. A question asked from another thread is carried to the GUI thread and the asking
// thread waits for the answer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "settings/question_interface.h"

namespace ostrane {

class CQtQuestions : public QObject, public IQuestions {
  Q_OBJECT

 public:
  // owner: the window the boxes belong to (may go away before the questions object).
  explicit CQtQuestions(QWidget* owner, QObject* parent = nullptr);

  MessageAnswer AskMessage(const MessageQuestion& question) override;
  std::optional<std::string> ChooseFile(const FileQuestion& question) override;

  // Replaces the boxes (tests answer from a list); called on the GUI thread.
  void SetMessageHandler(std::function<MessageAnswer(const MessageQuestion&)> handler);

  // Converts a filter "Text Files (*.txt)|*.txt|All Files (*.*) |*.*|" to Qt's form.
  static QString QtFilter(const std::string& filter);

 private:
  MessageAnswer AskOnGuiThread(const MessageQuestion& question);
  std::optional<std::string> ChooseOnGuiThread(const FileQuestion& question);

  QPointer<QWidget> owner_;
  std::function<MessageAnswer(const MessageQuestion&)> handler_;
};

// A message box captioned "Secure Ostrane" (or the given caption) owned by parent.
MessageAnswer ShowMessageBox(QWidget* parent, const MessageQuestion& question);
// A plain message with an OK button; icon kWarning unless given.
void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::kWarning);

}  // namespace ostrane
