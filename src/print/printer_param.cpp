#include "print/printer_param.h"

#include <algorithm>
#include <cstring>

namespace ostrane {

namespace {

// "OSP" and the record's version; a block without it is some other program's.
constexpr uint8_t kTag[4] = {'O', 'S', 'P', 1};
constexpr size_t kRecordSize = 4 + 1 + 2 + 1 + 2;

void Put16(uint8_t* at, int value) {
  at[0] = static_cast<uint8_t>(value & 0xFF);
  at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int Get16(const uint8_t* at) {
  return at[0] | (at[1] << 8);
}

}  // namespace

std::vector<uint8_t> EncodePrinterOptions(const PrinterOptions& options, size_t size) {
  std::vector<uint8_t> block(std::max(size, kRecordSize), 0);
  std::memcpy(block.data(), kTag, sizeof kTag);
  block[4] = options.landscape ? 1 : 0;
  Put16(&block[5], std::clamp(options.copies, 1, kMaxCopies));
  block[7] = static_cast<uint8_t>(std::clamp(options.duplex, 0, 2));
  // Stored one higher, so that the printer's own size (-1) is 0.
  Put16(&block[8], std::clamp(options.paperSize, -1, kMaxPaperSize) + 1);
  return block;
}

std::optional<PrinterOptions> DecodePrinterOptions(const uint8_t* data, size_t length) {
  if (data == nullptr || length < kRecordSize || std::memcmp(data, kTag, sizeof kTag) != 0)
    return std::nullopt;
  PrinterOptions options;
  if (data[4] > 1 || data[7] > 2) return std::nullopt;
  options.landscape = data[4] == 1;
  options.copies = Get16(data + 5);
  options.duplex = data[7];
  options.paperSize = Get16(data + 8) - 1;
  if (options.copies < 1 || options.copies > kMaxCopies || options.paperSize > kMaxPaperSize)
    return std::nullopt;
  return options;
}

}  // namespace ostrane
