// The modem's control lines, which a pseudo-terminal does not have: DTR held low to hang up (on
// Stop and after a failed dial) and the carrier-detect line ending a call, on a fake device
// with a scripted modem behind it.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "settings/message_texts.h"
#include "support/fake_tty_device.h"
#include "transport/modem_transport.h"
#include "transport/test_owner.h"

namespace ostrane {
namespace {

using namespace std::chrono_literals;
using test::CFakeTtyDevice;

// A modem that answers the dial with result and every other command with OK; it says nothing to
// the "+++" escape, as the escape's OK comes after a guard time.
std::string Answer(const std::string& written, const std::string& result) {
  if (written.find("ATDT") != std::string::npos) return "\r\n" + result + "\r\n";
  if (written.find('\r') != std::string::npos) return "\r\nOK\r\n";
  return {};
}

class ModemLinesTest : public testing::Test {
 protected:
  // Starts a dial of 5551000 through the fake; result is the modem's answer to it.
  void Dial(const std::string& result, int lineSpeed = 0) {
    auto device = std::make_unique<CFakeTtyDevice>();
    fake_ = device.get();
    fake_->carrierAtOpen = false;
    fake_->dtrHangsUp = dtrHangsUp_;
    fake_->hasModemLines = hasModemLines_;
    fake_->answer = [result](const std::string& w) { return Answer(w, result); };
    CConnectionSettings s;
    s.hostType = static_cast<int>(TransportKind::kModem);
    s.host = "5551000";
    s.modemDevice = "fake";
    s.modemSpeed = lineSpeed;
    transport_ = std::make_unique<CModemTransport>(s, std::move(device));
    transport_->SetOwner(&owner_);
    transport_->Start();
  }
  bool WaitConnected() {
    for (int i = 0; i < 500 && transport_->State() != TransportState::kConnected; ++i)
      std::this_thread::sleep_for(10ms);
    return transport_->State() == TransportState::kConnected;
  }
  // The time DTR was low for, from the first "DTR off" after the dial to the "DTR on" after it.
  std::chrono::steady_clock::duration DtrLowFor() const {
    const auto events = fake_->Events();
    for (size_t i = 2; i + 1 < events.size(); ++i)
      if (events[i].what == "DTR off" && events[i + 1].what == "DTR on")
        return events[i + 1].at - events[i].at;
    return {};
  }

  bool dtrHangsUp_ = true;
  bool hasModemLines_ = true;
  test::CTestOwner owner_;
  CFakeTtyDevice* fake_ = nullptr;
  std::unique_ptr<CModemTransport> transport_;
};

TEST_F(ModemLinesTest, AFailedDialHoldsDtrLowForASecondAndReleasesThePort) {
  Dial("BUSY");
  ASSERT_TRUE(owner_.WaitEnded(10000));
  EXPECT_EQ(owner_.Received(), "Dialing...\r\nBusy");
  EXPECT_EQ(owner_.Messages(), std::vector<int>{Msg::kCannotConnect});
  EXPECT_EQ(fake_->EventNames(),
            (std::vector<std::string>{"DTR on", "RTS on", "DTR off", "DTR on", "DTR off"}));
  EXPECT_GE(DtrLowFor(), 1s);
  EXPECT_EQ(fake_->Closes(), 1);
  // The carrier stayed low, so DTR was enough: no words after the dial.
  EXPECT_EQ(fake_->Written(), "ATDT5551000\r");
}

TEST_F(ModemLinesTest, StopHangsUpWithDtrWhenTheCarrierFollowsIt) {
  Dial("CONNECT 9600", 57600);
  ASSERT_TRUE(WaitConnected());
  // The line to the modem runs at its entry's rate.
  EXPECT_EQ(cfgetospeed(&fake_->attributes), static_cast<speed_t>(B57600));
  fake_->ClearEvents();
  transport_->Stop();
  EXPECT_EQ(transport_->State(), TransportState::kClosed);
  EXPECT_EQ(fake_->EventNames(), (std::vector<std::string>{"DTR off", "DTR on", "DTR off"}));
  const auto events = fake_->Events();
  EXPECT_GE(events[1].at - events[0].at, 1s);
  EXPECT_EQ(fake_->Written(), "ATDT5551000\r");
  EXPECT_TRUE(owner_.Messages().empty());
}

TEST_F(ModemLinesTest, AModemThatIgnoresDtrIsToldToHangUpAfterTheEscape) {
  dtrHangsUp_ = false;
  Dial("CONNECT 9600");
  ASSERT_TRUE(WaitConnected());
  EXPECT_EQ(cfgetospeed(&fake_->attributes), static_cast<speed_t>(B115200));
  transport_->Stop();
  EXPECT_GE(DtrLowFor(), 1s);
  EXPECT_EQ(fake_->Written(), "ATDT5551000\r+++ATH0\r");
}

TEST_F(ModemLinesTest, LossOfCarrierEndsTheCallButTheWordsNoCarrierFromTheHostDoNot) {
  Dial("CONNECT 9600");
  ASSERT_TRUE(WaitConnected());
  // With a carrier line, text is the host's: a host may well print these words.
  fake_->Push("\r\nNO CARRIER\r\n");
  std::this_thread::sleep_for(kCarrierPoll * 2 + 200ms);
  EXPECT_EQ(transport_->State(), TransportState::kConnected);
  EXPECT_NE(owner_.Received().find("NO CARRIER"), std::string::npos);

  fake_->SetCarrier(false);
  ASSERT_TRUE(owner_.WaitEnded(kCarrierPoll.count() * 4));
  EXPECT_TRUE(owner_.Messages().empty());
}

TEST_F(ModemLinesTest, WithoutACarrierLineTheModemsNoCarrierEndsTheCall) {
  hasModemLines_ = false;
  Dial("CONNECT 9600");
  ASSERT_TRUE(WaitConnected());
  fake_->Push("last words\r\nNO CARRIER\r\n");
  ASSERT_TRUE(owner_.WaitEnded(5000));
  EXPECT_NE(owner_.Received().find("Connected.\r\nlast words\r\nNO CARRIER"), std::string::npos)
      << owner_.Received();
  // Without lines the hang-up is in words; the escape is harmless to a modem that already
  // dropped the call.
  EXPECT_NE(fake_->Written().find("ATH0\r"), std::string::npos);
}

}  // namespace
}  // namespace ostrane
