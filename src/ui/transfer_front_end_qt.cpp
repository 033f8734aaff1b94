#include "ui/transfer_front_end_qt.h"

#include <QDesktopServices>
#include <QUrl>

#include "session/vt420_doc.h"
#include "ui/qt_questions.h"

namespace ostrane {

namespace {

constexpr char kProtocol[] = "ZModem";

}  // namespace

CTransferFrontEndQt::CTransferFrontEndQt(QWidget* owner, CQtQuestions& questions)
    : owner_(owner), questions_(questions) {}

CTransferFrontEndQt::~CTransferFrontEndQt() {
  delete dialog_.data();
}

// Queued to this object: work posted after it is gone is dropped by Qt.
template <class Work>
void CTransferFrontEndQt::Post(Work work) {
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

CTransferDialog& CTransferFrontEndQt::EnsureDialog() {
  if (!dialog_) {
    dialog_ = new CTransferDialog(kProtocol, owner_);
    connect(dialog_, &CTransferDialog::AbortRequested, this, [this] {
      if (const auto doc = doc_.lock()) doc->AbortTransfer();
    });
  }
  if (!dialog_->isVisible()) dialog_->show();
  return *dialog_;
}

void CTransferFrontEndQt::TransferStarted(XferDirection) {
  Post([this] { EnsureDialog(); });
}

void CTransferFrontEndQt::TransferProgress(const XferProgress& progress) {
  Post([this, progress] { EnsureDialog().ShowProgress(progress); });
}

void CTransferFrontEndQt::TransferFileEnded(const std::string& name, bool complete,
                                            const std::string& message) {
  Post([this, name, complete, message] { EnsureDialog().ShowFileEnded(name, complete, message); });
}

void CTransferFrontEndQt::TransferNotice(const std::string& text) {
  Post([this, text] { EnsureDialog().ShowNotice(text); });
}

void CTransferFrontEndQt::OpenReceiveFolder(const std::string& folder) {
  Post(
      [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder))); });
}

void CTransferFrontEndQt::TransferEnded(XferOutcome outcome, const std::string& message) {
  Post([this, outcome, message] { Ended(outcome, message); });
}

void CTransferFrontEndQt::Ended(XferOutcome outcome, const std::string& message) {
  delete dialog_.data();
  if (const auto doc = doc_.lock()) doc->ReapTransfer();
  if (ended_) ended_();
  if (outcome == XferOutcome::kSucceeded) return;
  MessageQuestion q;
  q.text = message.empty() ? std::string("File transfer failed.") : message;
  q.icon = MessageIcon::kWarning;
  questions_.PostMessage(q);
}

}  // namespace ostrane
