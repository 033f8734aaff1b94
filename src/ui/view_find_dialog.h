// CFindTextDialog: the "Find Text" dialog of a session window.
#pragma once

#include <QDialog>

#include "session/find_text.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace ostrane {

class CFindTextDialog : public QDialog {
  Q_OBJECT

 public:
  CFindTextDialog(const FindParams& params, QWidget* parent);
  FindParams Params() const;

 private:
  QLineEdit* text_;
  QRadioButton* up_;
  QRadioButton* down_;
  QCheckBox* caseSensitive_;
  QCheckBox* wholeWord_;
};

}  // namespace ostrane
