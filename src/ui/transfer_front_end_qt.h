// CTransferFrontEndQt: a session's file transfers in the desktop program. Every call of the
// transfer comes from another thread or with the terminal lock held, so each is posted to the
// GUI thread, which keeps the "File Transfer Status" dialog, aborts on its button and, at the
// end, closes it, reaps the transfer and reports a failure without waiting for the user.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "session/transfer_front_end.h"
#include "ui/transfer_dialog.h"

namespace ostrane {

class CQtQuestions;
class CVT420Doc;

class CTransferFrontEndQt : public QObject, public ITransferFrontEnd {
  Q_OBJECT

 public:
  // owner: the dialog's parent; questions: where a failed transfer is reported.
  CTransferFrontEndQt(QWidget* owner, CQtQuestions& questions);
  ~CTransferFrontEndQt() override;

  // The session whose transfers these are; it may go before this object.
  void SetDocument(std::weak_ptr<CVT420Doc> doc) { doc_ = std::move(doc); }
  // Called on the GUI thread after a transfer was reaped (the commands' states change).
  void SetEndedHandler(std::function<void()> ended) { ended_ = std::move(ended); }
  // The dialog of the running transfer; nullptr when none is shown.
  CTransferDialog* Dialog() const { return dialog_; }

  void TransferStarted(XferDirection direction) override;
  void TransferProgress(const XferProgress& progress) override;
  void TransferFileEnded(const std::string& name, bool complete,
                         const std::string& message) override;
  void TransferNotice(const std::string& text) override;
  void OpenReceiveFolder(const std::string& folder) override;
  void TransferEnded(XferOutcome outcome, const std::string& message) override;

 private:
  template <class Work>
  void Post(Work work);
  CTransferDialog& EnsureDialog();
  void Ended(XferOutcome outcome, const std::string& message);

  QPointer<QWidget> owner_;
  CQtQuestions& questions_;
  std::weak_ptr<CVT420Doc> doc_;
  std::function<void()> ended_;
  QPointer<CTransferDialog> dialog_;
};

}  // namespace ostrane
