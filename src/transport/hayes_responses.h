// The modem side of a Hayes AT dial, as byte machines without a port: the result-code reader
// (verbose words and ATV0 numbers), the dial-string cleaner, and the watch for "NO CARRIER" in
// the data of a modem without a carrier-detect line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "transport/serial_limits.h"

namespace ostrane {

enum class HayesResult {
  kOk,
  kConnect,
  kRing,
  kRinging,
  kNoCarrier,
  kError,
  kNoDialtone,
  kBusy,
  kNoAnswer,
};

// What the session shows for a result that ends a dial; empty for those that do not.
std::string_view HayesFailureText(HayesResult result);
// The result a whole line names; nothing for an echo or other text.
std::optional<HayesResult> ClassifyHayesLine(std::string_view line);

// Splits the modem's output into lines and reports the first result line.
class CHayesResponseReader {
 public:
  struct Found {
    HayesResult result;
    size_t consumed;  // bytes of the input up to and including the result line's end
  };
  // Reads data up to the first result line; nothing when data holds none (the line so far is
  // kept for the next call).
  std::optional<Found> Feed(const uint8_t* data, size_t length);
  void Reset() { line_.clear(); }

 private:
  std::string line_;
};

// The dialable part of a typed number: blanks and ( ) - . are dropped; digits, * # , W P T @ !
// pass; anything else (";", letters that are AT commands) makes the number unusable. Nothing for
// an empty, unusable or over-long number, so that no text of a session file reaches the modem
// as a command.
std::optional<std::string> CleanDialString(std::string_view typed);

// Watches received data for a "NO CARRIER" line.
class CCarrierLossWatch {
 public:
  bool Feed(const uint8_t* data, size_t length);

 private:
  size_t matched_ = 0;
};

}  // namespace ostrane
