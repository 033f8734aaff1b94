#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "support/fake_tty_device.h"
#include "transport/serial_transport.h"
#include "transport/test_owner.h"

namespace ostrane {
namespace {

TEST(SerialTransportOnAFakeLine, BreakHoldsTheLineForHalfASecondOnlyWhileConnected) {
  auto device = std::make_unique<test::CFakeTtyDevice>();
  test::CFakeTtyDevice* fake = device.get();
  CConnectionSettings s;
  s.hostType = static_cast<int>(TransportKind::kSerial);
  s.devicePath = "fake";
  s.speed = 9600;
  s.dataLength = 8;
  s.parity = 3;  // mark
  CSerialTransport t(s, std::move(device));
  EXPECT_FALSE(t.SendBreak());
  test::CTestOwner owner;
  t.SetOwner(&owner);
  t.Start();
  for (int i = 0; i < 500 && t.State() != TransportState::kConnected; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(t.State(), TransportState::kConnected);
  EXPECT_EQ(fake->attributes.c_cflag & (PARENB | PARODD | CMSPAR),
            static_cast<tcflag_t>(PARENB | PARODD | CMSPAR));

  fake->ClearEvents();
  ASSERT_TRUE(t.SendBreak());
  const auto events = fake->Events();
  ASSERT_EQ(fake->EventNames(), (std::vector<std::string>{"break on", "break off"}));
  EXPECT_GE(events[1].at - events[0].at, std::chrono::milliseconds(500));

  // Space parity while connected; then Stop drops DTR.
  s.parity = 4;
  t.ConnectionSettingsChanged(s);
  EXPECT_EQ(fake->attributes.c_cflag & (PARENB | PARODD | CMSPAR),
            static_cast<tcflag_t>(PARENB | CMSPAR));
  fake->ClearEvents();
  t.Stop();
  EXPECT_EQ(fake->EventNames(), std::vector<std::string>{"DTR off"});
}

}  // namespace
}  // namespace ostrane
