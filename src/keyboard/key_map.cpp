#include "keyboard/key_map.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace ostrane {

namespace {

struct DirectKey {
  uint8_t pcKey;
  uint8_t vtKey;
};

// The default direct table: the editing block, cursor keys, keypad and function keys of a PC
// keyboard on the VT keys at the same places.
constexpr DirectKey kDefaultDirect[] = {
    {8, 71},    {13, 72},   {33, 85},  {34, 86},   {35, 84},   {36, 81},   {37, 88},
    {38, 87},   {39, 90},   {40, 89},  {43, 108},  {45, 82},   {46, 83},   {96, 95},
    {97, 96},   {98, 97},   {99, 98},  {100, 99},  {101, 100}, {102, 101}, {103, 102},
    {104, 103}, {105, 104}, {106, 93}, {107, 106}, {109, 94},  {110, 107}, {111, 92},
    {112, 1},   {113, 2},   {114, 3},  {115, 4},   {116, 5},   {117, 6},   {118, 7},
    {119, 8},   {120, 9},   {121, 10}, {122, 11},  {123, 12},  {144, 91},
};

struct ModifiedKey {
  uint8_t pcKey;
  uint8_t modifiers;
  uint8_t vtKey;
};

// Ctrl+Add is the keypad minus; Shift+F1..F10 reach the VT keys F11..F20.
constexpr ModifiedKey kDefaultModified[] = {
    {107, KeyMod::kCtrl, 105}, {112, KeyMod::kShift, 11}, {113, KeyMod::kShift, 12},
    {114, KeyMod::kShift, 13}, {115, KeyMod::kShift, 14}, {116, KeyMod::kShift, 15},
    {117, KeyMod::kShift, 16}, {118, KeyMod::kShift, 17}, {119, KeyMod::kShift, 18},
    {120, KeyMod::kShift, 19}, {121, KeyMod::kShift, 20},
};

struct MenuKey {
  uint8_t pcKey;
  uint8_t modifiers;
  std::string_view path;
};

// Window commands that a map gets wherever the user left the key free.
constexpr MenuKey kBuiltInMenuKeys[] = {
    {112, 0, "Window: Hold Screen"},
    {34, KeyMod::kCtrl, "View: Scroll Page Down"},
    {99, KeyMod::kCtrl, "View: Scroll Page Down"},
    {33, KeyMod::kCtrl, "View: Scroll Page Up"},
    {105, KeyMod::kCtrl, "View: Scroll Page Up"},
    {36, KeyMod::kCtrl, "View: Scroll to Top"},
    {103, KeyMod::kCtrl, "View: Scroll to Top"},
    {35, KeyMod::kCtrl, "View: Scroll to Bottom"},
    {97, KeyMod::kCtrl, "View: Scroll to Bottom"},
};

// One change of a key-map template: a string sends it, no string unmaps the key.
struct TemplateKey {
  uint8_t pcKey;
  uint8_t modifiers;
  const char* text;
};

constexpr uint8_t kShift = KeyMod::kShift;

constexpr TemplateKey kScoKeys[] = {
    {112, 0, "\x1b[M"},      {113, 0, "\x1b[N"},
    {114, 0, "\x1b[O"},      {115, 0, "\x1b[P"},
    {116, 0, "\x1b[Q"},      {117, 0, "\x1b[R"},
    {118, 0, "\x1b[S"},      {119, 0, "\x1b[T"},
    {120, 0, "\x1b[U"},      {121, 0, "\x1b[V"},
    {122, 0, "\x1b[W"},      {123, 0, "\x1b[X"},
    {112, kShift, "\x1b[Y"}, {113, kShift, "\x1b[Z"},
    {114, kShift, "\x1b[a"}, {115, kShift, "\x1b[b"},
    {116, kShift, "\x1b[c"}, {117, kShift, "\x1b[d"},
    {118, kShift, "\x1b[e"}, {119, kShift, "\x1b[f"},
    {120, kShift, "\x1b[g"}, {121, kShift, "\x1b[h"},
    {122, kShift, "\x1b[i"}, {123, kShift, "\x1b[j"},
    {45, 0, "\x1b[L"},       {36, 0, "\x1b[H"},
    {33, 0, "\x1b[I"},       {46, 0, "\b"},
    {35, 0, "\x1b[F"},       {34, 0, "\x1b[G"},
    {96, 0, "\b"},           {97, 0, "\x1b[F"},
    {98, 0, "\x1b[B"},       {99, 0, "\x1b[G"},
    {100, 0, "\x1b[D"},      {101, 0, "\x1b[E"},
    {102, 0, "\x1b[C"},      {103, 0, "\x1b[H"},
    {104, 0, "\x1b[A"},      {105, 0, "\x1b[I"},
    {107, 0, "+"},           {109, 0, "-"},
    {106, 0, "*"},           {111, 0, "/"},
    {144, 0, nullptr},       {107, KeyMod::kCtrl, nullptr},
};

constexpr TemplateKey kLinuxKeys[] = {
    {112, 0, "\x1b[[A"}, {113, 0, "\x1b[[B"}, {114, 0, "\x1b[[C"}, {115, 0, "\x1b[[D"},
    {116, 0, "\x1b[[E"}, {36, 0, "\x1b[1~"},  {45, 0, "\x1b[2~"},  {46, 0, "\x1b[3~"},
    {33, 0, "\x1b[5~"},  {34, 0, "\x1b[6~"},
};

constexpr TemplateKey kAt386Keys[] = {
    {9, kShift, "\x1d"}, {8, 0, "\b"},       {112, 0, "\x1bOP"}, {113, 0, "\x1bOQ"},
    {114, 0, "\x1bOR"},  {115, 0, "\x1bOS"}, {116, 0, "\x1bOT"}, {117, 0, "\x1bOU"},
    {118, 0, "\x1bOV"},  {119, 0, "\x1bOW"}, {120, 0, "\x1bOX"}, {121, 0, "\x1bOY"},
    {122, 0, "\x1bOZ"},  {123, 0, "\x1bOA"}, {45, 0, "\x1b[@"},  {36, 0, "\x1b[H"},
    {33, 0, "\x1b[V"},   {46, 0, "\x1b[P"},  {35, 0, "\x1b[Y"},  {34, 0, "\x1b[U"},
};

constexpr TemplateKey kWyse60Keys[] = {
    {112, 0, "\x01@\r"},
    {113, 0,
     "\x01"
     "A\r"},
    {114, 0,
     "\x01"
     "B\r"},
    {115, 0,
     "\x01"
     "C\r"},
    {116, 0,
     "\x01"
     "D\r"},
    {117, 0,
     "\x01"
     "E\r"},
    {118, 0,
     "\x01"
     "F\r"},
    {119, 0, "\x01G\r"},
    {120, 0, "\x01H\r"},
    {121, 0, "\x01I\r"},
    {122, 0, "\x01J\r"},
    {123, 0, "\x01K\r"},
    {112, kShift, "\x01`\r"},
    {113, kShift,
     "\x01"
     "a\r"},
    {114, kShift,
     "\x01"
     "b\r"},
    {115, kShift,
     "\x01"
     "c\r"},
    {116, kShift,
     "\x01"
     "d\r"},
    {117, kShift,
     "\x01"
     "e\r"},
    {118, kShift,
     "\x01"
     "f\r"},
    {119, kShift, "\x01g\r"},
    {120, kShift, "\x01h\r"},
    {121, kShift, "\x01i\r"},
    {122, kShift, "\x01j\r"},
    {123, kShift, "\x01k\r"},
};

struct KeyMapTemplate {
  std::string_view name;
  const TemplateKey* keys;
  size_t count;
};

template <size_t N>
constexpr KeyMapTemplate MakeTemplate(std::string_view name, const TemplateKey (&keys)[N]) {
  return {name, keys, N};
}

const KeyMapTemplate kTemplates[] = {
    {"VT420/320/220 Keyboard", nullptr, 0},
    MakeTemplate("SCO Console Keyboard", kScoKeys),
    MakeTemplate("Linux Console Keyboard", kLinuxKeys),
    MakeTemplate("AT386 Keyboard", kAt386Keys),
    MakeTemplate("Wyse 60 Keyboard", kWyse60Keys),
};

// DECUDK key numbers 0..34 to the function keys they define; 0 where no key has the number.
constexpr uint8_t kUdkFunctionKeys[] = {
    0, 0, 0, 0,  0, 0,  0,  0,  0,  0, 0,  1,  2, 3,  4,  5,  0,  6,
    7, 8, 9, 10, 0, 11, 12, 13, 14, 0, 15, 16, 0, 17, 18, 19, 20,
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The hexadecimal pairs of text as bytes; other characters are skipped and a lone last digit
// is dropped.
std::string DecodeHexPairs(std::string_view text) {
  std::string out;
  int high = -1;
  for (char c : text) {
    const int v = HexValue(c);
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out += static_cast<char>(high << 4 | v);
      high = -1;
    }
  }
  return out;
}

bool SameCombination(const KeyMapEntry& e, int key, uint8_t modifiers) {
  return e.key == key && (e.modifiers & KeyMod::kLookupMask) == modifiers;
}

bool ValidKey(int key) {
  return key >= 1 && key <= PcKey::kLast;
}

}  // namespace

