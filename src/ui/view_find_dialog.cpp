#include "ui/view_find_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ostrane {

CFindTextDialog::CFindTextDialog(const FindParams& params, QWidget* parent)
    : QDialog(parent),
      text_(new QLineEdit(QString::fromStdU16String(params.text), this)),
      up_(new QRadioButton(tr("Search Up"), this)),
      down_(new QRadioButton(tr("Search Down"), this)),
      caseSensitive_(new QCheckBox(tr("Case Sensitive"), this)),
      wholeWord_(new QCheckBox(tr("Whole Word Only"), this)) {
  setWindowTitle(tr("Find Text"));
  (params.up ? up_ : down_)->setChecked(true);
  caseSensitive_->setChecked(params.caseSensitive);
  wholeWord_->setChecked(params.wholeWord);

  auto* form = new QFormLayout;
  form->addRow(tr("Find:"), text_);
  auto* direction = new QHBoxLayout;
  direction->addWidget(up_);
  direction->addWidget(down_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(direction);
  layout->addWidget(caseSensitive_);
  layout->addWidget(wholeWord_);
  layout->addWidget(buttons);
  text_->selectAll();
}

FindParams CFindTextDialog::Params() const {
  FindParams params;
  params.text = text_->text().toStdU16String();
  params.up = up_->isChecked();
  params.caseSensitive = caseSensitive_->isChecked();
  params.wholeWord = wholeWord_->isChecked();
  return params;
}

}  // namespace ostrane
