// Capacities of every buffer in the emulator that the host's byte stream can fill.
#pragma once

#include <cstdint>

namespace ostrane {

inline constexpr int kMaxParams = 32;         // parameters per control sequence; more are dropped
inline constexpr int kMaxIntermediates = 16;  // distinct intermediates; more are dropped
inline constexpr int32_t kMaxParamValue = 0x7FFFFFFF;  // decimal values saturate here
// A device-control string beyond this many bytes is discarded: it bounds the memory a host can
// make the terminal hold (a soft font of 96 large glyphs is far smaller).
inline constexpr size_t kMaxDeviceControlString = 1 << 20;
// An operating-system command beyond this many bytes is dropped whole: room for a clipboard
// write of kMaxHostClipboard bytes in Base64. Other strings (APC, PM, SOS) are never kept.
inline constexpr size_t kMaxHostClipboard = 1 << 20;  // OSC 52, decoded
inline constexpr size_t kMaxHostString = kMaxHostClipboard / 3 * 4 + 64;
inline constexpr size_t kMaxHostTitle = 1024;  // a longer title is dropped whole
inline constexpr size_t kMaxSavedTitles = 10;  // titles the host may save (CSI 22 t)

inline constexpr int kLineWidth = 132;           // cells stored per line
inline constexpr int kPageMemory = 144;          // lines of page memory
inline constexpr int kMaxHistoryLines = 200000;  // caps SaveLines: about 100 MB of cells

inline constexpr int kSoftFontGlyphs = 96;
inline constexpr int kSoftFontDesignator = 9;  // designator intermediates kept
inline constexpr int kSoftFontMaxWidth = 16;   // pixels per glyph row kept
inline constexpr int kSoftFontMaxHeight = 32;  // pixel rows per glyph kept

}  // namespace ostrane
