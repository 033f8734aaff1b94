#include "ui/settings_page.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

#include "settings/control_string.h"
#include "settings/settings_limits.h"
#include "ui/settings_sheet.h"

namespace ostrane {

namespace {

constexpr char kTextInvalidSequence[] = "Invalid format in sequence.";

}  // namespace

CSettingsPage::CSettingsPage(CSettingsSheet& sheet, const QString& caption)
    : QWidget(nullptr), sheet_(sheet), caption_(caption) {}

void CSettingsPage::Load(const CSettingsSet& settings, const CKeyMap& keyMap) {
  for (Binding& b : bindings_) LoadBinding(b, settings);
  LoadExtra(settings, keyMap);
}

bool CSettingsPage::Store(CSettingsSet& settings, CKeyMap& keyMap) {
  for (const Binding& b : bindings_)
    if (!StoreBinding(b, settings)) return false;
  return StoreExtra(settings, keyMap);
}

void CSettingsPage::LoadBinding(Binding& b, const CSettingsSet& settings) {
  const int p = b.position;
  switch (b.kind) {
    case Kind::kCheck:
      static_cast<QCheckBox*>(b.control)->setChecked(settings.Int(p) == b.values[1]);
      break;
    case Kind::kText:
      static_cast<QLineEdit*>(b.control)->setText(QString::fromStdString(settings.Str(p)));
      break;
    case Kind::kComboText:
      static_cast<QComboBox*>(b.control)->setCurrentText(QString::fromStdString(settings.Str(p)));
      break;
    case Kind::kMultiLine:
      // The editor shows lines ended by LF; the text goes back with the line ends it came with.
      b.values = {settings.Str(p).find("\r\n") != std::string::npos ? 1 : 0};
      static_cast<QPlainTextEdit*>(b.control)->setPlainText(
          QString::fromStdString(settings.Str(p)));
      break;
    case Kind::kControlText:
      static_cast<QLineEdit*>(b.control)->setText(
          QString::fromStdString(FormatControlString(settings.Str(p))));
      break;
    case Kind::kNumber:
      static_cast<QLineEdit*>(b.control)->setText(QString::number(settings.Int(p)));
      break;
    case Kind::kList: {
      auto* box = static_cast<QComboBox*>(b.control);
      int index = settings.Int(p);
      if (!b.values.empty()) {
        const auto it = std::find(b.values.begin(), b.values.end(), index);
        index = it == b.values.end() ? -1 : static_cast<int>(it - b.values.begin());
      }
      box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
      break;
    }
    case Kind::kRadios: {
      auto* group = static_cast<QButtonGroup*>(b.control);
      QAbstractButton* button = group->button(settings.Int(p));
      // Exclusive groups cannot show "none" otherwise.
      group->setExclusive(false);
      for (QAbstractButton* other : group->buttons()) other->setChecked(other == button);
      group->setExclusive(true);
      break;
    }
  }
}

bool CSettingsPage::StoreBinding(const Binding& b, CSettingsSet& settings) {
  const int p = b.position;
  switch (b.kind) {
    case Kind::kCheck:
      settings.SetInt(p, b.values[static_cast<QCheckBox*>(b.control)->isChecked() ? 1 : 0]);
      return true;
    case Kind::kText:
      settings.SetStr(p, static_cast<QLineEdit*>(b.control)->text().toStdString());
      return true;
    case Kind::kComboText:
      settings.SetStr(p, static_cast<QComboBox*>(b.control)->currentText().toStdString());
      return true;
    case Kind::kMultiLine: {
      QString text = static_cast<QPlainTextEdit*>(b.control)->toPlainText();
      if (!b.values.empty() && b.values[0] == 1) text.replace("\n", "\r\n");
      settings.SetStr(p, text.toStdString());
      return true;
    }
    case Kind::kControlText: {
      std::string bytes;
      auto* field = static_cast<QLineEdit*>(b.control);
      if (!ParseControlString(field->text().toStdString(), bytes)) {
        Message(kTextInvalidSequence);
        field->setFocus();
        return false;
      }
      settings.SetStr(p, bytes);
      return true;
    }
    case Kind::kNumber: {
      auto* field = static_cast<QLineEdit*>(b.control);
      const std::string text = field->text().trimmed().toStdString();
      int64_t value = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
      std::string message = RangeMessage(p, value);
      if (ec != std::errc() || end != text.data() + text.size()) {
        const auto range = RangeOf(p);
        message = RangeMessage(p, range ? static_cast<int64_t>(range->high) + 1 : INT64_MAX);
      }
      if (!message.empty()) {
        Message(QString::fromStdString(message));
        field->setFocus();
        field->selectAll();
        return false;
      }
      settings.SetInt(p, static_cast<int32_t>(value));
      return true;
    }
    case Kind::kList: {
      const int index = static_cast<QComboBox*>(b.control)->currentIndex();
      if (index < 0) return true;
      settings.SetInt(p, b.values.empty() ? index : b.values[static_cast<size_t>(index)]);
      return true;
    }
    case Kind::kRadios: {
      const int id = static_cast<QButtonGroup*>(b.control)->checkedId();
      if (id != -1) settings.SetInt(p, id);
      return true;
    }
  }
  return true;
}

QCheckBox* CSettingsPage::BindCheck(const QString& text, int position, int on, int off) {
  auto* box = new QCheckBox(text, this);
  bindings_.push_back({Kind::kCheck, box, position, {off, on}});
  return box;
}

QLineEdit* CSettingsPage::BindText(int position) {
  auto* field = new QLineEdit(this);
  bindings_.push_back({Kind::kText, field, position, {}});
  return field;
}

QComboBox* CSettingsPage::BindComboText(int position, const QStringList& items) {
  auto* box = new QComboBox(this);
  box->setEditable(true);
  box->addItems(items);
  bindings_.push_back({Kind::kComboText, box, position, {}});
  return box;
}

QPlainTextEdit* CSettingsPage::BindMultiLine(int position) {
  auto* field = new QPlainTextEdit(this);
  bindings_.push_back({Kind::kMultiLine, field, position, {}});
  return field;
}

QLineEdit* CSettingsPage::BindControlText(int position) {
  auto* field = new QLineEdit(this);
  bindings_.push_back({Kind::kControlText, field, position, {}});
  return field;
}

QLineEdit* CSettingsPage::BindNumber(int position) {
  auto* field = new QLineEdit(this);
  field->setMaxLength(12);
  bindings_.push_back({Kind::kNumber, field, position, {}});
  return field;
}

QComboBox* CSettingsPage::BindList(int position, const QStringList& items,
                                   std::vector<int> values) {
  auto* box = new QComboBox(this);
  box->addItems(items);
  bindings_.push_back({Kind::kList, box, position, std::move(values)});
  return box;
}

QButtonGroup* CSettingsPage::BindRadios(int position,
                                        std::initializer_list<std::pair<const char*, int>> items,
                                        QWidget* parent) {
  auto* group = new QButtonGroup(this);
  auto* layout = new QVBoxLayout(parent);
  for (const auto& [text, value] : items) {
    auto* button = new QRadioButton(text, parent);
    group->addButton(button, value);
    layout->addWidget(button);
  }
  bindings_.push_back({Kind::kRadios, group, position, {}});
  return group;
}

void CSettingsPage::Message(const QString& text) {
  sheet_.Message(text);
}

QWidget* Stack(const QString& title, std::initializer_list<QWidget*> widgets, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(box);
  for (QWidget* w : widgets) layout->addWidget(w);
  layout->addStretch(1);
  return box;
}

}  // namespace ostrane
