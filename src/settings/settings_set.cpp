#include "settings/settings_set.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "platform/code_page.h"

namespace ostrane {
namespace {

using ChangeFlag = bool CSettingsChange::*;

// Entries first..last (table positions) raise these flags when they change; unused slots are
// null. Entries in no row raise nothing.
struct ChangeHookRow {
  int first;
  int last;
  std::array<ChangeFlag, 6> flags;
};

constexpr ChangeHookRow kChangeHooks[] = {
    {S::CursorType, S::CursorVisible, {&CSettingsChange::cursor}},
    {S::CursorBlink, S::CursorBlink, {&CSettingsChange::cursor}},
    {S::DarkScreen, S::DarkScreen, {&CSettingsChange::repaint}},
    {S::BlinkText, S::BlinkText, {&CSettingsChange::repaint}},
    {S::DBCS, S::DBCS, {&CSettingsChange::repaint}},
    {S::FontName, S::FontUse80, {&CSettingsChange::font}},
    {S::StatusLine, S::StatusLine, {&CSettingsChange::layout}},
    {S::Columns,
     S::Columns,
     {&CSettingsChange::pageGeometry, &CSettingsChange::historyCleared,
      &CSettingsChange::clearScreen, &CSettingsChange::font, &CSettingsChange::layout,
      &CSettingsChange::margins}},
    {S::Lines,
     S::Pages,
     {&CSettingsChange::pageGeometry, &CSettingsChange::layout, &CSettingsChange::margins}},
    {S::SaveLines, S::SaveLines, {&CSettingsChange::historySize}},
    {S::NumericKeypad, S::NumericKeypad, {&CSettingsChange::numLock}},
    {S::NumLock, S::NumLock, {&CSettingsChange::numLock}},
    {S::HostName, S::SshPassword, {&CSettingsChange::connectionSettings}},
    {S::Palette, S::Mapped, {&CSettingsChange::repaint}},
    {S::History, S::History, {&CSettingsChange::historyCleared}},
    {S::FitFont, S::FitFont, {&CSettingsChange::layout}},
    {S::Title, S::Title, {&CSettingsChange::title}},
    {S::ButtonCaption, S::ButtonCaption, {&CSettingsChange::buttons}},
};

// Scripts may read this key but never change it: it guards the protected script functions.
constexpr std::string_view kScriptReadOnlyKey = "HostScript";

// The platform reads its default-printer entry into a buffer of this size, terminator included.
constexpr size_t kDefaultPrinterEntryMax = 256;

constexpr int kTabColumns = 132;
constexpr int kPaletteColours = 16;
constexpr int kColourCombinations = 16;
constexpr int kButtons = 32;

const std::string kEmptyText;

bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

int32_t DecimalTextToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t magnitude = 0;
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), limit);
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

int32_t SettingValueToInt(const SettingValue& value) {
  if (const auto* number = std::get_if<int32_t>(&value)) return *number;
  return DecimalTextToInt(std::get<std::string>(value));
}

std::string SettingValueToText(const SettingValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  return std::to_string(std::get<int32_t>(value));
}

CSettingsSet::CSettingsSet()
    : ints_(kSettingCount, 0),
      strings_(kSettingCount),
      blocks_(kSettingCount),
      intArrays_(kSettingCount),
      stringArrays_(kSettingCount) {
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingDescriptor& d = kSettingsTable[i];
    const auto p = static_cast<size_t>(i);
    if (d.type == SettingType::kBinary) blocks_[p].assign(d.size, 0);
    if (d.type == SettingType::kArray) {
      if (d.elementType == 0)
        intArrays_[p].assign(d.size, 0);
      else
        stringArrays_[p].assign(d.size, std::string());
    }
  }
  CSettingsSet::ResetToDefaults();
}

CSettingsSet::~CSettingsSet() = default;

int CSettingsSet::FindKey(std::string_view key) {
  for (int i = 0; i < kSettingCount; ++i)
    if (key == kSettingsTable[i].key) return i;
  return -1;
}

int CSettingsSet::FindId(uint16_t id) {
  for (int i = 0; i < kSettingCount; ++i)
    if (kSettingsTable[i].id == id) return i;
  return -1;
}

void CSettingsSet::SetStr(int position, std::string_view text) {
  strings_[static_cast<size_t>(position)].assign(text);
}

void CSettingsSet::SetBinary(int position, const uint8_t* data, size_t length) {
  auto& block = blocks_[static_cast<size_t>(position)];
  const size_t n = std::min(length, block.size());
  if (n > 0) std::memmove(block.data(), data, n);
}

int32_t CSettingsSet::IntElement(int position, int index) const {
  return intArrays_[static_cast<size_t>(position)][static_cast<size_t>(index)];
}

void CSettingsSet::SetIntElement(int position, int index, int32_t value) {
  intArrays_[static_cast<size_t>(position)][static_cast<size_t>(index)] = value;
}

