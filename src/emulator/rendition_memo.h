// CRenditionMemo: what recent SGR parameter strings did to the attribute word. Hosts repeat a
// handful of renditions endlessly (colour on, text, reset), so the parser can hand over a
// complete short SGR as its packed text and the emulator apply it with one look-up instead of
// collecting and interpreting its parameters again. A rendition depends only on the attribute
// word before it and its parameters, so a remembered effect never goes stale.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrane {

class CRenditionMemo {
 public:
  // Turns `word` into what it became under the rendition `text` before; false, with `word`
  // unchanged, when that is not remembered.
  bool Apply(uint64_t text, uint16_t& word) const {
    const Entry& e = entries_[Slot(text, word)];
    if (e.before != word || e.text != text) [[unlikely]]
      return false;
    word = e.after;
    return true;
  }
  void Remember(uint64_t text, uint16_t before, uint16_t after) {
    entries_[Slot(text, before)] = Entry{text, before, after};
  }

 private:
  static constexpr int kSlotBits = 10;
  // Never equal to a 16-bit attribute word, so an unused slot matches nothing.
  static constexpr uint32_t kUnused = 0xFFFFFFFF;
  struct Entry {
    uint64_t text = 0;
    uint32_t before = kUnused;
    uint16_t after = 0;
  };
  static size_t Slot(uint64_t text, uint16_t before) {
    return static_cast<size_t>(((text ^ (uint64_t{before} << 40)) * 0x9E3779B97F4A7C15ull) >>
                               (64 - kSlotBits));
  }
  std::array<Entry, size_t{1} << kSlotBits> entries_{};
};

}  // namespace ostrane
