// Limits of printing; each protects a buffer or a computation that settings or the host fill.
#pragma once

#include <cstddef>

namespace ostrane {

// Characters one printed line holds; a line longer than the page is broken there.
inline constexpr int kPrintLineChars = 512;
// Printer-controller bytes gathered before they are written to a raw job.
inline constexpr size_t kRawPrintBuffer = 1024;
// The longest JobTimeout honoured, in seconds, so that the timer's milliseconds cannot overflow.
inline constexpr int kMaxJobTimeoutSeconds = 24 * 60 * 60;
// Print font sizes outside 1..this many points give no usable cell: "Cannot setup printer.".
inline constexpr int kMaxPrintFontPoints = 1000;

}  // namespace ostrane
