// CSettingsSet: one session's settings, addressed by table position, id or key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/settings_change.h"
#include "settings/settings_table.h"

namespace ostrane {

// A value as scripts see it: an integer or a text.
using SettingValue = std::variant<int32_t, std::string>;

// The script language's conversions: text to a number reads leading white space, an optional
// sign and decimal digits (0 when no digits lead; saturated at the 32-bit limits), and a number
// to text is its signed decimal form.
int32_t SettingValueToInt(const SettingValue& value);
std::string SettingValueToText(const SettingValue& value);

// Colour-map lookup result for an attribute combination.
struct ColourMapEntry {
  int foreground = 7;
  int background = 0;
  bool displayAttributes = true;  // underline and blink still shown
  bool mapped = false;
};

// A printer choice: device and driver names, and the opaque device-mode block when stored.
struct PrinterChoice {
  std::string device;
  std::string driver;
  std::vector<uint8_t> deviceMode;  // empty when there is none
};

class CSettingsSet {
 public:
  CSettingsSet();
  virtual ~CSettingsSet();
  CSettingsSet(const CSettingsSet&) = delete;
  CSettingsSet& operator=(const CSettingsSet&) = delete;

  virtual void ResetToDefaults();
  // Consulted before ApplyFrom, SetByKey and SetElementByKey store a change; element is -1 for
  // a whole entry. value is the new integer or text; for a whole binary or array entry it is
  // empty text. Raises the change's flags for the entry; returns true to accept.
  virtual bool OnSettingChanged(int position, int element, const SettingValue& value,
                                CSettingsChange& change);

  int Count() const { return kSettingCount; }
  static const SettingDescriptor& Descriptor(int position) { return kSettingsTable[position]; }
  static int FindKey(std::string_view key);  // exact, case-sensitive; -1 when unknown
  static int FindId(uint16_t id);            // -1 when unknown

  // By position: no range check, callers pass positions from the table.
  int32_t Int(int position) const { return ints_[static_cast<size_t>(position)]; }
  void SetInt(int position, int32_t value) { ints_[static_cast<size_t>(position)] = value; }
  const std::string& Str(int position) const { return strings_[static_cast<size_t>(position)]; }
  void SetStr(int position, std::string_view text);
  size_t StrLength(int position) const { return Str(position).size(); }
  uint8_t* Binary(int position) { return blocks_[static_cast<size_t>(position)].data(); }
  const uint8_t* Binary(int position) const {
    return blocks_[static_cast<size_t>(position)].data();
  }
  size_t BinarySize(int position) const { return blocks_[static_cast<size_t>(position)].size(); }
  void SetBinary(int position, const uint8_t* data, size_t length);  // copies min(length, size)
  int32_t IntElement(int position, int index) const;
  void SetIntElement(int position, int index, int32_t value);
  const std::string& StrElement(int position, int index) const;
  void SetStrElement(int position, int index, std::string_view text);

  // By key, as scripts use them. nullopt / false mean "key not found".
  std::optional<SettingValue> GetByKey(std::string_view key) const;
  bool SetByKey(std::string_view key, const SettingValue& value, CSettingsChange& change);
  std::optional<SettingValue> GetElementByKey(std::string_view key, int index) const;
  bool SetElementByKey(std::string_view key, int index, const SettingValue& value,
                       CSettingsChange& change);

  // Whole sets.
  void CopyFrom(const CSettingsSet& other);
  bool ApplyFrom(const CSettingsSet& other, CSettingsChange& change);
  bool Equals(const CSettingsSet& other) const;

  // Terminal-type name for TermID 0..6 ("vt420" ... "vt100", "xterm-256color"); other values
  // leave out unchanged.
  void TerminalTypeName(std::string& out) const;
  void SetPageArrangement(int pages, int lines, int columns);

  // Tab stops over the 132 bytes of TabList.
  void SetDefaultTabStops();
  void ClearAllTabStops();
  bool IsTabStop(int column) const;
  void SetTabStop(int column, bool on);
  int NextTabStop(int column) const;

  // Palette: colour number 0..15 as 0x00RRGGBB.
  uint32_t PaletteColour(int index) const;
  void SetPaletteColour(int index, uint32_t rgb);

  // Colour map, indexed by an attribute combination 0..15.
  static int CombinationIndex(bool f0, bool f1, bool f2, bool f3);
  void SetColourMap(int combination, int foreground, int background, bool displayAttributes);
  void SetColourMapByPattern(const int conditions[4], int foreground, int background,
                             bool displayAttributes);
  ColourMapEntry LookUpColourMap(uint16_t attribute) const;
  bool ColourMapBitIrrelevant(int bit) const;

  // Printer choice. A stored device-mode block shorter than PrinterParam is padded with zeros.
  void StorePrinterChoice(bool useDefault, std::string_view driver, std::string_view device,
                          const uint8_t* deviceMode, size_t length);
  // defaultEntry is the platform's default-printer entry "device,driver,port", used while
  // DefaultPrinter is 1. nullopt when the choice names no device.
  std::optional<PrinterChoice> CurrentPrinterChoice(std::string_view defaultEntry) const;

  // Button bar, i from 0 to 31; other indexes read as empty and are not stored.
  const std::string& ButtonCaption(int i) const;
  const std::string& ButtonString(int i) const;
  int ButtonAction(int i) const;
  void SetButton(int i, std::string_view caption, std::string_view text, int action);
  bool HasButton(int i) const;

 private:
  bool EntryEquals(const CSettingsSet& other, int position) const;
  void CopyEntry(const CSettingsSet& other, int position);

  std::vector<int32_t> ints_;
  std::vector<std::string> strings_;
  std::vector<std::vector<uint8_t>> blocks_;
  std::vector<std::vector<int32_t>> intArrays_;
  std::vector<std::vector<std::string>> stringArrays_;
};

}  // namespace ostrane
