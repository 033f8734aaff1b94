// CTransferDialog: "File Transfer Status", the modeless window that follows one transfer: the
// protocol, the file, its size, the bytes done, the rate and the time left, and an Abort
// button. Failures of single files and notices are shown in it rather than in boxes, so that
// nothing waits for the user while the transfer runs.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "xfer/zmodem_transfer.h"

namespace ostrane {

class CTransferDialog : public QDialog {
  Q_OBJECT

 public:
  CTransferDialog(const QString& protocol, QWidget* parent);

  void ShowProgress(const XferProgress& progress);
  void ShowFileEnded(const std::string& name, bool complete, const std::string& message);
  void ShowNotice(const std::string& text);

  QString FileText() const { return file_->text(); }
  QString SizeText() const { return size_->text(); }
  QString DoneText() const { return done_->text(); }
  QString RateText() const { return rate_->text(); }
  QString TimeLeftText() const { return timeLeft_->text(); }
  QString NoticeText() const { return notice_->text(); }
  QPushButton* AbortButton() const { return abort_; }

 signals:
  void AbortRequested();

 protected:
  // Closing the window asks for the abort; the window goes when the transfer has ended.
  void reject() override;

 private:
  void RequestAbort();

  QLabel* protocol_;
  QLabel* file_;
  QLabel* size_;
  QLabel* done_;
  QLabel* rate_;
  QLabel* timeLeft_;
  QLabel* notice_;
  QPushButton* abort_;
};

// "1:05" or "1:02:03"; "" while unknown (negative).
QString FormatTimeLeft(double seconds);

}  // namespace ostrane
