#include "ui/key_map_page.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <iterator>

#include "keyboard/key_codes.h"
#include "session/settings_templates.h"
#include "settings/control_string.h"
#include "settings/settings_limits.h"
#include "ui/settings_sheet.h"
#include "ui/vt_keyboard_window.h"

namespace ostrane {

namespace {

constexpr char kTextSelectVtKey[] = "Please select one VT key click left mouse button.";
constexpr char kTextInvalidSequence[] = "Invalid format in sequence.";
constexpr char kTextSelectMenu[] = "Please select a menu item.";
constexpr char kTemplatePrefix[] = "Template: ";

// The "Mapping:" entries in order and the action each assigns (VT keys carry their own code).
enum Mapping : int { kNoMapping, kVtKey, kSequence, kMenuItem, kScript, kScriptFile };
constexpr const char* kMappingNames[] = {"No Mapping",       "Map to VT Key",  "Send Sequence",
                                         "Map to Menu Item", "Execute Script", "Run Script File"};
constexpr uint8_t kMappingActions[] = {KeyAction::kNone,       0,
                                       KeyAction::kSendString, KeyAction::kMenu,
                                       KeyAction::kScriptText, KeyAction::kRunScriptFile};

int MappingOf(uint8_t action) {
  if (action >= 1 && action <= VtKey::kCount) return kVtKey;
  for (int i = 0; i < static_cast<int>(std::size(kMappingActions)); ++i)
    if (i != kVtKey && kMappingActions[i] == action) return i;
  return kNoMapping;
}

QString Name(std::string_view name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// Key faces too small for the full names, by PC key code.
struct ShortLabel {
  int pcKey;
  const char* text;
};
constexpr ShortLabel kPcShortLabels[] = {
    {44, "PrtSc"},  {145, "ScrLk"}, {19, "Pause"},  {17, "Ctrl"},   {163, "Ctrl"},
    {18, "Alt"},    {165, "Alt"},   {16, "Shift"},  {161, "Shift"}, {45, "Ins"},
    {33, "PgUp"},   {46, "Del"},    {34, "PgDn"},   {144, "Num"},   {111, "/"},
    {106, "*"},     {109, "-"},     {107, "+"},     {110, "."},     {43, "Ent"},
    {38, "\u2191"}, {37, "\u2190"}, {40, "\u2193"}, {39, "\u2192"}, {20, "Caps"},
};

QString PcKeyLabel(int pcKey) {
  for (const ShortLabel& s : kPcShortLabels)
    if (s.pcKey == pcKey) return QString::fromUtf8(s.text);
  if (pcKey >= PcKey::kNumpad0 && pcKey <= PcKey::kNumpad0 + 9)
    return QString::number(pcKey - PcKey::kNumpad0);
  return Name(PcKeyName(pcKey));
}

std::function<int(int, int)> PcHitTest(int layout) {
  return [layout](int x, int y) { return PcKeyAt(layout, x, y); };
}

}  // namespace

CPageKeymap::CPageKeymap(CSettingsSheet& sheet) : CSettingsPage(sheet, "Key Map") {
  templates_ = new QComboBox(this);
  for (size_t i = 0; i < CKeyMap::TemplateCount(); ++i)
    templates_->addItem(Name(CKeyMap::TemplateName(i)));
  for (const std::string& name : ListTemplates())
    templates_->addItem(kTemplatePrefix + QString::fromStdString(name));
  templates_->setCurrentIndex(-1);
  QStringList layouts;
  for (int i = 0; i < PcLayoutCount(); ++i) layouts << Name(PcLayoutName(i));
  layout_ = BindList(S::KBLayout, layouts);

  pcPicture_ = new CKeyboardPicture(PcLayoutKeys(0), PcLayoutSize(0), PcHitTest(0), this);
  pcPicture_->SetKeyLabel(PcKeyLabel);
  vtPicture_ = new CKeyboardPicture(VtKeyboardKeys(), kVtKeyboardSize, VtKeyAt, this);
  vtPicture_->SetKeyLabel(VtKeyLabel);

  keyName_ = new QLabel(this);
  static constexpr const char* kModifierNames[] = {"Alt", "Ctrl", "Shift"};
  auto* modifierRow = new QHBoxLayout;
  modifierRow->addWidget(keyName_, 1);
  for (int bit = 0; bit < 3; ++bit) {
    modifiers_[bit] = new QCheckBox(kModifierNames[bit], this);
    modifierRow->addWidget(modifiers_[bit]);
    connect(modifiers_[bit], &QCheckBox::toggled, this, &CPageKeymap::ShowMapping);
  }
  mapping_ = new QComboBox(this);
  for (const char* name : kMappingNames) mapping_->addItem(name);
  menu_ = new QComboBox(this);
  for (const char* path : kKeyMapMenuPaths) menu_->addItem(path);
  text_ = new QLineEdit(this);
  assign_ = new QPushButton("Assign", this);

  auto* top = new QFormLayout;
  top->addRow("Use Template:", templates_);
  top->addRow("Layout:", layout_);
  auto* mappingRow = new QHBoxLayout;
  mappingRow->addWidget(mapping_);
  mappingRow->addWidget(menu_, 1);
  mappingRow->addWidget(text_, 1);
  mappingRow->addWidget(assign_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(pcPicture_, 1);
  layout->addLayout(modifierRow);
  auto* form = new QFormLayout;
  form->addRow("Mapping:", mappingRow);
  layout->addLayout(form);
  layout->addWidget(vtPicture_, 1);

  connect(pcPicture_, &CKeyboardPicture::KeyReleased, this, &CPageKeymap::SelectKey);
  connect(vtPicture_, &CKeyboardPicture::KeyReleased, vtPicture_,
          &CKeyboardPicture::SetSelectedKey);
  connect(mapping_, &QComboBox::currentIndexChanged, this, &CPageKeymap::MappingChanged);
  connect(assign_, &QPushButton::clicked, this, &CPageKeymap::Assign);
  connect(templates_, &QComboBox::activated, this, &CPageKeymap::UseTemplate);
  connect(layout_, &QComboBox::currentIndexChanged, this, &CPageKeymap::ShowLayout);
  MappingChanged(kNoMapping);
}

void CPageKeymap::LoadExtra(const CSettingsSet& settings, const CKeyMap& keyMap) {
  keys_ = keyMap;
  ShowLayout(EffectiveLayout(settings.Int(S::KBLayout), PcLayoutCount()));
  ShowMapping();
}

bool CPageKeymap::StoreExtra(CSettingsSet& /*settings*/, CKeyMap& keyMap) {
  keyMap = keys_;
  return true;
}

void CPageKeymap::ShowLayout(int layout) {
  const int shown = EffectiveLayout(layout, PcLayoutCount());
  pcPicture_->SetLayout(PcLayoutKeys(shown), PcLayoutSize(shown), PcHitTest(shown));
}

uint8_t CPageKeymap::Modifiers() const {
  uint8_t m = 0;
  for (int bit = 0; bit < 3; ++bit)
    if (modifiers_[bit]->isChecked()) m |= static_cast<uint8_t>(1 << bit);
  return m;
}

void CPageKeymap::SelectKey(int pcKey) {
  key_ = pcKey;
  pcPicture_->SetSelectedKey(pcKey);
  ShowMapping();
}

void CPageKeymap::ShowMapping() {
  const bool mappable = key_ != 0 && PcKeyMappable(layout_->currentIndex(), key_, Modifiers());
  keyName_->setText(key_ ? "Key: " + Name(PcKeyName(key_)) : QString("Click a key."));
  mapping_->setEnabled(mappable);
  assign_->setEnabled(mappable);
  if (!key_) return;
  const KeyLookup action = keys_.Lookup(key_, Modifiers());
  const int mapping = MappingOf(action.action);
  mapping_->setCurrentIndex(mapping);
  MappingChanged(mapping);
  vtPicture_->SetSelectedKey(mapping == kVtKey ? action.action : 0);
  const QString text =
      QString::fromStdString(mapping == kSequence ? FormatControlString(action.text) : action.text);
  text_->setText(mapping == kMenuItem ? QString() : text);
  menu_->setCurrentIndex(mapping == kMenuItem ? menu_->findText(text) : -1);
}

void CPageKeymap::MappingChanged(int index) {
  menu_->setVisible(index == kMenuItem);
  text_->setVisible(index == kSequence || index == kScript || index == kScriptFile);
  vtPicture_->setEnabled(index == kVtKey);
}

bool CPageKeymap::Assign() {
  if (!key_) return false;
  const uint8_t m = Modifiers();
  const int mapping = mapping_->currentIndex();
  switch (mapping) {
    case kNoMapping:
      keys_.Remove(key_, m);
      return true;
    case kVtKey:
      if (vtPicture_->SelectedKey() == 0) {
        Message(kTextSelectVtKey);
        return false;
      }
      keys_.Set(key_, m, static_cast<uint8_t>(vtPicture_->SelectedKey()));
      return true;
    case kSequence: {
      std::string bytes;
      if (!ParseControlString(text_->text().toStdString(), bytes)) {
        Message(kTextInvalidSequence);
        return false;
      }
      keys_.Set(key_, m, KeyAction::kSendString, bytes);
      return true;
    }
    case kMenuItem:
      if (menu_->currentIndex() < 0) {
        Message(kTextSelectMenu);
        return false;
      }
      keys_.Set(key_, m, KeyAction::kMenu, menu_->currentText().toStdString());
      return true;
    case kScript:
    case kScriptFile:
      keys_.Set(key_, m, kMappingActions[mapping], text_->text().toStdString());
      return true;
    default:
      return false;
  }
}

void CPageKeymap::UseTemplate(int index) {
  const QString entry = templates_->itemText(index);
  if (entry.startsWith(kTemplatePrefix)) {
    Sheet().UseTemplate(
        entry.mid(static_cast<qsizetype>(std::size(kTemplatePrefix) - 1)).toStdString(), true);
    return;
  }
  keys_.ApplyTemplate(static_cast<size_t>(index));
  ShowMapping();
}

}  // namespace ostrane
