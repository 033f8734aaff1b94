// CHostHistoryBox: an editable host field offering the remembered hosts of one MRU section.
// It completes nothing into what the user types (a typed "127.0.0.1" stays that, even when
// "127.0.0.1x" is remembered), leaves Return to the dialog's default button, and forgets the
// entry under the cursor when Delete is pressed in its open list.
#pragma once

#include <QComboBox>
#include <string>

#include "platform/profile.h"

namespace ostrane {

class CHostHistoryBox : public QComboBox {
  Q_OBJECT

 public:
  CHostHistoryBox(CProfile& profile, std::string section, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Forget(int row);

  CProfile& profile_;
  std::string section_;
};

}  // namespace ostrane