const std::string& CSettingsSet::StrElement(int position, int index) const {
  return stringArrays_[static_cast<size_t>(position)][static_cast<size_t>(index)];
}

void CSettingsSet::SetStrElement(int position, int index, std::string_view text) {
  stringArrays_[static_cast<size_t>(position)][static_cast<size_t>(index)].assign(text);
}

void CSettingsSet::ResetToDefaults() {
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingDescriptor& d = kSettingsTable[i];
    const auto p = static_cast<size_t>(i);
    switch (d.type) {
      case SettingType::kInteger:
        ints_[p] = d.defaultInt;
        break;
      case SettingType::kString:
        strings_[p] = d.defaultText ? d.defaultText : "";
        break;
      case SettingType::kBinary:
        if (d.defaultBlock)
          std::copy(d.defaultBlock, d.defaultBlock + d.size, blocks_[p].begin());
        else
          std::fill(blocks_[p].begin(), blocks_[p].end(), 0);
        break;
      case SettingType::kArray:
        // Integer arrays are zeroed; string arrays keep their contents.
        std::fill(intArrays_[p].begin(), intArrays_[p].end(), 0);
        break;
    }
  }
  const int codePage = platform::SystemCodePage();
  if (codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950) {
    ints_[S::PrimarySet] = 4;
    ints_[S::DBCS] = 1;
  } else if (codePage == platform::kCodePageUtf8) {
    // A UTF-8 workstation: show what a UTF-8 host sends from the start.
    ints_[S::DBCS] = 1;
    ints_[S::DBCSSet] = 5;
  }
}

bool CSettingsSet::OnSettingChanged(int position, int /*element*/, const SettingValue& /*value*/,
                                    CSettingsChange& change) {
  for (const ChangeHookRow& row : kChangeHooks) {
    if (position < row.first || position > row.last) continue;
    for (ChangeFlag flag : row.flags)
      if (flag) change.*flag = true;
  }
  return true;
}

std::optional<SettingValue> CSettingsSet::GetByKey(std::string_view key) const {
  const int position = FindKey(key);
  if (position < 0) return std::nullopt;
  switch (kSettingsTable[position].type) {
    case SettingType::kInteger:
      return SettingValue(Int(position));
    case SettingType::kString:
      return SettingValue(Str(position));
    default:
      return std::nullopt;
  }
}

bool CSettingsSet::SetByKey(std::string_view key, const SettingValue& value,
                            CSettingsChange& change) {
  if (key == kScriptReadOnlyKey) return false;
  const int position = FindKey(key);
  if (position < 0) return false;
  switch (kSettingsTable[position].type) {
    case SettingType::kInteger: {
      const int32_t number = SettingValueToInt(value);
      if (number != Int(position) && OnSettingChanged(position, -1, number, change))
        SetInt(position, number);
      return true;
    }
    case SettingType::kString: {
      std::string text = SettingValueToText(value);
      if (text != Str(position) && OnSettingChanged(position, -1, text, change))
        SetStr(position, text);
      return true;
    }
    default:
      return false;
  }
}

std::optional<SettingValue> CSettingsSet::GetElementByKey(std::string_view key, int index) const {
  const int position = FindKey(key);
  if (position < 0 || index < 0) return std::nullopt;
  const SettingDescriptor& d = kSettingsTable[position];
  if (index >= d.size) return std::nullopt;
  if (d.type == SettingType::kBinary)
    return SettingValue(static_cast<int32_t>(Binary(position)[index]));
  if (d.type != SettingType::kArray) return std::nullopt;
  if (d.elementType == 0) return SettingValue(IntElement(position, index));
  return SettingValue(StrElement(position, index));
}

bool CSettingsSet::SetElementByKey(std::string_view key, int index, const SettingValue& value,
                                   CSettingsChange& change) {
  const int position = FindKey(key);
  if (position < 0 || index < 0) return false;
  const SettingDescriptor& d = kSettingsTable[position];
  if (index >= d.size) return false;
  if (d.type == SettingType::kBinary) {
    const auto byte = static_cast<uint8_t>(SettingValueToInt(value) & 0xFF);
    uint8_t& slot = Binary(position)[index];
    if (byte != slot && OnSettingChanged(position, index, int32_t{byte}, change)) slot = byte;
    return true;
  }
  if (d.type != SettingType::kArray) return false;
  if (d.elementType == 0) {
    const int32_t number = SettingValueToInt(value);
    if (number != IntElement(position, index) && OnSettingChanged(position, index, number, change))
      SetIntElement(position, index, number);
  } else {
    std::string text = SettingValueToText(value);
    if (text != StrElement(position, index) && OnSettingChanged(position, index, text, change))
      SetStrElement(position, index, text);
  }
  return true;
}

