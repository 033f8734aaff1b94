// CInputBoxDialog: a script's "Input Box": a prompt, one line of text (typed characters shown as
// "*" when hidden) and, for the file styles, a Browse button that fills the line from a save or
// open file dialog.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <string>

#include "settings/question_interface.h"

namespace ostrane {

class CInputBoxDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CInputBoxDialog(const TextQuestion& question, QWidget* parent = nullptr);

  std::string Text() const { return field_->text().toStdString(); }
  QLineEdit* Field() const { return field_; }

 private:
  void Browse();

  TextQuestion::Browse browse_;
  QString prompt_;  // the file dialog's title
  QLineEdit* field_ = nullptr;
};

}  // namespace ostrane
