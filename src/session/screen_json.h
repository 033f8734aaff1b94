// The screen dump shared by ostrane-replay and ostrane-cli: one JSON object with the geometry,
// cursor, rows, line sizes, optional attributes, history, status line, replies and the settings
// that differ from their defaults.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

class CVT420Emulator;
struct LineView;

struct ScreenJsonOptions {
  bool attributes = false;  // include the per-cell attribute words
};

// A line as UTF-8 text of `columns` cells, the right half of a wide character left out.
std::string LineToText(const LineView& line, int columns);

// `replies` holds every byte sent to the host; it is written in the control-string notation.
std::string ScreenToJson(const CVT420Emulator& terminal, std::string_view replies,
                         const ScreenJsonOptions& options = {});

}  // namespace ostrane
