// CQtQuestions: the core's questions, the SSH client's among them, answered with message boxes
// and dialogs on the GUI thread. A question asked from another thread (a transport's worker, a
// script) is posted to the GUI thread and the asking thread waits for the answer or for
// Dismiss, whichever comes first: the session is closed on the GUI thread and joins those
// threads, so they must be able to leave a dialog the GUI thread is not free to finish.
#pragma once

#include <QDialog>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/profile.h"
#include "ssh/ssh_questions.h"

namespace ostrane {

class CQtQuestions : public QObject, public ISshQuestions {
  Q_OBJECT

 public:
  // owner: the window the boxes belong to (may go away before the questions object).
  // handlers: whose message handler answers when this object has none (tests set one on the
  // main window's questions).
  explicit CQtQuestions(QWidget* owner, const CQtQuestions* handlers = nullptr,
                        QObject* parent = nullptr);

  MessageAnswer AskMessage(const MessageQuestion& question) override;
  std::optional<std::string> ChooseFile(const FileQuestion& question) override;
  std::optional<std::string> AskText(const TextQuestion& question) override;

  std::optional<SshAuthorizationAnswer> AskAuthorization(const std::string& host, int port,
                                                         const std::string& user,
                                                         SshKeyFiles keyFiles) override;
  void AuthorizationAccepted(const std::string& host, int port,
                             const SshAuthorizationAnswer& answer) override;
  std::optional<SshPasswordChangeAnswer> AskPasswordChange(const std::string& host,
                                                           const std::string& user,
                                                           bool retry) override;
  bool AskNewHostKey(const SshHostKeyQuestion& question) override;
  std::optional<std::string> AskKeyPassword(const std::string& user, bool retry) override;
  std::optional<std::string> AskKeyCreation(const std::string& user) override;
  std::optional<std::vector<std::string>> AskKeyboardInteractive(
      const SshKeyboardQuestion& question) override;

  // The profile where the key files of accepted logins are remembered and offered again; none
  // (the default) remembers nothing. GUI thread.
  void SetKeyFileProfile(CProfile* profile) { keyFiles_ = profile; }

  // Replaces the boxes (tests answer from a list); called on the GUI thread.
  void SetMessageHandler(std::function<MessageAnswer(const MessageQuestion&)> handler);

  // Shows a message without waiting for it; from any thread.
  void PostMessage(const MessageQuestion& question);
  // From any thread: every waiting caller returns unanswered, the open dialogs close, and
  // later questions from other threads are unanswered at once.
  void Dismiss();
  bool Dismissed() const;

  // Runs ask on the GUI thread and returns its answer, or fallback when dismissed first; the
  // calling thread waits.
  template <class Ask>
  auto OnGuiThread(Ask ask, decltype(ask()) fallback = {}) -> decltype(ask());

  // Runs a dialog of a question modally; Dismiss closes it.
  int ExecDialog(QDialog& dialog);

  // Converts a filter "Text Files (*.txt)|*.txt|All Files (*.*) |*.*|" to Qt's form.
  static QString QtFilter(const std::string& filter);

 private:
  MessageAnswer AskOnGuiThread(const MessageQuestion& question);
  std::optional<std::string> ChooseOnGuiThread(const FileQuestion& question);
  QWidget* Owner() const;
  void CloseOpenDialogs();

  QPointer<QWidget> owner_;
  const CQtQuestions* handlers_;
  std::function<MessageAnswer(const MessageQuestion&)> handler_;
  QList<QPointer<QDialog>> openDialogs_;  // GUI thread only
  CProfile* keyFiles_ = nullptr;          // GUI thread only
  mutable std::mutex mutex_;
  std::condition_variable answered_;
  bool dismissed_ = false;
};

template <class Ask>
auto CQtQuestions::OnGuiThread(Ask ask, decltype(ask()) fallback) -> decltype(ask()) {
  using Result = decltype(ask());
  if (QThread::currentThread() == thread()) return Dismissed() ? fallback : ask();
  struct Call {
    bool done = false;
    Result answer{};
  };
  auto call = std::make_shared<Call>();
  {
    std::lock_guard lock(mutex_);
    if (dismissed_) return fallback;
  }
  // The call owns what it asks about: after Dismiss the caller may be gone before it runs.
  QMetaObject::invokeMethod(
      this,
      [this, call, ask = std::move(ask)]() mutable {
        if (Dismissed()) return;
        Result answer = ask();
        {
          std::lock_guard lock(mutex_);
          call->answer = std::move(answer);
          call->done = true;
        }
        answered_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return call->done || dismissed_; });
  return call->done ? std::move(call->answer) : fallback;
}

// A message box captioned "Secure Ostrane" (or the given caption) owned by parent; exec runs
// it modally (a questions object's ExecDialog, so that it can be dismissed).
MessageAnswer ShowMessageBox(QWidget* parent, const MessageQuestion& question,
                             const std::function<int(QDialog&)>& exec = {});
// A plain message with an OK button; icon kWarning unless given.
void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::kWarning);

}  // namespace ostrane
