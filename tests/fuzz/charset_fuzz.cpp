// Drives the character-set layer with host-controlled input: settings, a soft-font load,
// designations, shifts and received bytes. Checks that the GL fast path agrees with
// TranslateChar and that glyph bitmaps stay inside their buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "emulator/charset_state.h"
#include "emulator/soft_font.h"
#include "platform/code_page.h"
#include "settings/settings_set.h"

namespace {

using ostrane::CCharsetState;
using ostrane::CControlParams;
using ostrane::CSettingsSet;
using ostrane::CSoftFont;
namespace S = ostrane::S;

constexpr std::string_view kIntermediates = "()*+-./% ";
constexpr size_t kHeader = 8;

CControlParams Collected(std::string_view text) {
  CControlParams params;
  params.Clear();
  for (char c : text) params.Collect(static_cast<uint8_t>(c));
  return params;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  static const bool codePageFixed = (ostrane::platform::SetSystemCodePage(1252), true);
  (void)codePageFixed;
  CSettingsSet settings;
  settings.SetInt(S::DBCS, data[0] & 1);
  settings.SetInt(S::DBCSSet, (data[0] >> 1) % 7);
  settings.SetInt(S::ForceASCII, (data[0] >> 4) & 1);
  settings.SetInt(S::PrimarySet, data[1] % 19 - 1);  // includes values outside the table
  settings.SetInt(S::SecondarySet, data[2] % 19 - 1);
  settings.SetInt(S::NRC, data[3] % 16);
  settings.SetInt(S::UPSS, data[4] % 19 - 1);

  const std::string_view rest(reinterpret_cast<const char*>(data) + kHeader, size - kHeader);
  const size_t split = rest.find('\0');
  const std::string_view fontData = rest.substr(0, split);
  const std::string_view stream = split == std::string_view::npos ? "" : rest.substr(split + 1);

  CSoftFont font;
  font.Load(Collected(std::string_view(reinterpret_cast<const char*>(data) + 5, 3)), fontData);
  for (int ch = 0; ch < 0x80; ++ch)
    if (auto glyph = font.Glyph(ch)) {
      if (glyph->width > ostrane::kSoftFontMaxWidth || glyph->height > ostrane::kSoftFontMaxHeight)
        std::abort();
      // Every byte the renderer may read must lie inside the glyph (the sanitizer checks).
      volatile uint8_t sink = 0;
      for (int i = 0; i < glyph->height * glyph->strideBytes; ++i) sink = sink ^ glyph->bits[i];
    }

  CCharsetState state(settings);
  CCharsetState saved = state.SavedCopy();
  for (size_t i = 0; i < stream.size(); ++i) {
    const auto b = static_cast<uint8_t>(stream[i]);
    const uint8_t next = i + 1 < stream.size() ? static_cast<uint8_t>(stream[i + 1]) : 0;
    switch (b) {
      case 0x0E:
      case 0x0F:
        state.LockGL(b == 0x0E ? 1 : 0);
        break;
      case 0x8E:
      case 0x8F:
        state.SingleShift(b - 0x8C);
        break;
      case 0x1B: {
        // Up to three intermediates picked by the next byte, then the final.
        char intermediates[3];
        for (int k = 0; k < 3; ++k) intermediates[k] = kIntermediates[(next >> (k * 3)) % 9];
        const uint8_t final = i + 2 < stream.size() ? static_cast<uint8_t>(stream[i + 2]) : 'B';
        state.DispatchDesignation(Collected(std::string_view(intermediates, next % 4)), final,
                                  font);
        i += 2;
        break;
      }
      case 0x1C:
        state.LockGR(next % 5);
        ++i;
        break;
      case 0x1D:
        saved = state.SavedCopy();
        break;
      case 0x1E:
        state.RestoreFrom(saved);
        break;
      case 0x1F: {
        const auto ch =
            static_cast<char16_t>(next << 8 | (i + 2 < stream.size() ? stream[i + 2] & 0xFF : 0));
        if (state.EncodeChar(ch).size() > 4) std::abort();
        i += 2;
        break;
      }
      default: {
        if (b >= 0x20 && b <= 0x7E && state.GlIsIdentity()) {
          CCharsetState probe = state;
          if (probe.TranslateChar(b) != b) std::abort();
        }
        state.GrTakesC1Range();
        state.TranslateChar(b);
        break;
      }
    }
  }
  return 0;
}
