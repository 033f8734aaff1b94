// Which serial devices exist, the COMn names the settings use for them, and the modems the
// user set up. The profile keeps both: [Serial] maps COMn to a device (COM1=/dev/ttyUSB0;
// without an entry COMn is /dev/ttyS<n-1>), and [Modems] lists modems as numbered entries
// Name1, Device1, Init1, Speed1, Name2, ... up to the first missing name.
#pragma once

#include <string>
#include <vector>

#include "platform/profile.h"

namespace ostrane::platform {

struct CSerialDeviceEntry {
  std::string path;      // /dev/ttyUSB0, or the /dev/serial/by-id link for a USB adapter
  std::string resolved;  // the device the path leads to (the same as path for a plain device)
};

// ttyS*, ttyUSB* and ttyACM* under devRoot, and the links under devRoot/serial/by-id, which keep
// their name when an adapter is plugged in again; sorted, by-id links first.
std::vector<CSerialDeviceEntry> ListSerialDevices(const std::string& devRoot = "/dev");

// The device of port index n (COM(n+1)).
std::string ComDevicePath(const CProfile& profile, int portIndex);
// "COM(n+1)".
std::string ComName(int portIndex);

// The rate of the line to a modem unless its entry names another.
inline constexpr int kDefaultModemSpeed = 115200;

struct CModemEntry {
  std::string name;
  std::string device;
  std::string init;  // AT commands sent before dialling; empty for none
  int speed = kDefaultModemSpeed;
};

std::vector<CModemEntry> ListModems(const CProfile& profile);
// Replaces entry index (from 0), or adds one when index is the number of entries. False for an
// index beyond that or an entry without a name (which would end the list).
bool WriteModem(CProfile& profile, size_t index, const CModemEntry& modem);
// The index of the modem on device, added (named after the device) when there is none.
int FindOrAddModem(CProfile& profile, const std::string& device);

}  // namespace ostrane::platform
