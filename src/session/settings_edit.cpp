#include "session/settings_edit.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace ostrane {

namespace {

constexpr int kParityValues[] = {0, 2, 1, 3, 4};
constexpr int kTermIdValues[] = {0, 0, 1, 2, 3, 4, 5, 6};
// Port numbers beyond this are not serial ports anyone has.
constexpr int kMaxSerialPort = 255;

template <class Table>
int IndexOf(const Table& table, int value) {
  const auto it = std::find(std::begin(table), std::end(table), value);
  return it == std::end(table) ? -1 : static_cast<int>(it - std::begin(table));
}

// Applies one entry's edit element by element.
bool ApplyEntry(int p, const CSettingsSet& snapshot, const CSettingsSet& edited, CSettingsSet& live,
                CSettingsChange& change) {
  const SettingDescriptor& d = CSettingsSet::Descriptor(p);
  bool copied = false;
  switch (d.type) {
    case SettingType::kInteger:
      if (edited.Int(p) != snapshot.Int(p) && edited.Int(p) != live.Int(p) &&
          live.OnSettingChanged(p, -1, edited.Int(p), change)) {
        live.SetInt(p, edited.Int(p));
        copied = true;
      }
      break;
    case SettingType::kString:
      if (edited.Str(p) != snapshot.Str(p) && edited.Str(p) != live.Str(p) &&
          live.OnSettingChanged(p, -1, edited.Str(p), change)) {
        live.SetStr(p, edited.Str(p));
        copied = true;
      }
      break;
    case SettingType::kBinary:
      for (int i = 0; i < d.size; ++i) {
        const uint8_t b = edited.Binary(p)[i];
        if (b == snapshot.Binary(p)[i] || b == live.Binary(p)[i] ||
            !live.OnSettingChanged(p, i, int32_t{b}, change))
          continue;
        live.Binary(p)[i] = b;
        copied = true;
      }
      break;
    case SettingType::kArray:
      for (int i = 0; i < d.size; ++i) {
        if (d.elementType == 0) {
          const int32_t v = edited.IntElement(p, i);
          if (v == snapshot.IntElement(p, i) || v == live.IntElement(p, i) ||
              !live.OnSettingChanged(p, i, v, change))
            continue;
          live.SetIntElement(p, i, v);
        } else {
          const std::string& t = edited.StrElement(p, i);
          if (t == snapshot.StrElement(p, i) || t == live.StrElement(p, i) ||
              !live.OnSettingChanged(p, i, t, change))
            continue;
          live.SetStrElement(p, i, t);
        }
        copied = true;
      }
      break;
  }
  return copied;
}

}  // namespace

bool ApplyEditedSettings(const CSettingsSet& snapshot, const CSettingsSet& edited,
                         CSettingsSet& live, CSettingsChange& change) {
  bool copied = false;
  for (int p = 0; p < kSettingCount; ++p)
    copied = ApplyEntry(p, snapshot, edited, live, change) || copied;
  return copied;
}

bool ApplyEditedKeyMap(const CKeyMap& snapshot, const CKeyMap& edited, CKeyMap& live) {
  if (edited.Direct() == snapshot.Direct() && edited.Entries() == snapshot.Entries()) return false;
  live.Direct() = edited.Direct();
  live.ClearEntries();
  for (const KeyMapEntry& e : edited.Entries()) live.AppendEntry(e);
  return true;
}

int PageArrangementIndex(int pages) {
  const int index = 6 - pages;
  return index >= 0 && index < static_cast<int>(std::size(kPageArrangements)) ? index : -1;
}

int TermIdOfChoice(int index) {
  return kTermIdValues[std::clamp(index, 0, static_cast<int>(std::size(kTermIdValues)) - 1)];
}

int TermIdChoice(int termId) {
  // The first entry is the VT520 one, which stores the VT420's value.
  return termId >= 0 && termId < static_cast<int>(std::size(kTermIdValues)) - 1 ? termId + 1 : -1;
}

int CharsetChoice(int code) {
  return IndexOf(kCharsetChoices, code);
}

int ParityOfChoice(int index) {
  return kParityValues[std::clamp(index, 0, static_cast<int>(std::size(kParityValues)) - 1)];
}

int ParityChoice(int parity) {
  return IndexOf(kParityValues, parity);
}

std::optional<int> SerialPortIndex(std::string_view text) {
  if (text.size() < 4 || text.size() > 8) return std::nullopt;
  for (size_t i = 0; i < 3; ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i]) return std::nullopt;
  int n = 0;
  for (size_t i = 3; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    n = std::min(n * 10 + (text[i] - '0'), kMaxSerialPort + 1);
  }
  return std::clamp(n - 1, 0, kMaxSerialPort);
}

std::string SerialPortName(int index) {
  return "COM" + std::to_string(std::clamp(index, 0, kMaxSerialPort) + 1);
}

}  // namespace ostrane
