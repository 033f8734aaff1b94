// The two keyboard pictures the program draws: the VT keyboard (for the on-screen keyboard and
// for choosing a VT key on the key-map page) and the PC keyboard layouts (for choosing a PC key
// on the key-map page), as tables of key rectangles in picture coordinates, with hit testing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ostrane {

struct KeyRect {
  int16_t x;
  int16_t y;
  int16_t width;
  int16_t height;
  uint8_t code;  // VT key code or PC key code
};

struct PictureSize {
  int width;
  int height;
};

// The VT keyboard: 109 rectangles for the 108 VT keys (Return is L-shaped, two rectangles).
inline constexpr PictureSize kVtKeyboardSize = {480, 130};
std::span<const KeyRect> VtKeyboardKeys();
// The VT key under a point, searching from the last rectangle to the first; 0 for none.
int VtKeyAt(int x, int y);

// PC keyboard layouts. Layout 0, "U.S. 101 Key", is built in and the only one; a layout number
// out of range selects it.
int PcLayoutCount();
std::string_view PcLayoutName(int layout);
PictureSize PcLayoutSize(int layout);
std::span<const KeyRect> PcLayoutKeys(int layout);
// The first rectangle of the key, searching from the last to the first.
std::optional<KeyRect> PcKeyPosition(int layout, int pcKey);
// The key whose rectangle (right and bottom edges included) holds the point, the last such
// rectangle winning; 0 for none.
int PcKeyAt(int layout, int x, int y);
// Whether the key may be mapped with the modifier combination (Alt 1, Ctrl 2, Shift 4).
bool PcKeyMappable(int layout, int pcKey, uint8_t modifiers);

// The latching Ctrl, Shift and Caps Lock of the on-screen VT keyboard.
class CVtKeyboardLatches {
 public:
  struct Press {
    int vtKey;
    uint8_t flags;  // Ctrl 2, Shift 4, Caps Lock 8
  };
  // A key released after it was pressed. Ctrl, Caps Lock and either Shift toggle their latch
  // (a Shift latch clears the other Shift) and give nothing; any other key gives the press with
  // the latched flags and releases Ctrl and Shift (Caps Lock stays).
  std::optional<Press> Release(int vtKey);
  bool Ctrl() const { return ctrl_; }
  bool LeftShift() const { return leftShift_; }
  bool RightShift() const { return rightShift_; }
  bool CapsLock() const { return capsLock_; }
  // Whether the VT key is one of the four latch keys, and whether it is latched now.
  static bool IsLatchKey(int vtKey);
  bool IsLatched(int vtKey) const;

 private:
  bool ctrl_ = false;
  bool leftShift_ = false;
  bool rightShift_ = false;
  bool capsLock_ = false;
};

}  // namespace ostrane