CKeyMap::CKeyMap() {
  ResetToDefault();
}

const KeyMapEntry* CKeyMap::FindEntry(int key, uint8_t modifiers) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const KeyMapEntry& e) {
    return SameCombination(e, key, modifiers);
  });
  return it == entries_.end() ? nullptr : &*it;
}

KeyMapEntry* CKeyMap::FindEntry(int key, uint8_t modifiers) {
  return const_cast<KeyMapEntry*>(std::as_const(*this).FindEntry(key, modifiers));
}

KeyLookup CKeyMap::Lookup(int key, uint8_t modifiers) const {
  KeyLookup result;
  if (!ValidKey(key)) return result;
  modifiers &= KeyMod::kLookupMask;
  for (const KeyMapEntry& e : hostKeys_) {
    if (SameCombination(e, key, modifiers)) return {e.action, e.text};
  }
  if (modifiers == 0) {
    result.action = direct_[static_cast<size_t>(key - 1)];
    if (result.action < KeyAction::kFirstListed) return result;
  }
  if (const KeyMapEntry* e = FindEntry(key, modifiers)) {
    result.action = e->action;
    if (e->action >= KeyAction::kFirstListed) result.text = e->text;
  }
  return result;
}

bool CKeyMap::IsMapped(int key, uint8_t modifiers) const {
  return Lookup(key, modifiers).action != KeyAction::kNone;
}

