#include "ui/transfer_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QStringList>
#include <QVBoxLayout>
#include <cmath>

namespace ostrane {

namespace {

// Notices shown at once; older ones scroll away.
constexpr int kNoticeLines = 4;

QString Bytes(uint64_t count) {
  return QString::number(count);
}

}  // namespace

QString FormatTimeLeft(double seconds) {
  if (!(seconds >= 0)) return QString();
  const auto total = static_cast<long long>(std::llround(std::min(seconds, 359999.0)));
  const long long h = total / 3600;
  const long long m = total / 60 % 60;
  const long long s = total % 60;
  if (h > 0) return QString("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0'));
  return QString("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

CTransferDialog::CTransferDialog(const QString& protocol, QWidget* parent)
    : QDialog(parent),
      protocol_(new QLabel(protocol, this)),
      file_(new QLabel(this)),
      size_(new QLabel(this)),
      done_(new QLabel(this)),
      rate_(new QLabel(this)),
      timeLeft_(new QLabel(this)),
      notice_(new QLabel(this)),
      abort_(new QPushButton("Abort Transfer", this)) {
  setWindowTitle("File Transfer Status");
  setModal(false);
  auto* form = new QFormLayout;
  form->addRow("Transfer Protocol:", protocol_);
  form->addRow("File Tranfering:", file_);
  form->addRow("File Size (Bytes):", size_);
  form->addRow("Bytes Transfered:", done_);
  form->addRow("Rate (Bytes/s):", rate_);
  form->addRow("Time left:", timeLeft_);
  notice_->setWordWrap(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(abort_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(notice_);
  layout->addLayout(buttons);
  file_->setMinimumWidth(240);
  // Enter must not abort a transfer by chance.
  abort_->setAutoDefault(false);
  connect(abort_, &QPushButton::clicked, this, &CTransferDialog::RequestAbort);
}

void CTransferDialog::ShowProgress(const XferProgress& progress) {
  file_->setText(QString::fromStdString(progress.fileName));
  size_->setText(Bytes(progress.fileSize));
  done_->setText(Bytes(progress.bytesDone));
  rate_->setText(QString::number(std::llround(std::max(progress.bytesPerSecond, 0.0))));
  timeLeft_->setText(FormatTimeLeft(progress.secondsLeft));
}

void CTransferDialog::ShowFileEnded(const std::string& name, bool complete,
                                    const std::string& message) {
  if (complete) return;
  ShowNotice(name + ": " + message);
}

void CTransferDialog::ShowNotice(const std::string& text) {
  QStringList lines = notice_->text().split('\n', Qt::SkipEmptyParts);
  lines << QString::fromStdString(text);
  while (lines.size() > kNoticeLines) lines.removeFirst();
  notice_->setText(lines.join('\n'));
}

void CTransferDialog::reject() {
  RequestAbort();
}

void CTransferDialog::RequestAbort() {
  abort_->setEnabled(false);
  emit AbortRequested();
}

}  // namespace ostrane
