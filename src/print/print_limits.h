// Limits of printing; each protects a buffer or a computation that settings or the host fill.
#pragma once

#include <cstddef>

namespace ostrane {

// Characters one printed line holds; a line longer than the page is broken there.
inline constexpr int kPrintLineChars = 512;
// Output the session has handed over but the printer has not taken yet (bytes, or two per
// character of text). A printer that does not drain makes the job fail here instead of the
// session holding ever more of it.
inline constexpr size_t kPrintQueueBytes = 4 * 1024 * 1024;
// How long closing a session lets the printer take what is queued before the job is cancelled.
inline constexpr int kPrintCloseGraceMs = 3000;
// How long closing then waits for the cancelled print thread to end before leaving it behind.
inline constexpr int kPrintStopWaitMs = 1000;
// The longest JobTimeout honoured, in seconds, so that the timer's milliseconds cannot overflow.
inline constexpr int kMaxJobTimeoutSeconds = 24 * 60 * 60;
// Print font sizes outside 1..this many points give no usable cell: "Cannot setup printer.".
inline constexpr int kMaxPrintFontPoints = 1000;

}  // namespace ostrane
