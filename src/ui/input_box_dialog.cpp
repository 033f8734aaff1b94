#include "ui/input_box_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrane {

CInputBoxDialog::CInputBoxDialog(const TextQuestion& question, QWidget* parent)
    : QDialog(parent), browse_(question.browse), prompt_(QString::fromStdString(question.prompt)) {
  setObjectName("InputBox");
  setWindowTitle(QString::fromStdString(question.title));
  auto* layout = new QVBoxLayout(this);
  // The prompt comes from a script, which may have it from the host.
  auto* prompt = new QLabel(prompt_, this);
  prompt->setObjectName("prompt");
  prompt->setTextFormat(Qt::PlainText);
  prompt->setWordWrap(true);
  layout->addWidget(prompt);
  auto* row = new QHBoxLayout;
  field_ = new QLineEdit(QString::fromStdString(question.initial), this);
  field_->setObjectName("text");
  if (question.hidden) {
    field_->setEchoMode(QLineEdit::Password);
    field_->setStyleSheet("lineedit-password-character: 42");
  }
  field_->setMinimumWidth(300);
  field_->selectAll();
  row->addWidget(field_);
  if (browse_ != TextQuestion::Browse::kNone) {
    auto* browse = new QPushButton("Browse...", this);
    browse->setObjectName("browse");
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &CInputBoxDialog::Browse);
    row->addWidget(browse);
  }
  layout->addLayout(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  field_->setFocus(Qt::OtherFocusReason);
}

void CInputBoxDialog::Browse() {
  QFileDialog dialog(this, prompt_, field_->text(), "All Files (*)");
  dialog.setObjectName("InputBoxBrowse");
  const bool save = browse_ == TextQuestion::Browse::kSaveFile;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    field_->setText(dialog.selectedFiles().front());
}

}  // namespace ostrane
