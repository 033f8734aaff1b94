#include "transport/serial_transport.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "peers/serial_peer.h"
#include "settings/message_texts.h"
#include "support/test_folder.h"
#include "transport/test_owner.h"

namespace ostrane {
namespace {

using test::CPtyPair;
using test::CRawEnd;
using test::CTestOwner;
using test::FreshTestFolder;

CConnectionSettings SerialSettings(const std::filesystem::path& device, int speed = 115200) {
  CConnectionSettings s;
  s.hostType = static_cast<int>(TransportKind::kSerial);
  s.host = device.string();
  s.devicePath = device.string();
  s.speed = speed;
  s.dataLength = 8;
  return s;
}

bool WaitConnected(const CTransport& t) {
  for (int i = 0; i < 500 && t.State() == TransportState::kConnecting; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return t.State() == TransportState::kConnected;
}

termios ReadBack(const std::filesystem::path& device) {
  termios t{};
  const int fd = open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  EXPECT_GE(fd, 0);
  tcgetattr(fd, &t);
  close(fd);
  return t;
}

class SerialTransportTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = FreshTestFolder();
    pair_ = std::make_unique<CPtyPair>(dir_ / "ttyA", dir_ / "ttyB");
    ASSERT_TRUE(pair_->Ready());
  }
  std::filesystem::path dir_;
  std::unique_ptr<CPtyPair> pair_;
};

TEST_F(SerialTransportTest, EveryByteValueCrossesTheLineBothWaysUnchanged) {
  CRawEnd far(pair_->B());
  ASSERT_TRUE(far.Ok());
  CTestOwner owner;
  CSerialTransport t(SerialSettings(pair_->A()));
  t.SetOwner(&owner);
  t.Start();
  ASSERT_TRUE(WaitConnected(t));
  EXPECT_EQ(t.GetDisplayName(), pair_->A().string());

  // Every value, CR, LF, XON, XOFF, DEL and 0xFF among them, twice, so that a translation or
  // a flow-control character eaten on the way shows.
  std::string all;
  for (int round = 0; round < 2; ++round)
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  ASSERT_TRUE(t.Send(reinterpret_cast<const uint8_t*>(all.data()), all.size()));
  EXPECT_EQ(far.Read(all.size()), all);

  ASSERT_TRUE(far.WriteAll(all));
  ASSERT_TRUE(owner.WaitReceived(all.size()));
  EXPECT_EQ(owner.Received(), all);
  t.Stop();
  EXPECT_EQ(owner.Ended(), 1);
  EXPECT_TRUE(owner.Messages().empty());
}

TEST_F(SerialTransportTest, LineSettingsAreAppliedAtOpenAndChangedWhileConnected) {
  CTestOwner owner;
  CConnectionSettings s = SerialSettings(pair_->A(), 1200);
  s.stopBits = 2;
  s.flowControl = 1;
  CSerialTransport t(s);
  t.SetOwner(&owner);
  t.Start();
  ASSERT_TRUE(WaitConnected(t));
  termios got = ReadBack(pair_->A());
  EXPECT_EQ(cfgetospeed(&got), B1200);
  EXPECT_EQ(got.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_NE(got.c_cflag & CSTOPB, 0u);
  EXPECT_NE(got.c_iflag & IXON, 0u);
  EXPECT_NE(got.c_cflag & CLOCAL, 0u);
  EXPECT_EQ(got.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(got.c_oflag & OPOST, 0u);

  // A new rate, one stop bit and hardware flow control take effect without a new connection.
  s.speed = 4000000;
  s.stopBits = 0;
  s.flowControl = 2;
  t.ConnectionSettingsChanged(s);
  got = ReadBack(pair_->A());
  EXPECT_EQ(cfgetospeed(&got), B4000000);
  EXPECT_EQ(got.c_cflag & CSTOPB, 0u);
  EXPECT_NE(got.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(got.c_iflag & (IXON | IXOFF), 0u);
  EXPECT_EQ(t.State(), TransportState::kConnected);
  EXPECT_TRUE(owner.Messages().empty());

  // Another device needs a new connection.
  s.devicePath = pair_->B().string();
  t.ConnectionSettingsChanged(s);
  EXPECT_EQ(owner.Messages(), std::vector<int>{Msg::kRestartNeeded});
}

TEST_F(SerialTransportTest, RefusedSettingsFailTheOpenWithAReasonAndReleaseThePort) {
  for (int speed : {0, 12345}) {
    CTestOwner owner;
    CSerialTransport t(SerialSettings(pair_->A(), speed));
    t.SetOwner(&owner);
    t.Start();
    ASSERT_TRUE(owner.WaitEnded());
    EXPECT_NE(owner.Received().find("cannot run at " + std::to_string(speed) + " baud"),
              std::string::npos);
    EXPECT_EQ(owner.Messages(), std::vector<int>{Msg::kCannotConnect});
  }
  CTestOwner owner;
  CConnectionSettings s = SerialSettings(pair_->A());
  s.stopBits = 1;
  CSerialTransport oneAndHalf(s);
  oneAndHalf.SetOwner(&owner);
  oneAndHalf.Start();
  ASSERT_TRUE(owner.WaitEnded());
  EXPECT_NE(owner.Received().find("1.5 stop bits"), std::string::npos);

  // Nothing of the failed opens holds the port.
  CSerialTransport good(SerialSettings(pair_->A()));
  good.Start();
  EXPECT_TRUE(WaitConnected(good));
}

TEST_F(SerialTransportTest, ASecondSessionOnTheSameDeviceIsRefused) {
  CTestOwner first, second;
  CSerialTransport a(SerialSettings(pair_->A()));
  a.SetOwner(&first);
  a.Start();
  ASSERT_TRUE(WaitConnected(a));
  CSerialTransport b(SerialSettings(pair_->A()));
  b.SetOwner(&second);
  b.Start();
  ASSERT_TRUE(second.WaitEnded());
  EXPECT_NE(second.Received().find("is in use"), std::string::npos);
  EXPECT_EQ(second.Messages(), std::vector<int>{Msg::kCannotConnect});
  EXPECT_EQ(a.State(), TransportState::kConnected);

  // Once the first lets go, the device can be had again.
  a.Stop();
  CSerialTransport c(SerialSettings(pair_->A()));
  c.Start();
  EXPECT_TRUE(WaitConnected(c));
}

TEST_F(SerialTransportTest, AMissingDeviceFailsTheOpen) {
  CTestOwner owner;
  CSerialTransport t(SerialSettings(dir_ / "nothing"));
  t.SetOwner(&owner);
  t.Start();
  ASSERT_TRUE(owner.WaitEnded());
  EXPECT_NE(owner.Received().find("does not exist"), std::string::npos);
  EXPECT_EQ(owner.Messages(), std::vector<int>{Msg::kCannotConnect});
}

TEST_F(SerialTransportTest, AnUnpluggedAdapterIsWaitedForAndReconnectedUnderItsByIdName) {
  // A by-id style link that a second pty pair takes over, as an adapter plugged in again.
  const std::filesystem::path byId = dir_ / "usb-Ostrane_Serial_0001-if00-port0";
  auto cable = std::make_unique<CPtyPair>(byId, dir_ / "far1");
  ASSERT_TRUE(cable->Ready());
  CTestOwner owner;
  CSerialTransport t(SerialSettings(byId));
  t.SetOwner(&owner);
  t.Start();
  ASSERT_TRUE(WaitConnected(t));

  cable.reset();
  ASSERT_TRUE(owner.WaitReceived(1));
  EXPECT_NE(owner.Received().find("is gone"), std::string::npos);
  EXPECT_EQ(t.State(), TransportState::kConnected);
  EXPECT_TRUE(owner.Messages().empty());

  const auto plugged = std::chrono::steady_clock::now();
  cable = std::make_unique<CPtyPair>(byId, dir_ / "far2");
  ASSERT_TRUE(cable->Ready());
  const size_t before = owner.Received().size();
  ASSERT_TRUE(owner.WaitReceived(before + 1, 2000));
  EXPECT_LT(std::chrono::steady_clock::now() - plugged, std::chrono::seconds(2));
  EXPECT_NE(owner.Received().find("is back"), std::string::npos);

  CRawEnd far(cable->B());
  const std::string hello = "after the replug";
  ASSERT_TRUE(t.Send(reinterpret_cast<const uint8_t*>(hello.data()), hello.size()));
  EXPECT_EQ(far.Read(hello.size()), hello);

  // Stop also ends a wait for a device that is gone.
  cable.reset();
  ASSERT_TRUE(test::WaitForPath(byId, false));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  t.Stop();
  EXPECT_EQ(t.State(), TransportState::kClosed);
}

TEST_F(SerialTransportTest, BreakAndWritesBeforeConnectingDoNothing) {
  CSerialTransport t(SerialSettings(pair_->A()));
  EXPECT_FALSE(t.SendBreak());
  const uint8_t byte = 'x';
  EXPECT_FALSE(t.Write(&byte, 1, SendWait::kNever));
}

}  // namespace
}  // namespace ostrane