void CKeyMap::Set(int key, uint8_t modifiers, uint8_t action, std::string_view text) {
  if (!ValidKey(key)) return;
  modifiers &= KeyMod::kLookupMask;
  if (action == KeyAction::kNone) {
    Remove(key, modifiers);
    return;
  }
  if (modifiers == 0) {
    direct_[static_cast<size_t>(key - 1)] = action;
    if (action < KeyAction::kFirstListed) {
      // The direct value alone is the action now; an old entry would only be dead weight.
      std::erase_if(entries_, [&](const KeyMapEntry& e) { return SameCombination(e, key, 0); });
      return;
    }
  }
  const std::string stored = action >= KeyAction::kFirstListed ? std::string(text) : std::string();
  if (KeyMapEntry* e = FindEntry(key, modifiers)) {
    e->action = action;
    e->text = stored;
  } else {
    entries_.push_back({static_cast<uint8_t>(key), modifiers, action, stored});
  }
}

void CKeyMap::Remove(int key, uint8_t modifiers) {
  if (!ValidKey(key)) return;
  modifiers &= KeyMod::kLookupMask;
  if (modifiers == 0) direct_[static_cast<size_t>(key - 1)] = KeyAction::kNone;
  std::erase_if(entries_, [&](const KeyMapEntry& e) { return SameCombination(e, key, modifiers); });
}

void CKeyMap::ResetToDefault() {
  direct_.fill(KeyAction::kNone);
  entries_.clear();
  hostKeys_.clear();
  for (const DirectKey& k : kDefaultDirect) direct_[k.pcKey - 1u] = k.vtKey;
  for (const ModifiedKey& k : kDefaultModified)
    entries_.push_back({k.pcKey, k.modifiers, k.vtKey, {}});
  AddBuiltInEntries();
}

void CKeyMap::AddBuiltInEntries() {
  for (const MenuKey& k : kBuiltInMenuKeys)
    if (!IsMapped(k.pcKey, k.modifiers)) Set(k.pcKey, k.modifiers, KeyAction::kMenu, k.path);
}

size_t CKeyMap::TemplateCount() {
  return std::size(kTemplates);
}

std::string_view CKeyMap::TemplateName(size_t index) {
  return index < std::size(kTemplates) ? kTemplates[index].name : std::string_view();
}

bool CKeyMap::ApplyTemplate(size_t index) {
  if (index >= std::size(kTemplates)) return false;
  ResetToDefault();
  const KeyMapTemplate& t = kTemplates[index];
  for (size_t i = 0; i < t.count; ++i) {
    const TemplateKey& k = t.keys[i];
    if (k.text != nullptr)
      Set(k.pcKey, k.modifiers, KeyAction::kSendString, k.text);
    else
      Remove(k.pcKey, k.modifiers);
  }
  return true;
}

void CKeyMap::ApplyUserDefinedKeys(std::string_view data) {
  while (!data.empty()) {
    const size_t end = std::min(data.find(';'), data.size());
    const std::string_view definition = data.substr(0, end);
    data.remove_prefix(std::min(end + 1, data.size()));

    const size_t slash = definition.find('/');
    if (slash == std::string_view::npos || slash == 0) continue;
    int number = 0;
    bool digits = true;
    for (char c : definition.substr(0, slash)) {
      if (c < '0' || c > '9') digits = false;
      // Only numbers up to 34 mean anything; stop growing before it could overflow.
      if (digits && number < 100) number = number * 10 + (c - '0');
    }
    if (!digits || number >= static_cast<int>(std::size(kUdkFunctionKeys))) continue;
    const int fkey = kUdkFunctionKeys[number];
    if (fkey == 0) continue;
    const std::string bytes = DecodeHexPairs(definition.substr(slash + 1));
    auto define = [this, &bytes](int key, uint8_t modifiers) {
      std::erase_if(hostKeys_,
                    [&](const KeyMapEntry& e) { return SameCombination(e, key, modifiers); });
      hostKeys_.push_back({static_cast<uint8_t>(key), modifiers, KeyAction::kSendString, bytes});
    };
    if (fkey <= 12) define(PcKey::kF1 + fkey - 1, KeyMod::kShift);
    if (fkey > 10) define(PcKey::kF1 + fkey - 11, KeyMod::kCtrl | KeyMod::kShift);
  }
}

}  // namespace ostrane
