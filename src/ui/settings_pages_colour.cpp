// The Color Map and Palette pages.
#include <QColorDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/settings_pages.h"
#include "ui/settings_sheet.h"

namespace ostrane {

namespace {

constexpr int kCombinations = 16;
constexpr int kColours = 16;
constexpr char kTextSelectAttribute[] = "Please select an attribute in attributes list.";

// In the order of the palette's entries.
constexpr const char* kColourNames[kColours] = {
    "Black",        "Red",           "Green",      "Blue",        "Yellow",      "Magenta",
    "Cyan",         "White",         "Grey",       "Light Red",   "Light Green", "Light Blue",
    "Light Yellow", "Light Magenta", "Light Cyan", "Bright White"};

// Attribute bits of a combination, in bit order.
constexpr const char* kAttributeNames[] = {"Bold", "Underline", "Blink", "Reverse"};

QString CombinationName(int combination) {
  QStringList parts;
  for (int bit = 0; bit < 4; ++bit)
    if (combination & (1 << bit)) parts << kAttributeNames[bit];
  return parts.isEmpty() ? QString("Normal") : parts.join(" + ");
}

QColor ToColor(uint32_t rgb) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void PaintSwatch(QPushButton* button, uint32_t rgb) {
  button->setStyleSheet(QString("background-color: %1").arg(ToColor(rgb).name()));
}

}  // namespace

// ---- Color Map ----

CPageColorMap::CPageColorMap(CSettingsSheet& sheet) : CSettingsPage(sheet, "Color Map") {
  attributes_ = new QListWidget(this);
  for (int i = 0; i < kCombinations; ++i) attributes_->addItem(CombinationName(i));
  mapped_ = new QCheckBox("Map This Attribute to Colors", this);
  fore_ = new QComboBox(this);
  back_ = new QComboBox(this);
  for (const char* name : kColourNames) {
    fore_->addItem(name);
    back_->addItem(name);
  }
  displayAttr_ = new QCheckBox("Still Show Underline and Blink", this);

  auto* form = new QFormLayout;
  form->addRow(mapped_);
  form->addRow("Foreground:", fore_);
  form->addRow("Background:", back_);
  form->addRow(displayAttr_);
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel("Attributes:", this));
  left->addWidget(attributes_, 1);
  layout->addLayout(left, 1);
  layout->addLayout(form, 1);

  connect(attributes_, &QListWidget::currentRowChanged, this, &CPageColorMap::ShowCombination);
  connect(mapped_, &QCheckBox::clicked, this, &CPageColorMap::ControlsChanged);
  connect(displayAttr_, &QCheckBox::clicked, this, &CPageColorMap::ControlsChanged);
  connect(fore_, &QComboBox::activated, this, &CPageColorMap::ControlsChanged);
  connect(back_, &QComboBox::activated, this, &CPageColorMap::ControlsChanged);
}

void CPageColorMap::LoadExtra(const CSettingsSet& settings, const CKeyMap& /*keyMap*/) {
  for (int i = 0; i < kCombinations; ++i) {
    const auto c = static_cast<size_t>(i);
    mappedValues_[c] = settings.Binary(S::Mapped)[i];
    foreValues_[c] = settings.Binary(S::ForeColor)[i];
    backValues_[c] = settings.Binary(S::BackColor)[i];
    displayValues_[c] = settings.Binary(S::DisplayAttr)[i];
  }
  attributes_->setCurrentRow(-1);
  ShowCombination(-1);
}

bool CPageColorMap::StoreExtra(CSettingsSet& settings, CKeyMap& /*keyMap*/) {
  settings.SetBinary(S::Mapped, mappedValues_.data(), kCombinations);
  settings.SetBinary(S::ForeColor, foreValues_.data(), kCombinations);
  settings.SetBinary(S::BackColor, backValues_.data(), kCombinations);
  settings.SetBinary(S::DisplayAttr, displayValues_.data(), kCombinations);
  return true;
}

void CPageColorMap::ShowCombination(int row) {
  showing_ = true;
  const bool valid = row >= 0 && row < kCombinations;
  const auto c = static_cast<size_t>(valid ? row : 0);
  mapped_->setChecked(valid && mappedValues_[c] != 0);
  fore_->setCurrentIndex(valid && foreValues_[c] < kColours ? foreValues_[c] : -1);
  back_->setCurrentIndex(valid && backValues_[c] < kColours ? backValues_[c] : -1);
  displayAttr_->setChecked(valid && displayValues_[c] != 0);
  showing_ = false;
}

void CPageColorMap::ControlsChanged() {
  if (showing_) return;
  const int row = attributes_->currentRow();
  if (row < 0) {
    Message(kTextSelectAttribute);
    ShowCombination(-1);
    return;
  }
  const auto c = static_cast<size_t>(row);
  mappedValues_[c] = mapped_->isChecked() ? 1 : 0;
  if (fore_->currentIndex() >= 0) foreValues_[c] = static_cast<uint8_t>(fore_->currentIndex());
  if (back_->currentIndex() >= 0) backValues_[c] = static_cast<uint8_t>(back_->currentIndex());
  displayValues_[c] = displayAttr_->isChecked() ? 1 : 0;
}

// ---- Palette ----

CPagePalette::CPagePalette(CSettingsSheet& sheet) : CSettingsPage(sheet, "Palette") {
  auto* grid = new QGridLayout;
  for (int i = 0; i < kColours; ++i) {
    auto* swatch = new QPushButton(this);
    swatch->setMinimumSize(48, 32);
    swatch->setToolTip(kColourNames[i]);
    swatches_[static_cast<size_t>(i)] = swatch;
    auto* label = new QLabel(kColourNames[i], this);
    grid->addWidget(swatch, (i % 8) * 1, (i / 8) * 2);
    grid->addWidget(label, (i % 8) * 1, (i / 8) * 2 + 1);
    connect(swatch, &QPushButton::clicked, this, [this, i] {
      const QColor chosen =
          QColorDialog::getColor(ToColor(colours_[static_cast<size_t>(i)]), this, "Color");
      if (chosen.isValid())
        SetColour(i,
                  static_cast<uint32_t>(chosen.red() << 16 | chosen.green() << 8 | chosen.blue()));
    });
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Click a color to change it.", this));
  layout->addLayout(grid);
  layout->addStretch(1);
}

void CPagePalette::SetColour(int index, uint32_t rgb) {
  if (index < 0 || index >= kColours) return;
  colours_[static_cast<size_t>(index)] = rgb & 0xFFFFFF;
  PaintSwatch(swatches_[static_cast<size_t>(index)], rgb);
}

void CPagePalette::LoadExtra(const CSettingsSet& settings, const CKeyMap& /*keyMap*/) {
  for (int i = 0; i < kColours; ++i) SetColour(i, settings.PaletteColour(i));
}

bool CPagePalette::StoreExtra(CSettingsSet& settings, CKeyMap& /*keyMap*/) {
  for (int i = 0; i < kColours; ++i)
    if (settings.PaletteColour(i) != colours_[static_cast<size_t>(i)])
      settings.SetPaletteColour(i, colours_[static_cast<size_t>(i)]);
  return true;
}

}  // namespace ostrane
