#include "platform/serial_devices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/test_folder.h"

namespace ostrane::platform {
namespace {

namespace fs = std::filesystem;

TEST(SerialDevices, ListsPortsByIdFirstAndSkipsOtherDevices) {
  const fs::path dev = test::FreshTestFolder();
  for (const char* name : {"ttyS1", "ttyS0", "ttyUSB0", "ttyACM3", "tty1", "ttyUSB", "ttyUSBx"})
    std::ofstream(dev / name).put('\0');
  fs::create_directories(dev / "serial/by-id");
  fs::create_symlink(dev / "ttyUSB0", dev / "serial/by-id/usb-Adapter_7-if00-port0");
  std::vector<std::string> paths;
  for (const CSerialDeviceEntry& e : ListSerialDevices(dev.string())) paths.push_back(e.path);
  const std::string root = dev.string() + "/";
  EXPECT_EQ(paths, (std::vector<std::string>{root + "serial/by-id/usb-Adapter_7-if00-port0",
                                             root + "ttyACM3", root + "ttyS0", root + "ttyS1",
                                             root + "ttyUSB0"}));
  EXPECT_EQ(ListSerialDevices(dev.string()).front().resolved, root + "ttyUSB0");
}

TEST(SerialDevices, ModemEntriesKeepTheirLineRateAndTheListHasNoGaps) {
  CProfile profile((test::FreshTestFolder() / "ostrane.ini").string());
  EXPECT_EQ(FindOrAddModem(profile, "/dev/ttyACM0"), 0);
  EXPECT_EQ(FindOrAddModem(profile, "/dev/ttyACM0"), 0);
  ASSERT_TRUE(WriteModem(profile, 1, {"Spare", "/dev/ttyUSB1", "ATZ", 57600}));
  // Past the end would leave a gap that hides the entry; a nameless one would end the list.
  EXPECT_FALSE(WriteModem(profile, 3, {"Far", "/dev/ttyS3", "", 9600}));
  EXPECT_FALSE(WriteModem(profile, 0, {"", "/dev/ttyS3", "", 9600}));

  CProfile reread(profile.Path());
  const std::vector<CModemEntry> modems = ListModems(reread);
  ASSERT_EQ(modems.size(), 2u);
  EXPECT_EQ(modems[0].name, "/dev/ttyACM0");
  EXPECT_EQ(modems[0].speed, kDefaultModemSpeed);
  EXPECT_EQ(modems[1].name, "Spare");
  EXPECT_EQ(modems[1].init, "ATZ");
  EXPECT_EQ(modems[1].speed, 57600);
}

}  // namespace
}  // namespace ostrane::platform
