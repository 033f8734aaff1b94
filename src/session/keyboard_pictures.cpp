#include "session/keyboard_pictures.h"

#include <array>

#include "keyboard/key_codes.h"
#include "settings/settings_limits.h"

namespace ostrane {

namespace {

// VT key codes of the latch keys.
constexpr int kVtCtrl = 73;
constexpr int kVtLeftShift = 74;
constexpr int kVtCapsLock = 75;
constexpr int kVtRightShift = 76;

constexpr int kKey = 18;  // most keys are 18 x 18 on a 19-pixel pitch

// Row tops of the VT keyboard.
constexpr int16_t kR0 = 1, kR1 = 32, kR2 = 51, kR3 = 70, kR4 = 89, kR5 = 108;

constexpr KeyRect Vt(int x, int16_t y, int code, int width = kKey, int height = kKey) {
  return {static_cast<int16_t>(x), y, static_cast<int16_t>(width), static_cast<int16_t>(height),
          static_cast<uint8_t>(code)};
}

constexpr std::array<KeyRect, 109> kVtKeys = {{
    // F1-F5, F6-F10, F11-F14, Help, Do, F17-F20.
    Vt(1, kR0, 1),
    Vt(20, kR0, 2),
    Vt(39, kR0, 3),
    Vt(58, kR0, 4),
    Vt(77, kR0, 5),
    Vt(115, kR0, 6),
    Vt(134, kR0, 7),
    Vt(153, kR0, 8),
    Vt(172, kR0, 9),
    Vt(191, kR0, 10),
    Vt(229, kR0, 11),
    Vt(248, kR0, 12),
    Vt(267, kR0, 13),
    Vt(286, kR0, 14),
    Vt(324, kR0, 15),
    Vt(343, kR0, 16),
    Vt(381, kR0, 17),
    Vt(400, kR0, 18),
    Vt(419, kR0, 19),
    Vt(438, kR0, 20),
    // ` 1-0 - = Backspace; Find Insert Remove; PF1-PF4.
    Vt(20, kR1, 21),
    Vt(39, kR1, 22),
    Vt(58, kR1, 23),
    Vt(77, kR1, 24),
    Vt(96, kR1, 25),
    Vt(115, kR1, 26),
    Vt(134, kR1, 27),
    Vt(153, kR1, 28),
    Vt(172, kR1, 29),
    Vt(191, kR1, 30),
    Vt(210, kR1, 31),
    Vt(229, kR1, 32),
    Vt(248, kR1, 33),
    Vt(267, kR1, 71, 37),
    Vt(324, kR1, 81),
    Vt(343, kR1, 82),
    Vt(362, kR1, 83),
    Vt(400, kR1, 91),
    Vt(419, kR1, 92),
    Vt(438, kR1, 93),
    Vt(457, kR1, 94),
    // Tab Q-P [ ] and the top of Return; Select Prev Next; 7 8 9 -.
    Vt(20, kR2, 34, 25),
    Vt(46, kR2, 51),
    Vt(65, kR2, 57),
    Vt(84, kR2, 39),
    Vt(103, kR2, 52),
    Vt(122, kR2, 54),
    Vt(141, kR2, 59),
    Vt(160, kR2, 55),
    Vt(179, kR2, 43),
    Vt(198, kR2, 49),
    Vt(217, kR2, 50),
    Vt(236, kR2, 61),
    Vt(255, kR2, 62),
    Vt(274, kR2, 72, 30),
    Vt(324, kR2, 84),
    Vt(343, kR2, 85),
    Vt(362, kR2, 86),
    Vt(400, kR2, 102),
    Vt(419, kR2, 103),
    Vt(438, kR2, 104),
    Vt(457, kR2, 105),
    // Ctrl Caps A-L ; ' \ and the foot of Return; 4 5 6 ,.
    Vt(1, kR3, kVtCtrl),
    Vt(20, kR3, kVtCapsLock, 31),
    Vt(52, kR3, 35),
    Vt(71, kR3, 53),
    Vt(90, kR3, 38),
    Vt(109, kR3, 40),
    Vt(128, kR3, 41),
    Vt(147, kR3, 42),
    Vt(166, kR3, 44),
    Vt(185, kR3, 45),
    Vt(204, kR3, 46),
    Vt(223, kR3, 63),
    Vt(242, kR3, 64),
    Vt(261, kR3, 65),
    Vt(280, 69, 72, 24, 19),
    Vt(400, kR3, 99),
    Vt(419, kR3, 100),
    Vt(438, kR3, 101),
    Vt(457, kR3, 106),
    // Shift < Z-M , . / Shift; Up; 1 2 3 Enter.
    Vt(1, kR4, kVtLeftShift, 37),
    Vt(39, kR4, 66),
    Vt(58, kR4, 60),
    Vt(77, kR4, 58),
    Vt(96, kR4, 37),
    Vt(115, kR4, 56),
    Vt(134, kR4, 36),
    Vt(153, kR4, 48),
    Vt(172, kR4, 47),
    Vt(191, kR4, 67),
    Vt(210, kR4, 68),
    Vt(229, kR4, 69),
    Vt(248, kR4, kVtRightShift, 56),
    Vt(343, kR4, 87),
    Vt(400, kR4, 96),
    Vt(419, kR4, 97),
    Vt(438, kR4, 98),
    Vt(457, kR4, 108, 18, 37),
    // Compose Alt Space Alt Compose; Left Down Right; 0 and point.
    Vt(35, kR5, 77, 28),
    Vt(64, kR5, 78, 28),
    Vt(93, kR5, 70, 113),
    Vt(207, kR5, 79, 28),
    Vt(236, kR5, 80, 28),
    Vt(324, kR5, 88),
    Vt(343, kR5, 89),
    Vt(362, kR5, 90),
    Vt(400, kR5, 95, 37),
    Vt(438, kR5, 107),
}};

constexpr KeyRect Pc(int x, int16_t y, int code, int width = kKey, int height = kKey) {
  return Vt(x, y, code, width, height);
}

constexpr std::array<KeyRect, 101> kUs101Keys = {{
    // Esc, F1-F12, Print Screen, Scroll Lock, Pause.
    Pc(1, kR0, 27),
    Pc(39, kR0, 112),
    Pc(58, kR0, 113),
    Pc(77, kR0, 114),
    Pc(96, kR0, 115),
    Pc(125, kR0, 116),
    Pc(144, kR0, 117),
    Pc(163, kR0, 118),
    Pc(182, kR0, 119),
    Pc(211, kR0, 120),
    Pc(230, kR0, 121),
    Pc(249, kR0, 122),
    Pc(268, kR0, 123),
    Pc(295, kR0, 44),
    Pc(314, kR0, 145),
    Pc(333, kR0, 19),
    // ` 1-0 - = Backspace; Insert Home Page Up; Num Lock / * -.
    Pc(1, kR1, 192),
    Pc(20, kR1, 49),
    Pc(39, kR1, 50),
    Pc(58, kR1, 51),
    Pc(77, kR1, 52),
    Pc(96, kR1, 53),
    Pc(115, kR1, 54),
    Pc(134, kR1, 55),
    Pc(153, kR1, 56),
    Pc(172, kR1, 57),
    Pc(191, kR1, 48),
    Pc(210, kR1, 189),
    Pc(229, kR1, 187),
    Pc(248, kR1, 8, 37),
    Pc(295, kR1, 45),
    Pc(314, kR1, 36),
    Pc(333, kR1, 33),
    Pc(361, kR1, 144),
    Pc(380, kR1, 111),
    Pc(399, kR1, 106),
    Pc(418, kR1, 109),
    // Tab Q-P [ ] \; Delete End Page Down; 7 8 9 +.
    Pc(1, kR2, 9, 28),
    Pc(30, kR2, 81),
    Pc(49, kR2, 87),
    Pc(68, kR2, 69),
    Pc(87, kR2, 82),
    Pc(106, kR2, 84),
    Pc(125, kR2, 89),
    Pc(144, kR2, 85),
    Pc(163, kR2, 73),
    Pc(182, kR2, 79),
    Pc(201, kR2, 80),
    Pc(220, kR2, 219),
    Pc(239, kR2, 221),
    Pc(258, kR2, 220, 27),
    Pc(295, kR2, 46),
    Pc(314, kR2, 35),
    Pc(333, kR2, 34),
    Pc(361, kR2, 103),
    Pc(380, kR2, 104),
    Pc(399, kR2, 105),
    Pc(418, kR2, 107, 18, 37),
    // Caps Lock A-L ; ' Enter; 4 5 6.
    Pc(1, kR3, 20, 33),
    Pc(35, kR3, 65),
    Pc(54, kR3, 83),
    Pc(73, kR3, 68),
    Pc(92, kR3, 70),
    Pc(111, kR3, 71),
    Pc(130, kR3, 72),
    Pc(149, kR3, 74),
    Pc(168, kR3, 75),
    Pc(187, kR3, 76),
    Pc(206, kR3, 186),
    Pc(225, kR3, 222),
    Pc(244, kR3, 13, 41),
    Pc(361, kR3, 100),
    Pc(380, kR3, 101),
    Pc(399, kR3, 102),
    // Shift Z-/ Shift; Up; 1 2 3 Enter.
    Pc(1, kR4, 16, 43),
    Pc(45, kR4, 90),
    Pc(64, kR4, 88),
    Pc(83, kR4, 67),
    Pc(102, kR4, 86),
    Pc(121, kR4, 66),
    Pc(140, kR4, 78),
    Pc(159, kR4, 77),
    Pc(178, kR4, 188),
    Pc(197, kR4, 190),
    Pc(216, kR4, 191),
    Pc(235, kR4, 161, 50),
    Pc(314, kR4, 38),
    Pc(361, kR4, 97),
    Pc(380, kR4, 98),
    Pc(399, kR4, 99),
    Pc(418, kR4, 43, 18, 37),
    // Ctrl Alt Space Alt Ctrl; Left Down Right; 0 and point.
    Pc(1, kR5, 17, 28),
    Pc(49, kR5, 18, 28),
    Pc(78, kR5, 32, 130),
    Pc(209, kR5, 165, 28),
    Pc(257, kR5, 163, 28),
    Pc(295, kR5, 37),
    Pc(314, kR5, 40),
    Pc(333, kR5, 39),
    Pc(361, kR5, 96, 37),
    Pc(399, kR5, 110),
}};

constexpr PictureSize kUs101Size = {437, 127};

bool Inside(const KeyRect& r, int x, int y, int edge) {
  return x >= r.x && y >= r.y && x < r.x + r.width + edge && y < r.y + r.height + edge;
}

}  // namespace

std::span<const KeyRect> VtKeyboardKeys() {
  return kVtKeys;
}

int VtKeyAt(int x, int y) {
  for (auto it = kVtKeys.rbegin(); it != kVtKeys.rend(); ++it)
    if (Inside(*it, x, y, 0)) return it->code;
  return 0;
}

int PcLayoutCount() {
  return 1;
}

std::string_view PcLayoutName(int /*layout*/) {
  return "U.S. 101 Key";
}

PictureSize PcLayoutSize(int /*layout*/) {
  return kUs101Size;
}

std::span<const KeyRect> PcLayoutKeys(int /*layout*/) {
  return kUs101Keys;
}

std::optional<KeyRect> PcKeyPosition(int layout, int pcKey) {
  const auto keys = PcLayoutKeys(EffectiveLayout(layout, PcLayoutCount()));
  for (auto it = keys.rbegin(); it != keys.rend(); ++it)
    if (it->code == pcKey) return *it;
  return std::nullopt;
}

int PcKeyAt(int layout, int x, int y) {
  const auto keys = PcLayoutKeys(EffectiveLayout(layout, PcLayoutCount()));
  for (auto it = keys.rbegin(); it != keys.rend(); ++it)
    if (Inside(*it, x, y, 1)) return it->code;
  return 0;
}

bool PcKeyMappable(int /*layout*/, int pcKey, uint8_t modifiers) {
  return IsPcKeyMappable(pcKey, modifiers);
}

std::optional<CVtKeyboardLatches::Press> CVtKeyboardLatches::Release(int vtKey) {
  switch (vtKey) {
    case kVtCtrl:
      ctrl_ = !ctrl_;
      return std::nullopt;
    case kVtCapsLock:
      capsLock_ = !capsLock_;
      return std::nullopt;
    case kVtLeftShift:
      leftShift_ = !leftShift_;
      rightShift_ = false;
      return std::nullopt;
    case kVtRightShift:
      rightShift_ = !rightShift_;
      leftShift_ = false;
      return std::nullopt;
    default:
      break;
  }
  Press press{vtKey, 0};
  if (ctrl_) press.flags |= KeyMod::kCtrl;
  if (leftShift_ || rightShift_) press.flags |= KeyMod::kShift;
  if (capsLock_) press.flags |= KeyMod::kCapsLock;
  ctrl_ = leftShift_ = rightShift_ = false;
  return press;
}

bool CVtKeyboardLatches::IsLatchKey(int vtKey) {
  return vtKey == kVtCtrl || vtKey == kVtLeftShift || vtKey == kVtCapsLock ||
         vtKey == kVtRightShift;
}

bool CVtKeyboardLatches::IsLatched(int vtKey) const {
  switch (vtKey) {
    case kVtCtrl:
      return ctrl_;
    case kVtLeftShift:
      return leftShift_;
    case kVtCapsLock:
      return capsLock_;
    case kVtRightShift:
      return rightShift_;
    default:
      return false;
  }
}

}  // namespace ostrane
