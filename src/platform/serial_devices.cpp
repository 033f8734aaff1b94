#include "platform/serial_devices.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace ostrane::platform {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSerialSection = "Serial";
constexpr std::string_view kModemsSection = "Modems";
// Device name prefixes of serial ports: on-board UARTs, USB adapters, USB modems (CDC ACM).
constexpr std::string_view kDevicePrefixes[] = {"ttyS", "ttyUSB", "ttyACM"};
// More modem entries than this are not looked for (a profile is small).
constexpr int kMaxModems = 64;

bool IsSerialName(const std::string& name) {
  for (std::string_view prefix : kDevicePrefixes) {
    if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
        std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                    [](char c) { return c >= '0' && c <= '9'; }))
      return true;
  }
  return false;
}

}  // namespace

std::vector<CSerialDeviceEntry> ListSerialDevices(const std::string& devRoot) {
  std::vector<CSerialDeviceEntry> byId;
  std::vector<CSerialDeviceEntry> plain;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(devRoot + "/serial/by-id", ec)) {
    std::error_code rc;
    const fs::path target = fs::canonical(e.path(), rc);
    if (!rc) byId.push_back({e.path().string(), target.string()});
  }
  for (const fs::directory_entry& e : fs::directory_iterator(devRoot, ec)) {
    if (IsSerialName(e.path().filename().string()))
      plain.push_back({e.path().string(), e.path().string()});
  }
  const auto byPath = [](const CSerialDeviceEntry& a, const CSerialDeviceEntry& b) {
    return a.path < b.path;
  };
  std::sort(byId.begin(), byId.end(), byPath);
  std::sort(plain.begin(), plain.end(), byPath);
  byId.insert(byId.end(), plain.begin(), plain.end());
  return byId;
}

std::string ComName(int portIndex) {
  return "COM" + std::to_string(portIndex + 1);
}

std::string ComDevicePath(const CProfile& profile, int portIndex) {
  const std::string fallback = "/dev/ttyS" + std::to_string(std::max(portIndex, 0));
  return profile.GetString(kSerialSection, ComName(portIndex), fallback);
}

std::vector<CModemEntry> ListModems(const CProfile& profile) {
  std::vector<CModemEntry> modems;
  for (int i = 1; i <= kMaxModems; ++i) {
    const std::string n = std::to_string(i);
    if (!profile.Has(kModemsSection, "Name" + n)) break;
    const int speed = profile.GetInt(kModemsSection, "Speed" + n, kDefaultModemSpeed);
    modems.push_back({profile.GetString(kModemsSection, "Name" + n, ""),
                      profile.GetString(kModemsSection, "Device" + n, ""),
                      profile.GetString(kModemsSection, "Init" + n, ""),
                      speed > 0 ? speed : kDefaultModemSpeed});
  }
  return modems;
}

bool WriteModem(CProfile& profile, size_t index, const CModemEntry& modem) {
  if (modem.name.empty() || index > ListModems(profile).size()) return false;
  const std::string n = std::to_string(index + 1);
  profile.BeginBatch();
  profile.WriteString(kModemsSection, "Name" + n, modem.name);
  profile.WriteString(kModemsSection, "Device" + n, modem.device);
  profile.WriteString(kModemsSection, "Init" + n, modem.init);
  profile.WriteInt(kModemsSection, "Speed" + n, modem.speed);
  return profile.EndBatch();
}

int FindOrAddModem(CProfile& profile, const std::string& device) {
  const std::vector<CModemEntry> modems = ListModems(profile);
  for (size_t i = 0; i < modems.size(); ++i)
    if (modems[i].device == device) return static_cast<int>(i);
  const std::string n = std::to_string(modems.size() + 1);
  profile.BeginBatch();
  profile.WriteString(kModemsSection, "Name" + n, device);
  profile.WriteString(kModemsSection, "Device" + n, device);
  profile.EndBatch();
  return static_cast<int>(modems.size());
}

}  // namespace ostrane::platform
