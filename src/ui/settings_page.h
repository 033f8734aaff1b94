// CSettingsPage: one page of the settings sheet. A page binds its controls to settings through
// a table of bindings (check box, text, number, list, radio group), loads them from a settings
// set and stores them back; pages with controls that are not one-to-one add their own steps.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>
#include <initializer_list>
#include <utility>
#include <vector>

#include "keyboard/key_map.h"
#include "settings/settings_set.h"

namespace ostrane {

class CSettingsSheet;

class CSettingsPage : public QWidget {
  Q_OBJECT

 public:
  CSettingsPage(CSettingsSheet& sheet, const QString& caption);
  const QString& Caption() const { return caption_; }

  // Settings to controls.
  void Load(const CSettingsSet& settings, const CKeyMap& keyMap);
  // Controls to settings. False when a control holds a value that is refused: the sheet has
  // shown why and the caller keeps the dialog open.
  bool Store(CSettingsSet& settings, CKeyMap& keyMap);

 protected:
  // The page's own steps around the bound controls.
  virtual void LoadExtra(const CSettingsSet& /*settings*/, const CKeyMap& /*keyMap*/) {}
  virtual bool StoreExtra(CSettingsSet& /*settings*/, CKeyMap& /*keyMap*/) { return true; }

  // Bound controls. A check box stores on when checked, off otherwise.
  QCheckBox* BindCheck(const QString& text, int position, int on = 1, int off = 0);
  QLineEdit* BindText(int position);
  QPlainTextEdit* BindMultiLine(int position);
  // Text in the control-string notation; a text that does not parse is refused.
  QLineEdit* BindControlText(int position);
  // An editable list whose text is stored (font names).
  QComboBox* BindComboText(int position, const QStringList& items);
  // A number within the setting's range; other text is refused.
  QLineEdit* BindNumber(int position);
  // A list whose entry i stores values[i] (i itself when values is empty). A stored value no
  // entry has selects none, and a list without a selection keeps the stored value.
  QComboBox* BindList(int position, const QStringList& items, std::vector<int> values = {});
  // Radio buttons, each with the value it stores; with none checked the stored value stays.
  QButtonGroup* BindRadios(int position, std::initializer_list<std::pair<const char*, int>> items,
                           QWidget* parent);

  // Shows a message captioned as the sheet's messages are.
  void Message(const QString& text);
  CSettingsSheet& Sheet() { return sheet_; }

 private:
  enum class Kind { kCheck, kText, kComboText, kMultiLine, kControlText, kNumber, kList, kRadios };
  struct Binding {
    Kind kind;
    QObject* control;
    int position;
    std::vector<int> values;  // check: {off, on}; list: value of each entry; text: CR LF lines
  };
  void LoadBinding(Binding& b, const CSettingsSet& settings);
  bool StoreBinding(const Binding& b, CSettingsSet& settings);

  CSettingsSheet& sheet_;
  QString caption_;
  std::vector<Binding> bindings_;
};

// A group box holding the given widgets one under another.
QWidget* Stack(const QString& title, std::initializer_list<QWidget*> widgets, QWidget* parent);

}  // namespace ostrane
