#include "ui/host_history_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

#include "session/mru_list.h"

namespace ostrane {

CHostHistoryBox::CHostHistoryBox(CProfile& profile, std::string section, QWidget* parent)
    : QComboBox(parent), profile_(profile), section_(std::move(section)) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  // Inline completion swallowed the first Return and glued later typing onto a remembered host.
  setCompleter(nullptr);
  for (const std::string& v : CMruList::Read(profile_, section_))
    addItem(QString::fromStdString(v));
  setCurrentIndex(count() > 0 ? 0 : -1);
  view()->installEventFilter(this);
  setToolTip("Delete in the open list forgets the remembered entry.");
}

bool CHostHistoryBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view() && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    Forget(view()->currentIndex().row());
    return true;
  }
  return QComboBox::eventFilter(watched, event);
}

void CHostHistoryBox::Forget(int row) {
  if (row < 0 || row >= count()) return;
  const QString typed = currentText();
  CMruList(profile_, section_).Remove(itemText(row).toStdString());
  removeItem(row);
  // Removing the shown entry must not replace what the field says with the next entry.
  setEditText(typed);
}

}  // namespace ostrane
