#include "transport/modem_transport.h"

#include <gtest/gtest.h>

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

using test::CHayesPeer;
using test::CPtyPair;
using test::CTestOwner;

class ModemTransportTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::FreshTestFolder();
    pair_ = std::make_unique<CPtyPair>(dir_ / "modem", dir_ / "line");
    ASSERT_TRUE(pair_->Ready());
  }
  // Starts the simulator with the phone book.
  void StartModem(const std::vector<std::string>& book) {
    modem_ = std::make_unique<CHayesPeer>(pair_->B(), dir_ / "modem.log", book);
    ASSERT_TRUE(modem_->WaitLog("READY"));
  }
  CConnectionSettings Call(const std::string& number, const std::string& init = "") {
    CConnectionSettings s;
    s.hostType = static_cast<int>(TransportKind::kModem);
    s.host = number;
    s.modemDevice = pair_->A().string();
    s.modemInit = init;
    return s;
  }
  // Dials and waits for the end; what the screen got.
  std::string FailedDial(const CConnectionSettings& s, CTestOwner& owner) {
    CModemTransport t(s);
    t.SetOwner(&owner);
    t.Start();
    EXPECT_TRUE(owner.WaitEnded(20000));
    EXPECT_EQ(owner.Messages(), std::vector<int>{Msg::kCannotConnect});
    return owner.Received();
  }

  // Waits until the screen has received text.
  static bool WaitText(CTestOwner& owner, const std::string& text, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (owner.Received().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  static bool Type(CModemTransport& t, const std::string& text) {
    return t.Send(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }

  std::filesystem::path dir_;
  std::unique_ptr<CPtyPair> pair_;
  std::unique_ptr<CHayesPeer> modem_;
};

TEST_F(ModemTransportTest, EachFailureResultEndsTheDialWithItsOwnText) {
  StartModem({"5552000=BUSY", "5553000=NO CARRIER", "5554000=NO ANSWER", "5555000=NO DIALTONE"});
  struct Case {
    const char* typed;
    const char* dialled;
    const char* shown;
  };
  // Typed numbers are cleaned of blanks, brackets, dashes and dots.
  const Case cases[] = {
      {"(555) 2000", "5552000", "Dialing...\r\nBusy"},
      {"555-3000", "5553000", "Dialing...\r\nNo carrier"},
      {"555.4000", "5554000", "Dialing...\r\nNo answer"},
      {"5555000", "5555000", "Dialing...\r\nNo dial tone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    CTestOwner owner;
    EXPECT_EQ(FailedDial(Call(c.typed), owner), c.shown);
    EXPECT_TRUE(modem_->WaitLog(std::string("DIAL ") + c.dialled));
  }
  // The modem's own words never reach the screen.
  EXPECT_TRUE(modem_->WaitLog("CMD ATH0"));
}

TEST_F(ModemTransportTest, NumericResultsAfterATV0AreUnderstood) {
  StartModem({"5552000=BUSY", "5554000=NO ANSWER"});
  CTestOwner busy;
  EXPECT_EQ(FailedDial(Call("5552000", "ATV0"), busy), "Dialing...\r\nBusy");
  CTestOwner noAnswer;
  EXPECT_EQ(FailedDial(Call("5554000", "ATE0V0"), noAnswer), "Dialing...\r\nNo answer");
}

TEST_F(ModemTransportTest, ARefusedInitStringOrANumberWithCommandsIsNotDialled) {
  StartModem({"5552000=BUSY"});
  CTestOwner refused;
  EXPECT_EQ(FailedDial(Call("5552000", "ATY9"), refused),
            "Dialing...\r\nThe modem refused the command.");
  CTestOwner injected;
  EXPECT_EQ(FailedDial(Call("5552000;ATH1&W"), injected), "Dialing...\r\nInvalid dialing address.");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(modem_->Log().find("DIAL"), std::string::npos);
}

TEST_F(ModemTransportTest, AConnectedCallCarriesTheHostAndStopHangsUp) {
  // The far side: a plain TCP service that answers what it is sent, behind the modem.
  const int port = test::UnusedPort();
  test::CPeerProcess service(
      {"/usr/bin/socat", "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork",
       "SYSTEM:echo welcome; exec cat"});
  ASSERT_TRUE(test::WaitForPort(port));
  StartModem({"5551000=127.0.0.1:" + std::to_string(port)});
  CTestOwner owner;
  CModemTransport t(Call("555 1000"));
  t.SetOwner(&owner);
  t.Start();
  ASSERT_TRUE(
      owner.WaitReceived(std::string("Dialing...\r\nRingback\n\rConnected.\r\nwelcome\n").size()));
  EXPECT_EQ(owner.Received(), "Dialing...\r\nRingback\n\rConnected.\r\nwelcome\n");
  EXPECT_EQ(t.GetDisplayName(), "Phone# 555 1000");

  const std::string line = "typed text\n";
  const size_t before = owner.Received().size();
  ASSERT_TRUE(t.Send(reinterpret_cast<const uint8_t*>(line.data()), line.size()));
  ASSERT_TRUE(owner.WaitReceived(before + line.size()));
  EXPECT_EQ(owner.Received().substr(before), line);

  // The pty has no DTR, so the modem is told in words, after the escape.
  t.Stop();
  EXPECT_TRUE(modem_->WaitLog("ESCAPE"));
  EXPECT_TRUE(modem_->WaitLog("HANGUP ATH0"));
  EXPECT_EQ(owner.Ended(), 1);
}

// A dial-up host: the system's own login program on a pty behind the modem. The user types the
// name and password, reaches a shell, and logging out hangs the call up from the far side.
TEST_F(ModemTransportTest, ADialUpCallLogsInToARealLoginService) {
  ASSERT_TRUE(test::EnsureTestUser());
  const test::CLoginService host;
  ASSERT_TRUE(host.Ready());
  StartModem({host.BookEntry("5551000")});
  CTestOwner owner;
  CModemTransport t(Call("555-1000", "ATZ"));
  t.SetOwner(&owner);
  t.Start();
  ASSERT_TRUE(WaitText(owner, "login: ")) << owner.Received();
  EXPECT_EQ(owner.Received().rfind("Dialing...\r\nRingback\n\rConnected.\r\n", 0), 0u)
      << owner.Received();
  ASSERT_TRUE(Type(t, std::string(test::kTestUser) + "\r"));
  ASSERT_TRUE(WaitText(owner, "Password: ")) << owner.Received();
  ASSERT_TRUE(Type(t, std::string(test::kTestPassword) + "\r"));
  ASSERT_TRUE(WaitText(owner, "$ ")) << owner.Received();
  ASSERT_TRUE(Type(t, "echo logged-in-as-$(id -un)-$((6*7))\r"));
  ASSERT_TRUE(WaitText(owner, std::string("logged-in-as-") + test::kTestUser + "-42"))
      << owner.Received();
  // The password was typed without an echo; the modem's words never reach the screen.
  EXPECT_EQ(owner.Received().find(test::kTestPassword), std::string::npos);
  EXPECT_EQ(owner.Received().find("CONNECT"), std::string::npos);
  EXPECT_EQ(owner.Received().find("ATDT"), std::string::npos);

  ASSERT_TRUE(Type(t, "exit\r"));
  ASSERT_TRUE(owner.WaitEnded(20000)) << owner.Received();
  EXPECT_TRUE(modem_->WaitLog("HANGUP REMOTE"));
  EXPECT_TRUE(owner.Messages().empty());
}

TEST_F(ModemTransportTest, NoCarrierFromTheModemEndsAConnectedCall) {
  const int port = test::UnusedPort();
  test::CPeerProcess service(
      {"/usr/bin/socat", "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork",
       "SYSTEM:echo bye"});
  ASSERT_TRUE(test::WaitForPort(port));
  StartModem({"5551000=127.0.0.1:" + std::to_string(port)});
  CTestOwner owner;
  CModemTransport t(Call("5551000"));
  t.SetOwner(&owner);
  t.Start();
  ASSERT_TRUE(owner.WaitEnded(20000));
  EXPECT_NE(owner.Received().find("Connected.\r\nbye\n"), std::string::npos)
      << owner.Received() << modem_->Log();
  EXPECT_NE(owner.Received().find("NO CARRIER"), std::string::npos);
  // The far side hung up: no failure to connect is reported.
  EXPECT_TRUE(owner.Messages().empty());
}

TEST_F(ModemTransportTest, StopDuringTheDialEndsItAtOnceAndWithoutAFailureText) {
  // A number the modem never gives a result for: the dial waits until Stop.
  StartModem({"5559999=SILENT"});
  CTestOwner owner;
  CModemTransport t(Call("5559999"));
  t.SetOwner(&owner);
  t.Start();
  ASSERT_TRUE(modem_->WaitLog("DIAL 5559999"));
  t.Stop();
  EXPECT_EQ(t.State(), TransportState::kClosed);
  EXPECT_EQ(owner.Received(), "Dialing...");
  EXPECT_TRUE(owner.Messages().empty());
  // The dial in progress is ended by a character, then the modem is told to hang up.
  EXPECT_TRUE(modem_->WaitLog("CMD ATH0"));
}

TEST_F(ModemTransportTest, WritesAndBreakBeforeTheCallConnectsFail) {
  CModemTransport t(Call("5551000"));
  const uint8_t byte = 'x';
  EXPECT_FALSE(t.Write(&byte, 1, SendWait::kNever));
  EXPECT_FALSE(t.SendBreak());
}

TEST_F(ModemTransportTest, AMissingModemIsReported) {
  CTestOwner owner;
  CConnectionSettings s = Call("5551000");
  s.modemDevice = (dir_ / "no-modem").string();
  EXPECT_EQ(FailedDial(s, owner), "Dialing...\r\nModem not available.");
}

}  // namespace
}  // namespace ostrane
