#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "emulator/screen_buffer.h"
#include "peers/serial_peer.h"
#include "platform/profile.h"
#include "session/screen_json.h"
#include "session/transport_factory.h"
#include "session/vt420_doc.h"
#include "settings/settings_set.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

class SerialSession : public ::testing::Test {
 protected:
  bool WaitState(TransportState state) {
    for (int i = 0; i < 2500 && doc_.ConnectionState() != state; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return doc_.ConnectionState() == state;
  }
  std::string Row(int row) {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const auto line = doc_.Terminal().Screen().GetPageRow(row);
    return line ? LineToText(*line, doc_.Settings().Int(S::Columns)) : std::string();
  }
  CVT420Doc doc_;
};

TEST_F(SerialSession, ASerialSessionShowsWhatTheLineBringsAndSendsWhatIsTyped) {
  const auto dir = test::FreshTestFolder();
  test::CPtyPair pair(dir / "ttyA", dir / "ttyB");
  ASSERT_TRUE(pair.Ready());
  test::CRawEnd far(pair.B());
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    doc_.Settings().SetInt(S::HostType, 1);
    doc_.Settings().SetStr(S::HostName, pair.A().string());
    doc_.Settings().SetInt(S::Speed, 38400);
  }
  ASSERT_TRUE(doc_.StartNewSession());
  ASSERT_TRUE(WaitState(TransportState::kConnected));
  ASSERT_TRUE(far.WriteAll("from the line"));
  for (int i = 0; i < 500 && Row(0).rfind("from the line", 0) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Row(0).substr(0, 13), "from the line");
  const std::string typed = "typed";
  ASSERT_TRUE(doc_.Send(reinterpret_cast<const uint8_t*>(typed.data()), typed.size()));
  EXPECT_EQ(far.Read(typed.size()), typed);
  // The session lets go of the line before the pair goes.
  doc_.QueryDisconnect(false);
}

TEST(SerialSettings, DevicesComeFromTheHostNameOrTheProfileMaps) {
  const auto dir = test::FreshTestFolder();
  CProfile profile((dir / "ostrane.ini").string());
  profile.WriteString("Serial", "COM3", "/dev/serial/by-id/usb-adapter");
  profile.WriteString("Modems", "Name1", "Desk modem");
  profile.WriteString("Modems", "Device1", "/dev/ttyACM0");
  profile.WriteString("Modems", "Init1", "ATZ");
  CSettingsSet s;
  s.SetInt(S::HostType, 1);
  s.SetInt(S::Port, 2);
  EXPECT_EQ(ConnectionSettingsFrom(s, profile).devicePath, "/dev/serial/by-id/usb-adapter");
  s.SetInt(S::Port, 0);
  EXPECT_EQ(ConnectionSettingsFrom(s, profile).devicePath, "/dev/ttyS0");
  s.SetStr(S::HostName, "/dev/ttyUSB1");
  EXPECT_EQ(ConnectionSettingsFrom(s, profile).devicePath, "/dev/ttyUSB1");

  s.SetInt(S::HostType, 3);
  s.SetStr(S::HostName, "555 1000");
  const CConnectionSettings modem = ConnectionSettingsFrom(s, profile);
  EXPECT_EQ(modem.modemDevice, "/dev/ttyACM0");
  EXPECT_EQ(modem.modemInit, "ATZ");
  s.SetInt(S::Port, 1);
  EXPECT_EQ(ConnectionSettingsFrom(s, profile).modemDevice, "");
}

}  // namespace
}  // namespace ostrane
