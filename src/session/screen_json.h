// The screen dump shared by ostrane-replay and ostrane-cli: one JSON object with the geometry,
// cursor, rows, line sizes, optional attributes, history, status line, replies and the settings
// that differ from their defaults.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

class CVT420Emulator;

struct ScreenJsonOptions {
  bool attributes = false;  // include the per-cell attribute words
};

// `replies` holds every byte sent to the host; it is written in the control-string notation.
std::string ScreenToJson(const CVT420Emulator& terminal, std::string_view replies,
                         const ScreenJsonOptions& options = {});

}  // namespace ostrane
