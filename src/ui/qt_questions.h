// CQtQuestions: the core's questions, the SSH client's among them, answered with message boxes
// and dialogs on the GUI thread. A question asked from another thread (a transport's worker, a
// script) is carried to the GUI thread and the asking thread waits for the answer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "ssh/ssh_questions.h"

namespace ostrane {

class CQtQuestions : public QObject, public ISshQuestions {
  Q_OBJECT

 public:
  // owner: the window the boxes belong to (may go away before the questions object).
  explicit CQtQuestions(QWidget* owner, QObject* parent = nullptr);

  MessageAnswer AskMessage(const MessageQuestion& question) override;
  std::optional<std::string> ChooseFile(const FileQuestion& question) override;
  std::optional<std::string> AskText(const TextQuestion& question) override;

  std::optional<SshAuthorizationAnswer> AskAuthorization(const std::string& host,
                                                         const std::string& user) override;
  std::optional<SshPasswordChangeAnswer> AskPasswordChange(const std::string& host,
                                                           const std::string& user,
                                                           bool retry) override;
  bool AskNewHostKey(const SshHostKeyQuestion& question) override;
  std::optional<std::string> AskKeyPassword(const std::string& user, bool retry) override;
  std::optional<std::string> AskKeyCreation(const std::string& user) override;
  std::optional<std::vector<std::string>> AskKeyboardInteractive(
      const SshKeyboardQuestion& question) override;

  // Replaces the boxes (tests answer from a list); called on the GUI thread.
  void SetMessageHandler(std::function<MessageAnswer(const MessageQuestion&)> handler);

  // Converts a filter "Text Files (*.txt)|*.txt|All Files (*.*) |*.*|" to Qt's form.
  static QString QtFilter(const std::string& filter);

 private:
  MessageAnswer AskOnGuiThread(const MessageQuestion& question);
  std::optional<std::string> ChooseOnGuiThread(const FileQuestion& question);
  // Runs ask on the GUI thread and returns its answer; the calling thread waits.
  template <class Ask>
  auto OnGuiThread(Ask ask) -> decltype(ask());
  QWidget* Owner() const;

  QPointer<QWidget> owner_;
  std::function<MessageAnswer(const MessageQuestion&)> handler_;
};

// A message box captioned "Secure Ostrane" (or the given caption) owned by parent.
MessageAnswer ShowMessageBox(QWidget* parent, const MessageQuestion& question);
// A plain message with an OK button; icon kWarning unless given.
void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::kWarning);

}  // namespace ostrane
