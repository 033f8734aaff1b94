#include "ui/qt_questions.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QThread>

#include "session/key_file_memory.h"
#include "ui/input_box_dialog.h"
#include "ui/ssh_dialogs.h"

namespace ostrane {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kStop:
      return QMessageBox::Critical;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

struct ButtonAnswer {
  QMessageBox::StandardButton button;
  MessageAnswer answer;
};
constexpr ButtonAnswer kButtonAnswers[] = {
    {QMessageBox::Ok, MessageAnswer::kOk},
    {QMessageBox::Cancel, MessageAnswer::kCancel},
    {QMessageBox::Yes, MessageAnswer::kYes},
    {QMessageBox::No, MessageAnswer::kNo},
};

QMessageBox::StandardButton ButtonOf(MessageAnswer answer) {
  for (const ButtonAnswer& b : kButtonAnswers)
    if (b.answer == answer) return b.button;
  return QMessageBox::Ok;
}

MessageAnswer AnswerOf(int button, MessageButtons buttons) {
  for (const ButtonAnswer& b : kButtonAnswers)
    if (b.button == button) return b.answer;
  // Closed with Escape or the window's close button.
  return buttons == MessageButtons::kYesNo ? MessageAnswer::kNo : MessageAnswer::kCancel;
}

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      break;
    case MessageButtons::kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::kYesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

}  // namespace

MessageAnswer ShowMessageBox(QWidget* parent, const MessageQuestion& question,
                             const std::function<int(QDialog&)>& exec) {
  QWidget* owner = parent ? parent : QApplication::activeWindow();
  QMessageBox box(BoxIcon(question.icon), QString::fromStdString(question.caption),
                  QString::fromStdString(question.text), ButtonsOf(question.buttons), owner);
  box.setObjectName("Message");
  // The text may come from the peer (a disconnect reason, a script's message).
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(ButtonOf(question.defaultAnswer));
  return AnswerOf(exec ? exec(box) : box.exec(), question.buttons);
}

void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) {
  MessageQuestion q;
  q.text = text.toStdString();
  q.icon = icon;
  ShowMessageBox(parent, q);
}

CQtQuestions::CQtQuestions(QWidget* owner, const CQtQuestions* handlers, QObject* parent)
    : QObject(parent), owner_(owner), handlers_(handlers) {}

void CQtQuestions::SetMessageHandler(std::function<MessageAnswer(const MessageQuestion&)> handler) {
  handler_ = std::move(handler);
}

MessageAnswer CQtQuestions::AskOnGuiThread(const MessageQuestion& question) {
  if (handler_) return handler_(question);
  if (handlers_ && handlers_->handler_) return handlers_->handler_(question);
  return ShowMessageBox(Owner(), question, [this](QDialog& d) { return ExecDialog(d); });
}

void CQtQuestions::PostMessage(const MessageQuestion& question) {
  QMetaObject::invokeMethod(
      this,
      [this, question] {
        if (!Dismissed()) AskOnGuiThread(question);
      },
      Qt::QueuedConnection);
}

bool CQtQuestions::Dismissed() const {
  std::lock_guard lock(mutex_);
  return dismissed_;
}

void CQtQuestions::Dismiss() {
  {
    std::lock_guard lock(mutex_);
    dismissed_ = true;
  }
  answered_.notify_all();
  if (QThread::currentThread() == thread())
    CloseOpenDialogs();
  else
    QMetaObject::invokeMethod(this, &CQtQuestions::CloseOpenDialogs, Qt::QueuedConnection);
}

void CQtQuestions::CloseOpenDialogs() {
  const QList<QPointer<QDialog>> open = openDialogs_;
  for (const QPointer<QDialog>& dialog : open)
    if (dialog) dialog->done(QDialog::Rejected);
}

int CQtQuestions::ExecDialog(QDialog& dialog) {
  if (Dismissed()) return QDialog::Rejected;
  openDialogs_ << QPointer<QDialog>(&dialog);
  const int result = dialog.exec();
  openDialogs_.removeAll(QPointer<QDialog>(&dialog));
  return result;
}