bool CSettingsSet::EntryEquals(const CSettingsSet& other, int position) const {
  const auto p = static_cast<size_t>(position);
  switch (kSettingsTable[position].type) {
    case SettingType::kInteger:
      return ints_[p] == other.ints_[p];
    case SettingType::kString:
      return strings_[p] == other.strings_[p];
    case SettingType::kBinary:
      return blocks_[p] == other.blocks_[p];
    case SettingType::kArray:
      return intArrays_[p] == other.intArrays_[p] && stringArrays_[p] == other.stringArrays_[p];
  }
  return false;
}

void CSettingsSet::CopyEntry(const CSettingsSet& other, int position) {
  const auto p = static_cast<size_t>(position);
  switch (kSettingsTable[position].type) {
    case SettingType::kInteger:
      ints_[p] = other.ints_[p];
      break;
    case SettingType::kString:
      strings_[p] = other.strings_[p];
      break;
    case SettingType::kBinary:
      blocks_[p] = other.blocks_[p];
      break;
    case SettingType::kArray:
      intArrays_[p] = other.intArrays_[p];
      stringArrays_[p] = other.stringArrays_[p];
      break;
  }
}

void CSettingsSet::CopyFrom(const CSettingsSet& other) {
  for (int i = 0; i < kSettingCount; ++i) CopyEntry(other, i);
}

bool CSettingsSet::ApplyFrom(const CSettingsSet& other, CSettingsChange& change) {
  bool changed = false;
  for (int i = 0; i < kSettingCount; ++i) {
    if (EntryEquals(other, i)) continue;
    SettingValue value;
    if (kSettingsTable[i].type == SettingType::kInteger)
      value = other.Int(i);
    else if (kSettingsTable[i].type == SettingType::kString)
      value = other.Str(i);
    else
      value = std::string();
    if (!OnSettingChanged(i, -1, value, change)) continue;
    CopyEntry(other, i);
    changed = true;
  }
  return changed;
}

bool CSettingsSet::Equals(const CSettingsSet& other) const {
  for (int i = 0; i < kSettingCount; ++i)
    if (!EntryEquals(other, i)) return false;
  return true;
}

void CSettingsSet::TerminalTypeName(std::string& out) const {
  static constexpr const char* kNames[] = {"vt420", "vt320", "vt220",         "vt102",
                                           "vt101", "vt100", "xterm-256color"};
  const int32_t id = Int(S::TermID);
  if (id >= 0 && id < static_cast<int32_t>(std::size(kNames))) out = kNames[id];
}

void CSettingsSet::SetPageArrangement(int pages, int lines, int columns) {
  SetInt(S::Pages, pages);
  SetInt(S::Lines, lines);
  SetInt(S::Columns, columns);
}

void CSettingsSet::SetDefaultTabStops() {
  const uint8_t* defaults = kSettingsTable[S::TabList].defaultBlock;
  std::copy(defaults, defaults + kTabColumns, Binary(S::TabList));
}

void CSettingsSet::ClearAllTabStops() {
  std::fill_n(Binary(S::TabList), kTabColumns, 0);
}

bool CSettingsSet::IsTabStop(int column) const {
  if (column < 0 || column >= kTabColumns) return false;
  return Binary(S::TabList)[column] != 0;
}

void CSettingsSet::SetTabStop(int column, bool on) {
  if (column < 0 || column >= kTabColumns) return;
  Binary(S::TabList)[column] = on ? 1 : 0;
}

int CSettingsSet::NextTabStop(int column) const {
  if (column < 0 || column > kTabColumns - 2) return -1;
  for (int c = column + 1; c < kTabColumns; ++c)
    if (IsTabStop(c)) return c;
  return kTabColumns - 1;
}

