#include "ui/save_template_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "session/settings_templates.h"
#include "session/vt420_doc.h"
#include "ui/qt_questions.h"

namespace ostrane {

namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CSaveTemplateDialog::CSaveTemplateDialog(CVT420Doc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc) {
  setWindowTitle("Save Settings As Template");
  name_ = new QComboBox(this);
  name_->setEditable(true);
  for (const std::string& name : ListTemplates()) name_->addItem(QString::fromStdString(name));
  name_->setCurrentIndex(-1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSaveTemplateDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CSaveTemplateDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Template Name:", this));
  layout->addWidget(name_);
  layout->addWidget(buttons);
}

void CSaveTemplateDialog::accept() {
  const std::string name = name_->currentText().trimmed().toStdString();
  if (name.empty()) {
    Message(Text(kTextNoTemplateName));
    return;
  }
  if (!doc_.SaveTemplate(name)) {
    Message(Text(kTextCannotSaveTemplate));
    return;
  }
  QDialog::accept();
}

void CSaveTemplateDialog::Message(const QString& text) {
  if (messageHandler_)
    messageHandler_(text);
  else
    ShowMessage(this, text);
}

}  // namespace ostrane