std::optional<std::string> CQtQuestions::ChooseOnGuiThread(const FileQuestion& question) {
  QFileDialog dialog(Owner(), QString::fromStdString(question.title), QString(),
                     QtFilter(question.filter));
  dialog.setAcceptMode(question.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(question.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QString::fromStdString(question.defaultExtension));
  if (!question.initialName.empty())
    dialog.selectFile(QString::fromStdString(question.initialName));
  if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

// The owner window, or whichever window is active when it has gone.
QWidget* CQtQuestions::Owner() const {
  return owner_ ? owner_.data() : QApplication::activeWindow();
}

MessageAnswer CQtQuestions::AskMessage(const MessageQuestion& question) {
  return OnGuiThread([this, question] { return AskOnGuiThread(question); }, MessageAnswer::kCancel);
}

std::optional<std::string> CQtQuestions::ChooseFile(const FileQuestion& question) {
  return OnGuiThread([this, question] { return ChooseOnGuiThread(question); });
}

std::optional<std::string> CQtQuestions::AskText(const TextQuestion& question) {
  return OnGuiThread([this, question]() -> std::optional<std::string> {
    CInputBoxDialog dialog(question, Owner());
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.Text();
  });
}

std::optional<SshAuthorizationAnswer> CQtQuestions::AskAuthorization(const std::string& host,
                                                                     int port,
                                                                     const std::string& user,
                                                                     SshKeyFiles keyFiles) {
  return OnGuiThread([this, host, port, user, keyFiles]() -> std::optional<SshAuthorizationAnswer> {
    CSshAuthorizationDialog dialog(QString::fromStdString(host), QString::fromStdString(user),
                                   Owner());
    // SSH1 reads no key file: the field is not shown, and no remembered SSH2 file is offered.
    if (keyFiles == SshKeyFiles::kNotOffered) {
      dialog.HideKeyFile();
    } else if (keyFiles_) {
      dialog.OfferRememberedKeyFiles([this, host, port](const QString& name) {
        const auto path = CKeyFileMemory(*keyFiles_).Recall(host, port, name.toStdString());
        return path ? QFile::decodeName(QByteArray::fromStdString(*path)) : QString();
      });
    }
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.Answer();
  });
}

// The key file is remembered only once the server took it, so a wrong file never is; a login
// with the stored key pair and an empty field forgets it. A password login changes nothing.
void CQtQuestions::AuthorizationAccepted(const std::string& host, int port,
                                         const SshAuthorizationAnswer& answer) {
  if (!answer.usePublicKey) return;
  QMetaObject::invokeMethod(
      this,
      [this, record = KeyFileRecord{host, port, answer.user, answer.identityFile}] {
        if (!keyFiles_) return;
        CKeyFileMemory memory(*keyFiles_);
        if (record.path.empty())
          memory.Forget(record.host, record.port, record.user);
        else
          memory.Remember(record);
      },
      Qt::QueuedConnection);
}

std::optional<SshPasswordChangeAnswer> CQtQuestions::AskPasswordChange(const std::string& host,
                                                                       const std::string& user,
                                                                       bool retry) {
  return OnGuiThread([this, host, user, retry]() -> std::optional<SshPasswordChangeAnswer> {
    CChangePasswordDialog dialog(QString::fromStdString(host), QString::fromStdString(user), retry,
                                 Owner());
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.Answer();
  });
}

bool CQtQuestions::AskNewHostKey(const SshHostKeyQuestion& question) {
  return OnGuiThread([this, question] {
    return AskNewHostKeyDialog(Owner(), question, [this](QDialog& d) { return ExecDialog(d); });
  });
}

std::optional<std::string> CQtQuestions::AskKeyPassword(const std::string& user, bool retry) {
  return OnGuiThread([this, user, retry]() -> std::optional<std::string> {
    const std::string_view title = retry ? kRetryKeyPasswordTitle : kSshAuthorizationTitle;
    const std::string_view text = retry ? kRetryKeyPasswordText : kKeyPasswordText;
    CSecretDialog dialog(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
                         QString::fromStdString(user) + "\n" +
                             QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                         false, Owner());
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.Secret();
  });
}

std::optional<std::string> CQtQuestions::AskKeyCreation(const std::string& user) {
  return OnGuiThread([this, user]() -> std::optional<std::string> {
    CSecretDialog dialog(QString::fromUtf8(kKeyCreationTitle.data(),
                                           static_cast<qsizetype>(kKeyCreationTitle.size())),
                         QString("No key pair is stored for %1. A new pair will be created and "
                                 "protected by this password:")
                             .arg(QString::fromStdString(user)),
                         true, Owner());
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.Secret();
  });
}

std::optional<std::vector<std::string>> CQtQuestions::AskKeyboardInteractive(
    const SshKeyboardQuestion& question) {
  return OnGuiThread([this, question]() -> std::optional<std::vector<std::string>> {
    CKeyboardInteractiveDialog dialog(question, Owner());
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.Answers();
  });
}

QString CQtQuestions::QtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|', Qt::SkipEmptyParts);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    // "*.*" would hide files without an extension here.
    QString name = parts[i].trimmed().replace("*.*", "*");
    const QString patterns = parts[i + 1].split(';').join(' ').replace("*.*", "*");
    // "OSN Files (*.osn)" already shows its patterns; Qt reads them from the parentheses.
    if (!name.contains('(')) name += " (" + patterns + ")";
    filters << name;
  }
  return filters.join(";;");
}

}  // namespace ostrane
