// The print options kept in PrinterParam: a small record of this program's own with a tag,
// read back only when the tag matches and every field is in range, so that a session file's
// bytes are never handed to a printer driver as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ostrane {

struct PrinterOptions {
  bool landscape = false;
  int copies = 1;      // 1..kMaxCopies
  int duplex = 0;      // 0 none, 1 long side, 2 short side
  int paperSize = -1;  // the front end's page-size number, -1 for the printer's own
};

inline constexpr int kMaxCopies = 999;
// Page-size numbers above this are not ones any front end gives.
inline constexpr int kMaxPaperSize = 200;

std::vector<uint8_t> EncodePrinterOptions(const PrinterOptions& options, size_t size);
std::optional<PrinterOptions> DecodePrinterOptions(const uint8_t* data, size_t length);

}  // namespace ostrane