uint32_t CSettingsSet::PaletteColour(int index) const {
  if (index < 0 || index >= kPaletteColours) return 0;
  const uint8_t* rgb = Binary(S::Palette) + index * 4;
  return (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
}

void CSettingsSet::SetPaletteColour(int index, uint32_t rgb) {
  if (index < 0 || index >= kPaletteColours) return;
  uint8_t* entry = Binary(S::Palette) + index * 4;
  entry[0] = static_cast<uint8_t>(rgb >> 16);
  entry[1] = static_cast<uint8_t>(rgb >> 8);
  entry[2] = static_cast<uint8_t>(rgb);
  entry[3] = 0;
}

int CSettingsSet::CombinationIndex(bool f0, bool f1, bool f2, bool f3) {
  return (f0 ? 1 : 0) | (f1 ? 2 : 0) | (f2 ? 4 : 0) | (f3 ? 8 : 0);
}

void CSettingsSet::SetColourMap(int combination, int foreground, int background,
                                bool displayAttributes) {
  if (combination < 0 || combination >= kColourCombinations) return;
  if (foreground < 0 || background < 0) {
    Binary(S::Mapped)[combination] = 0;
    return;
  }
  Binary(S::Mapped)[combination] = 1;
  Binary(S::ForeColor)[combination] = static_cast<uint8_t>(foreground);
  Binary(S::BackColor)[combination] = static_cast<uint8_t>(background);
  Binary(S::DisplayAttr)[combination] = displayAttributes ? 1 : 0;
}

void CSettingsSet::SetColourMapByPattern(const int conditions[4], int foreground, int background,
                                         bool displayAttributes) {
  for (int combination = 0; combination < kColourCombinations; ++combination) {
    bool matches = true;
    for (int bit = 0; bit < 4; ++bit) {
      const int state = (combination >> bit) & 1;
      if (conditions[bit] >= 0 && conditions[bit] != state) matches = false;
    }
    if (matches) SetColourMap(combination, foreground, background, displayAttributes);
  }
}

ColourMapEntry CSettingsSet::LookUpColourMap(uint16_t attribute) const {
  const int combination = attribute & 0x0F;
  ColourMapEntry entry;
  if (Binary(S::Mapped)[combination] != 0) {
    entry.foreground = Binary(S::ForeColor)[combination];
    entry.background = Binary(S::BackColor)[combination];
    entry.displayAttributes = Binary(S::DisplayAttr)[combination] != 0;
    entry.mapped = true;
  } else {
    entry.foreground = (attribute >> 8) & 0x0F;
    entry.background = (attribute >> 12) & 0x0F;
    entry.displayAttributes = true;
    entry.mapped = false;
  }
  return entry;
}

bool CSettingsSet::ColourMapBitIrrelevant(int bit) const {
  if (bit < 0 || bit > 3) return false;
  const int mask = 1 << bit;
  const uint8_t* mapped = Binary(S::Mapped);
  const uint8_t* fore = Binary(S::ForeColor);
  const uint8_t* back = Binary(S::BackColor);
  for (int clear = 0; clear < kColourCombinations; ++clear) {
    if (clear & mask) continue;
    const int set = clear | mask;
    const bool mappedClear = mapped[clear] != 0;
    if (mappedClear != (mapped[set] != 0)) return false;
    if (mappedClear && (fore[clear] != fore[set] || back[clear] != back[set])) return false;
  }
  return true;
}

void CSettingsSet::StorePrinterChoice(bool useDefault, std::string_view driver,
                                      std::string_view device, const uint8_t* deviceMode,
                                      size_t length) {
  SetInt(S::DefaultPrinter, useDefault ? 1 : 0);
  if (useDefault) return;
  SetStr(S::DriverName, driver);
  SetStr(S::PrinterName, device);
  // A shorter block must not leave bytes of the previous printer's record behind.
  uint8_t* block = Binary(S::PrinterParam);
  std::fill_n(block, BinarySize(S::PrinterParam), 0);
  if (deviceMode) SetBinary(S::PrinterParam, deviceMode, length);
}

std::optional<PrinterChoice> CSettingsSet::CurrentPrinterChoice(
    std::string_view defaultEntry) const {
  PrinterChoice choice;
  if (Int(S::DefaultPrinter) != 0) {
    const std::string_view entry = defaultEntry.substr(0, kDefaultPrinterEntryMax - 1);
    const size_t firstComma = entry.find(',');
    choice.device = entry.substr(0, firstComma);
    if (firstComma != std::string_view::npos) {
      const std::string_view rest = entry.substr(firstComma + 1);
      choice.driver = rest.substr(0, rest.find(','));
    }
  } else {
    choice.device = Str(S::PrinterName);
    choice.driver = Str(S::DriverName);
    const uint8_t* block = Binary(S::PrinterParam);
    choice.deviceMode.assign(block, block + BinarySize(S::PrinterParam));
  }
  if (choice.device.empty()) return std::nullopt;
  return choice;
}

const std::string& CSettingsSet::ButtonCaption(int i) const {
  if (i < 0 || i >= kButtons) return kEmptyText;
  return StrElement(S::ButtonCaption, i);
}

const std::string& CSettingsSet::ButtonString(int i) const {
  if (i < 0 || i >= kButtons) return kEmptyText;
  return StrElement(S::ButtonString, i);
}

int CSettingsSet::ButtonAction(int i) const {
  if (i < 0 || i >= kButtons) return 0;
  return IntElement(S::ButtonAction, i);
}

void CSettingsSet::SetButton(int i, std::string_view caption, std::string_view text, int action) {
  if (i < 0 || i >= kButtons) return;
  SetStrElement(S::ButtonCaption, i, caption);
  SetStrElement(S::ButtonString, i, text);
  SetIntElement(S::ButtonAction, i, action);
}

bool CSettingsSet::HasButton(int i) const {
  return !ButtonCaption(i).empty();
}

}  // namespace ostrane
