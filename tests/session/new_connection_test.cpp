#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "session/mru_list.h"
#include "session/new_connection_rules.h"
#include "session/settings_edit.h"

namespace ostrane {
namespace {

class NewConnection : public testing::Test {
 protected:
  void SetUp() override {
    const auto dir = std::filesystem::path(std::getenv("OSTRANE_HOME")) /
                     testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir);
    profile_ = std::make_unique<CProfile>((dir / "ostrane.ini").string());
  }
  NewConnectionValues Values(const char* kind) {
    NewConnectionValues v = NewConnectionValues::Load(*profile_);
    for (int i = 0; i < kConnectionKindListSize; ++i)
      if (std::string(kConnectionKindList[i]) == kind) v.kindListIndex = i;
    return v;
  }
  std::string Accept(const NewConnectionValues& v) {
    return AcceptNewConnection(v, settings_, *profile_);
  }
  // Accepted and then connected: the host is remembered.
  std::string Connect(const NewConnectionValues& v) {
    std::string error = Accept(v);
    if (error.empty())
      if (const auto host = HostToRemember(v)) RememberHost(*profile_, *host);
    return error;
  }
  std::unique_ptr<CProfile> profile_;
  CSettingsSet settings_;
};

TEST_F(NewConnection, PortTableAndDigits) {
  EXPECT_EQ(PortFromText("ssh"), 22);
  EXPECT_EQ(PortFromText("SSH"), 22);
  EXPECT_EQ(PortFromText("finger"), 79);
  EXPECT_EQ(PortFromText("Systat"), 11);
  EXPECT_EQ(PortFromText("echo"), 7);
  EXPECT_EQ(PortFromText("0023"), 23);
  EXPECT_EQ(PortFromText(""), 0);
  EXPECT_EQ(PortFromText("abc"), std::nullopt);
  EXPECT_EQ(PortFromText("23 "), std::nullopt);
  EXPECT_EQ(PortFromText("65535"), 65535);
  EXPECT_EQ(PortFromText("65536"), std::nullopt);
  EXPECT_EQ(PortToText(23), "Telnet");
  EXPECT_EQ(PortToText(22), "SSH");
  EXPECT_EQ(PortToText(2323), "2323");
}

TEST_F(NewConnection, StartValuesComeFromDefaultsThenTheProfile) {
  NewConnectionValues v = NewConnectionValues::Load(*profile_);
  EXPECT_EQ(v.kindListIndex, 0);
  EXPECT_EQ(v.telnetPort, "Telnet");
  EXPECT_EQ(v.sshPort, "SSH");
  EXPECT_EQ(v.commPort, "COM1");
  EXPECT_EQ(v.baudRate, "9600");
  EXPECT_EQ(std::string(kDataLengthChoices[v.dataLengthIndex]), "8");
  profile_->WriteInt("Transport", "Type", 4);
  profile_->WriteInt("Transport", "Parity", 99);  // out of the list: clamped
  v = NewConnectionValues::Load(*profile_);
  EXPECT_EQ(v.kindListIndex, 4);
  EXPECT_EQ(v.parityIndex, 4);
}

TEST_F(NewConnection, TelnetChecksHostAndPortThenStoresAndRemembers) {
  auto v = Values("Telnet");
  v.telnetHost = "";
  EXPECT_EQ(Accept(v), kTextNoHost);
  v.telnetHost = "alpha";
  for (const char* bad : {"", "abc", "0", "0000"}) {
    v.telnetPort = bad;
    EXPECT_EQ(Accept(v), kTextBadTelnetPort) << bad;
  }
  EXPECT_EQ(settings_.Str(S::HostName), "");  // nothing stored by a failed check
  EXPECT_FALSE(profile_->Has("Transport", "Type"));
  v.telnetPort = "0023";
  settings_.SetStr(S::Proxy, "leftover");
  EXPECT_EQ(Accept(v), "");
  EXPECT_EQ(settings_.Str(S::HostName), "alpha");
  EXPECT_EQ(settings_.Int(S::Port), 23);
  EXPECT_EQ(settings_.Int(S::HostType), 0);
  EXPECT_EQ(settings_.Str(S::Proxy), "");  // a plain Telnet session goes direct
  EXPECT_EQ(profile_->GetString("Transport", "TelnetPort", ""), "0023");
  // Accepting alone remembers nothing: a host that never answers is not offered again.
  EXPECT_TRUE(CMruList::Read(*profile_, kHostMruSection).empty());
  EXPECT_EQ(profile_->GetInt("Transport", "Type", -1), 0);
  // The same host twice keeps one entry, first; the next dialog starts with it.
  v.telnetHost = "beta";
  Connect(v);
  v.telnetHost = "alpha";
  Connect(v);
  EXPECT_EQ(CMruList::Read(*profile_, kHostMruSection),
            (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(NewConnectionValues::Load(*profile_).telnetHost, "alpha");
}

TEST_F(NewConnection, ProxyNeedsBothHostsAndTwoGoodPorts) {
  auto v = Values("Telnet Proxy");
  v.proxyPageHost = "dest";
  EXPECT_EQ(Accept(v), kTextNoProxyHost);
  v.proxyHost = "gate";
  v.proxyPort = "x";
  EXPECT_EQ(Accept(v), kTextBadTelnetPort);
  v.proxyPort = "8023";
  v.proxyPagePort = "Echo";
  EXPECT_EQ(Accept(v), "");
  EXPECT_EQ(settings_.Str(S::HostName), "dest");
  EXPECT_EQ(settings_.Str(S::Proxy), "gate");
  EXPECT_EQ(settings_.Int(S::Port), 7);
  EXPECT_EQ(settings_.Int(S::Speed), 8023);
  EXPECT_EQ(settings_.Int(S::HostType), 0);
  EXPECT_EQ(profile_->GetString("Transport", "Proxy", ""), "gate");
  EXPECT_EQ(profile_->GetString("Transport", "ProxyPort", ""), "8023");
  EXPECT_EQ(profile_->GetInt("Transport", "Type", -1), 3);
}

TEST_F(NewConnection, SerialPortNamesBaudRatesAndListIndexes) {
  auto v = Values("Serial");

  for (const char* bad : {"COM", "COM0", "LPT1", "COM1x", "COM99999999999", "/", "/dev/tty S0",
                          "dev/ttyS0", "/dev/"}) {
    v.commPort = bad;
    EXPECT_EQ(Accept(v), kTextBadCommPort) << bad;
  }
  EXPECT_EQ(settings_.Int(S::HostType), 0) << "a refused page stores nothing";
  v.commPort = "com3";
  v.baudRate = "-1";
  EXPECT_EQ(Accept(v), kTextBadBaudRate);
  v.baudRate = "19200";
  v.parityIndex = 1;  // "Even"
  v.dataLengthIndex = 0;
  v.stopBitsIndex = 1;
  v.flowControlIndex = 2;
  settings_.SetStr(S::HostName, "/dev/ttyUSB7");  // left by a template
  EXPECT_EQ(Accept(v), "");
  EXPECT_EQ(settings_.Int(S::HostType), 1);
  EXPECT_EQ(settings_.Int(S::Port), 2);
  EXPECT_EQ(settings_.Str(S::HostName), "") << "a COM name must not open an older path";
  EXPECT_EQ(settings_.Int(S::Speed), 19200);
  EXPECT_EQ(settings_.Int(S::Parity), 2);
  EXPECT_EQ(settings_.Int(S::DataLength), 5);
  EXPECT_EQ(settings_.Int(S::StopBits), 2);
  EXPECT_EQ(settings_.Int(S::FlowControl), 2);
  EXPECT_EQ(profile_->GetString("Transport", "CommPort", ""), "com3");
  EXPECT_EQ(profile_->GetInt("Transport", "Parity", -1), 1);
  v.parityIndex = 2;  // "Odd"
  EXPECT_EQ(Accept(v), "");
  EXPECT_EQ(settings_.Int(S::Parity), 1);
  // A rate of 0 (or no digits) would hang the line up.
  v.baudRate = "fast";
  EXPECT_EQ(Accept(v), kTextBadBaudRate);
}

TEST_F(NewConnection, DevicePathsAndRatesThePortCanTake) {
  auto v = Values("Serial");
  v.commPort = " /dev/serial/by-id/usb-FTDI_adapter-if00-port0 ";
  v.baudRate = "4000000";
  EXPECT_EQ(Accept(v), "");
  EXPECT_EQ(settings_.Str(S::HostName), "/dev/serial/by-id/usb-FTDI_adapter-if00-port0");
  EXPECT_EQ(settings_.Int(S::Port), 0);
  EXPECT_EQ(settings_.Int(S::Speed), 4000000);
  // Every offered rate is one the port takes; a typed odd rate is refused before connecting.
  for (const char* rate : kBaudRateChoices) {
    v.baudRate = rate;
    EXPECT_EQ(Accept(v), "") << rate;
  }
  for (const char* rate : {"51200", "4000001", "99999999999"}) {
    v.baudRate = rate;
    EXPECT_EQ(Accept(v), kTextUnsupportedBaudRate) << rate;
  }
}

TEST_F(NewConnection, SerialListsComeBackFromTheProfile) {
  auto v = Values("Serial");
  v.commPort = "COM2";
  v.dataLengthIndex = 2;  // seven bits
  v.stopBitsIndex = 1;    // two
  v.parityIndex = 3;
  v.flowControlIndex = 1;
  ASSERT_EQ(Accept(v), "");
  const NewConnectionValues again = NewConnectionValues::Load(*profile_);
  EXPECT_EQ(again.commPort, "COM2");
  EXPECT_EQ(again.dataLengthIndex, 2);
  EXPECT_EQ(again.stopBitsIndex, 1);
  EXPECT_EQ(again.parityIndex, 3);
  EXPECT_EQ(again.flowControlIndex, 1);
  // A profile from the older lists (index 2 = 8 bits, index 1 = 1.5 stop bits) still reads.
  profile_->WriteInt("Transport", "DataLength", 2);
  profile_->WriteInt("Transport", "StopBits", 1);
  const NewConnectionValues old = NewConnectionValues::Load(*profile_);
  EXPECT_EQ(std::string(kDataLengthChoices[old.dataLengthIndex]), "8");
  EXPECT_EQ(std::string(kStopBitsChoices[old.stopBitsIndex]), "1 Bit");
}

TEST_F(NewConnection, PortChoicesAreTheDevicesThatExistThenComNames) {
  const auto dev = std::filesystem::path(std::getenv("OSTRANE_HOME")) / "dev";
  std::filesystem::remove_all(dev);
  std::filesystem::create_directories(dev / "serial" / "by-id");
  for (const char* name : {"ttyS0", "ttyUSB0", "ttyACM1", "tty1", "ttyUSBx", "null"})
    std::ofstream(dev / name).put('\n');
  std::filesystem::create_symlink(dev / "ttyUSB0", dev / "serial" / "by-id" / "usb-adapter");
  const std::vector<std::string> choices = SerialPortChoices(dev.string());
  const std::vector<std::string> expected = {(dev / "serial/by-id/usb-adapter").string(),
                                             (dev / "ttyACM1").string(),
                                             (dev / "ttyS0").string(),
                                             (dev / "ttyUSB0").string(),
                                             "COM1",
                                             "COM2",
                                             "COM3",
                                             "COM4"};
  EXPECT_EQ(choices, expected);
}

TEST_F(NewConnection, ModemNeedsAnInstalledModemAndAValidNumber) {
  auto v = Values("Modem");
  v.phoneNumber = "555 1000";
  EXPECT_EQ(Accept(v), kTextNoModem);
  profile_->WriteString("Modems", "Name1", "Desk modem");
  profile_->WriteString("Modems", "Device1", "/dev/ttyACM0");
  profile_->WriteString("Modems", "Name2", "Spare");
  profile_->WriteString("Modems", "Device2", "/dev/ttyUSB1");
  EXPECT_EQ(ModemChoices(*profile_), std::vector<std::string>({"Desk modem", "Spare"}));
  v.phoneNumber = "555-CALL";
  EXPECT_EQ(Accept(v), kTextBadPhone);
  v.phoneNumber = "5551000;ATH";  // no AT commands through the number
  EXPECT_EQ(Accept(v), kTextBadPhone);
  v.phoneNumber = " ,-";
  EXPECT_EQ(Accept(v), kTextNoPhone);
  v.phoneNumber = "9,(555) 123-4567";
  v.modemIndex = 2;
  EXPECT_EQ(Accept(v), kTextNoModem);
  EXPECT_EQ(settings_.Int(S::HostType), 0) << "a refused page stores nothing";
  v.modemIndex = 1;
  EXPECT_EQ(Connect(v), "");
  EXPECT_EQ(settings_.Int(S::HostType), 3);
  EXPECT_EQ(settings_.Int(S::Port), 1);
  EXPECT_EQ(settings_.Str(S::HostName), "9,(555) 123-4567");
  ASSERT_FALSE(CMruList::Read(*profile_, kModemMruSection).empty());
  EXPECT_EQ(CMruList::Read(*profile_, kModemMruSection).front(), "9,(555) 123-4567");
  EXPECT_EQ(NewConnectionValues::Load(*profile_).phoneNumber, "9,(555) 123-4567");
  EXPECT_EQ(NewConnectionValues::Load(*profile_).modemIndex, 1);
}

TEST_F(NewConnection, SshVersionChoosesTheHostType) {
  // Version 2 until the user has chosen version 1 once.
  EXPECT_EQ(NewConnectionValues::Load(*profile_).sshVersion, 1);
  auto v = Values("SSH");
  v.sshHost = "box";
  v.sshPort = "ssh";
  v.sshVersion = 1;
  EXPECT_EQ(Accept(v), "");
  EXPECT_EQ(settings_.Int(S::HostType), 5);
  EXPECT_EQ(settings_.Int(S::Port), 22);
  v.sshVersion = 0;
  v.sshPort = "2222";
  EXPECT_EQ(Connect(v), "");
  EXPECT_EQ(settings_.Int(S::HostType), 6);
  EXPECT_EQ(settings_.Int(S::Port), 2222);
  EXPECT_EQ(profile_->GetInt("Transport", "SSH2Version", -1), 0);
  ASSERT_FALSE(CMruList::Read(*profile_, kSshMruSection).empty());
  EXPECT_EQ(CMruList::Read(*profile_, kSshMruSection).front(), "box");
  EXPECT_TRUE(CMruList::Read(*profile_, kHostMruSection).empty());
  v.sshHost = " ";
  EXPECT_EQ(Accept(v), kTextNoHost);
  EXPECT_FALSE(HostToRemember(v));
  // Serial and local sessions have no list.
  EXPECT_FALSE(HostToRemember(Values("Serial")));
  EXPECT_FALSE(HostToRemember(Values("Local")));
}

TEST_F(NewConnection, LocalStoresOnlyTheKind) {
  auto v = Values("Local");
  settings_.SetStr(S::HostName, "kept");
  EXPECT_EQ(Accept(v), "");
  EXPECT_EQ(settings_.Int(S::HostType), 2);
  EXPECT_EQ(settings_.Str(S::HostName), "kept");
  EXPECT_EQ(profile_->GetInt("Transport", "Type", -1), 5);
}

// A local shell runs the command given (none: the login shell) and is an xterm unless the
// settings it starts from chose another terminal type.
TEST_F(NewConnection, LocalShellStoresTheCommandAndPicksTheXtermType) {
  auto v = Values("Local shell");
  v.shellCommand = "  htop ";
  EXPECT_EQ(Accept(v), "");
  EXPECT_EQ(settings_.Int(S::HostType), 7);
  EXPECT_EQ(settings_.Str(S::HostName), "htop");
  EXPECT_EQ(settings_.Int(S::TermID), 6);
  EXPECT_EQ(NewConnectionValues::Load(*profile_).shellCommand, "  htop ");
  EXPECT_FALSE(HostToRemember(v));

  CSettingsSet vt;
  vt.SetInt(S::TermID, 0);
  EXPECT_EQ(AcceptNewConnection(v, vt, *profile_), "");
  EXPECT_EQ(vt.Int(S::TermID), 0);
  CSettingsSet chosen;
  chosen.SetInt(S::HostType, 7);
  ChooseLocalShellTerminal(chosen, true);
  EXPECT_EQ(chosen.Int(S::TermID), 2);
  ChooseLocalShellTerminal(chosen, false);
  EXPECT_EQ(chosen.Int(S::TermID), 6);
  CSettingsSet telnet;
  ChooseLocalShellTerminal(telnet, false);
  EXPECT_EQ(telnet.Int(S::TermID), 2);
}

// The terminal type list starts on the session's type (the xterm one for a new local shell) and
// what the user picks is stored for any kind; a failed check stores nothing.
TEST_F(NewConnection, TerminalTypeStartsFromTheKindAndIsStored) {
  const auto index = [this](const char* kind) { return Values(kind).kindListIndex; };
  const int xterm = TermIdChoice(6);
  EXPECT_EQ(StartTermIdChoice(index("Local shell"), settings_), xterm);
  EXPECT_EQ(StartTermIdChoice(index("Telnet"), settings_), TermIdChoice(2));
  CSettingsSet vt100;
  vt100.SetInt(S::TermID, 5);
  EXPECT_EQ(StartTermIdChoice(index("Local shell"), vt100), TermIdChoice(5));
  EXPECT_EQ(StartTermIdChoice(-1, settings_), TermIdChoice(2));

  auto telnet = Values("Telnet");
  telnet.telnetHost = "127.0.0.1";
  telnet.termIdChoice = xterm;
  EXPECT_EQ(Accept(telnet), "");
  EXPECT_EQ(settings_.Int(S::TermID), 6);
  auto shell = Values("Local shell");
  shell.termIdChoice = TermIdChoice(5);
  EXPECT_EQ(Accept(shell), "");
  EXPECT_EQ(settings_.Int(S::TermID), 5);
  CSettingsSet untouched;
  telnet.telnetHost.clear();
  EXPECT_EQ(AcceptNewConnection(telnet, untouched, *profile_), kTextNoHost);
  EXPECT_EQ(untouched.Int(S::TermID), 2);
}

TEST_F(NewConnection, KindListNamesAreInTheKindTable) {
  for (const char* name : kConnectionKindList) EXPECT_TRUE(ConnectionKindByName(name)) << name;
  EXPECT_EQ(ConnectionKindByName("Debug"), ConnectionKind::kDebug);
  EXPECT_EQ(ConnectionKindByName("Teletype"), std::nullopt);
}

}  // namespace
}  // namespace ostrane
