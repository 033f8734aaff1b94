// Parses arbitrary text in the control-string notation, and checks that any byte string
// survives formatting and parsing unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/control_string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string parsed;
  ostrane::ParseControlString(input, parsed);

  std::string back;
  if (!ostrane::ParseControlString(ostrane::FormatControlString(input), back) || back != input)
    std::abort();
  return 0;
}
