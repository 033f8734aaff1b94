// Reads arbitrary bytes as a setup file; a file that reads must write back to bytes that read
// to the same settings and key map.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "keyboard/key_map.h"
#include "session/setup_file.h"
#include "settings/settings_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrane::CSettingsSet settings;
  ostrane::CKeyMap map;
  if (ostrane::ReadSetup({data, size}, settings, map) != ostrane::SetupFileStatus::kOk) return 0;
  const std::string written = ostrane::WriteSetup(settings, map);
  ostrane::CSettingsSet again;
  ostrane::CKeyMap againMap;
  const auto* bytes = reinterpret_cast<const uint8_t*>(written.data());
  if (ostrane::ReadSetup({bytes, written.size()}, again, againMap) !=
          ostrane::SetupFileStatus::kOk ||
      !again.Equals(settings) || !(againMap == map))
    std::abort();
  return 0;
}
