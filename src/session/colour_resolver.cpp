#include "session/colour_resolver.h"

#include <utility>

#include "emulator/screen_buffer.h"
#include "settings/settings_set.h"

namespace ostrane {

namespace {

// The default palette, used when no settings are given.
constexpr uint32_t kDefaultPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

}  // namespace

CColourResolver::CColourResolver() {
  for (size_t i = 0; i < palette_.size(); ++i) palette_[i] = kDefaultPalette[i];
}

CColourResolver::CColourResolver(const CSettingsSet& settings) {
  for (int i = 0; i < 16; ++i) palette_[static_cast<size_t>(i)] = settings.PaletteColour(i);
  const uint8_t* mapped = settings.Binary(S::Mapped);
  const uint8_t* fore = settings.Binary(S::ForeColor);
  const uint8_t* back = settings.Binary(S::BackColor);
  const uint8_t* display = settings.Binary(S::DisplayAttr);
  for (size_t i = 0; i < map_.size(); ++i) {
    // A stored index beyond the palette wraps into it rather than reading past it.
    map_[i] = {mapped[i] != 0, static_cast<uint8_t>(fore[i] & 0x0F),
               static_cast<uint8_t>(back[i] & 0x0F), display[i] != 0};
  }
  dark_ = settings.Int(S::DarkScreen) != 0;
  blinkText_ = settings.Int(S::BlinkText) != 0;
}

CellColours CColourResolver::Resolve(uint16_t attribute, bool selected, bool blinkShown) const {
  const MapEntry& entry = map_[attribute & 0x0F];
  int fore = (attribute & attr::kFgMask) >> 8;
  int back = (attribute & attr::kBgMask) >> 12;
  bool show = true;
  if (entry.mapped) {
    fore = entry.fore;
    back = entry.back;
    show = entry.displayAttr;
  }
  // Selected text is inverted on a dark screen; on a light screen everything else is.
  if (selected != !dark_) std::swap(fore, back);
  if (show && (attribute & attr::kBlink) && blinkText_ && !blinkShown) fore = back;
  return {WordColour(fore), WordColour(back), show && (attribute & attr::kUnderline) != 0};
}

CellColours CColourResolver::Resolve(uint16_t attribute, const CellExtra* extra, bool selected,
                                     bool blinkShown) const {
  if (extra == nullptr || map_[attribute & 0x0F].mapped)
    return Resolve(attribute, selected, blinkShown);
  CellColours c = Resolve(attribute, false, true);
  c.text = ExtraColour(extra->foreground, c.text);
  c.background = ExtraColour(extra->background, c.background);
  if (selected != !dark_) std::swap(c.text, c.background);
  // Faint text is drawn halfway between its colour and the background.
  if (extra->styles & style::kFaint) {
    const uint32_t blend = ((c.text >> 1) & 0x7F7F7F) + ((c.background >> 1) & 0x7F7F7F);
    c.text = blend;
  }
  const bool hidden = (extra->styles & style::kInvisible) ||
                      ((attribute & attr::kBlink) && blinkText_ && !blinkShown);
  if (hidden) c.text = c.background;
  c.italic = (extra->styles & style::kItalic) != 0;
  c.strike = (extra->styles & style::kStrike) != 0;
  c.overline = (extra->styles & style::kOverline) != 0;
  return c;
}

uint32_t CColourResolver::IndexedColour(int index) const {
  const uint32_t set = host_.entries[static_cast<size_t>(index & 0xFF)];
  return set != 0 ? set & 0xFFFFFF : XtermColour(index, palette_);
}

uint32_t CColourResolver::WordColour(int index) const {
  // Cells that named black or white carry it in their extra, so 0 and 7 here are the defaults.
  if (index == 7 || index == 0) {
    const uint32_t set =
        host_.dynamic[index == 7 ? HostPalette::kForeground : HostPalette::kBackground];
    if (set != 0) return set & 0xFFFFFF;
  }
  // The palette index of the word as an ANSI colour number (the map is its own inverse).
  const int ansi = kAnsiToPalette[index & 7] + (index & 8);
  const uint32_t set = host_.entries[static_cast<size_t>(ansi)];
  return set != 0 ? set & 0xFFFFFF : Palette(index);
}

uint32_t CColourResolver::ExtraColour(uint32_t colour, uint32_t fallback) const {
  switch (colour & colour::kTagMask) {
    case colour::kIndexed:
      return IndexedColour(static_cast<int>(colour & 0xFF));
    case colour::kRgb:
      return colour & 0xFFFFFF;
    default:
      return fallback;
  }
}

std::optional<uint32_t> CColourResolver::HostCursor() const {
  const uint32_t set = host_.dynamic[HostPalette::kCursor];
  if (set == 0) return std::nullopt;
  return set & 0xFFFFFF;
}

uint32_t CColourResolver::WindowBackground() const {
  // On a light screen this is the foreground colour of 0x0700: the exchange has been made.
  return Resolve(kDefaultAttr, false, true).background;
}

}  // namespace ostrane
