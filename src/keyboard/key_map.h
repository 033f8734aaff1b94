// CKeyMap: a session's key map. A direct table gives the action of each PC key pressed without
// Alt, Ctrl or Shift; a list of entries holds modified keys and every action with a string.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/key_codes.h"

namespace ostrane {

struct KeyMapEntry {
  uint8_t key = 0;        // PC key code
  uint8_t modifiers = 0;  // Alt 1, Ctrl 2, Shift 4
  uint8_t action = 0;     // key action code
  std::string text;       // bytes to send, script text or file, or menu path

  bool operator==(const KeyMapEntry&) const = default;
};

struct KeyLookup {
  uint8_t action = KeyAction::kNone;
  std::string text;
};

class CKeyMap {
 public:
  static constexpr size_t kDirectSize = PcKey::kLast;

  // A new map is the default map.
  CKeyMap();

  // The action of a PC key with the modifier flags (only Alt, Ctrl and Shift count).
  KeyLookup Lookup(int key, uint8_t modifiers) const;
  // Maps a key and modifier combination; an action with a string, or any modified key, goes to
  // the entry list. Keys outside 1..255 are ignored.
  void Set(int key, uint8_t modifiers, uint8_t action, std::string_view text = {});
  void Remove(int key, uint8_t modifiers);
  // Whether the combination has an action (a direct value or an entry).
  bool IsMapped(int key, uint8_t modifiers) const;

  // The default map ("VT420/320/220 Keyboard") with its built-in menu entries.
  void ResetToDefault();
  // Adds the built-in menu entries whose key and modifier combination is not mapped yet.
  void AddBuiltInEntries();
  // Key-map templates, in the order offered; applying one starts from the default map.
  static size_t TemplateCount();
  static std::string_view TemplateName(size_t index);
  bool ApplyTemplate(size_t index);
  // A DECUDK data string from the host: definitions "key/hexstring" separated by ";". They
  // take precedence over the user's map and last for the session only: they are never among
  // Entries(), so a saved session file cannot carry a string a host planted.
  void ApplyUserDefinedKeys(std::string_view data);
  const std::vector<KeyMapEntry>& HostDefinedKeys() const { return hostKeys_; }

  // Raw access for the setup file.
  std::array<uint8_t, kDirectSize>& Direct() { return direct_; }
  const std::array<uint8_t, kDirectSize>& Direct() const { return direct_; }
  const std::vector<KeyMapEntry>& Entries() const { return entries_; }
  void ClearEntries() { entries_.clear(); }
  void AppendEntry(KeyMapEntry entry) { entries_.push_back(std::move(entry)); }

  bool operator==(const CKeyMap&) const = default;

 private:
  KeyMapEntry* FindEntry(int key, uint8_t modifiers);
  const KeyMapEntry* FindEntry(int key, uint8_t modifiers) const;

  std::array<uint8_t, kDirectSize> direct_{};
  std::vector<KeyMapEntry> entries_;
  std::vector<KeyMapEntry> hostKeys_;
};

}  // namespace ostrane
