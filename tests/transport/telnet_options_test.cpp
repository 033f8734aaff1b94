#include "transport/telnet_options.h"

#include <gtest/gtest.h>

#include <string>

#include "transport/telnet_protocol.h"

namespace ostrane {
namespace {

using namespace telnet;

std::string Cmd(uint8_t command, uint8_t option) {
  return std::string{static_cast<char>(IAC), static_cast<char>(command), static_cast<char>(option)};
}

std::string Answer(CTelnetOptions& options, uint8_t command, uint8_t option,
                   TelnetOptionSettings& settings) {
  std::string reply;
  options.HandleOption(command, option, settings, reply);
  return reply;
}

TEST(TelnetOptions, RepeatedDoEchoIsAnsweredTwiceThenNotAgain) {
  CTelnetOptions options;
  TelnetOptionSettings s;
  EXPECT_EQ(Answer(options, DO, TELOPT_ECHO, s), Cmd(WILL, TELOPT_ECHO));
  EXPECT_TRUE(s.localEcho);
  EXPECT_EQ(Answer(options, DO, TELOPT_ECHO, s), Cmd(WILL, TELOPT_ECHO));
  EXPECT_EQ(Answer(options, DO, TELOPT_ECHO, s), "");
  EXPECT_TRUE(s.localEcho);
  // A change is always answered, and re-arms the single confirmation.
  EXPECT_EQ(Answer(options, WILL, TELOPT_ECHO, s), Cmd(DO, TELOPT_ECHO));
  EXPECT_FALSE(s.localEcho);
  EXPECT_EQ(Answer(options, WILL, TELOPT_ECHO, s), Cmd(DO, TELOPT_ECHO));
  EXPECT_EQ(Answer(options, WILL, TELOPT_ECHO, s), "");
  EXPECT_EQ(Answer(options, WONT, TELOPT_ECHO, s), Cmd(DONT, TELOPT_ECHO));
  EXPECT_TRUE(s.localEcho);
  EXPECT_EQ(Answer(options, DONT, TELOPT_ECHO, s), Cmd(WONT, TELOPT_ECHO));
  EXPECT_FALSE(s.localEcho);
}

TEST(TelnetOptions, WillEchoWithLocalEchoOffConfirmsOnce) {
  CTelnetOptions options;
  TelnetOptionSettings s;
  EXPECT_EQ(Answer(options, WILL, TELOPT_ECHO, s), Cmd(DO, TELOPT_ECHO));
  EXPECT_EQ(Answer(options, WILL, TELOPT_ECHO, s), "");
  EXPECT_FALSE(s.localEcho);
}

TEST(TelnetOptions, SuppressGoAheadIsAcceptedOnceForTheLifeOfTheConnection) {
  CTelnetOptions options;
  TelnetOptionSettings s;
  EXPECT_EQ(Answer(options, DONT, TELOPT_SGA, s), "");
  EXPECT_EQ(Answer(options, WILL, TELOPT_SGA, s), Cmd(DO, TELOPT_SGA));
  EXPECT_EQ(Answer(options, DO, TELOPT_SGA, s), "");
  EXPECT_EQ(Answer(options, WILL, TELOPT_SGA, s), "");
  EXPECT_EQ(Answer(options, WONT, TELOPT_SGA, s), "");
}

TEST(TelnetOptions, TerminalTypeAcceptsDoOnly) {
  CTelnetOptions options;
  TelnetOptionSettings s;
  EXPECT_EQ(Answer(options, DO, TELOPT_TTYPE, s), Cmd(WILL, TELOPT_TTYPE));
  EXPECT_EQ(Answer(options, DO, TELOPT_TTYPE, s), Cmd(WILL, TELOPT_TTYPE));
  EXPECT_EQ(Answer(options, WILL, TELOPT_TTYPE, s), "");
  EXPECT_EQ(Answer(options, WONT, TELOPT_TTYPE, s), "");
  EXPECT_EQ(Answer(options, DONT, TELOPT_TTYPE, s), "");
}

TEST(TelnetOptions, WindowSizeFollowsSetHostSize) {
  CTelnetOptions options;
  TelnetOptionSettings s;
  s.setHostSize = false;
  EXPECT_EQ(Answer(options, DO, TELOPT_NAWS, s), Cmd(WONT, TELOPT_NAWS));
  s.setHostSize = true;
  s.columns = 132;
  s.lines = 24;
  EXPECT_EQ(Answer(options, DO, TELOPT_NAWS, s),
            Cmd(WILL, TELOPT_NAWS) + std::string("\xff\xfa\x1f\x00\x84\x00\x18\xff\xf0", 9));
  EXPECT_EQ(Answer(options, WILL, TELOPT_NAWS, s), "");
  EXPECT_EQ(Answer(options, DONT, TELOPT_NAWS, s), "");
  // Sizes are 16 bits wide, and a byte equal to IAC is doubled.
  std::string out;
  CTelnetOptions::AppendWindowSize(300, 255, out);
  EXPECT_EQ(out.substr(3), std::string("\xff\xfa\x1f\x01\x2c\x00\xff\xff\xff\xf0", 10));
  out.clear();
  CTelnetOptions::AppendWindowSize(0xFFFF, 0x1FF, out);
  EXPECT_EQ(out.substr(3), std::string("\xff\xfa\x1f\xff\xff\xff\xff\x01\xff\xff\xff\xf0", 12));
}

TEST(TelnetOptions, UnknownOptionsAreRefusedAndTheirRefusalsNotAnswered) {
  CTelnetOptions options;
  TelnetOptionSettings s;
  EXPECT_EQ(Answer(options, DO, 0, s), Cmd(WONT, 0));  // BINARY
  EXPECT_EQ(Answer(options, WILL, TELOPT_STATUS, s), Cmd(DONT, TELOPT_STATUS));
  EXPECT_EQ(Answer(options, DONT, 0, s), "");
  EXPECT_EQ(Answer(options, WONT, 39, s), "");
  EXPECT_FALSE(s.localEcho);
}

TEST(TelnetOptions, TerminalTypeSendIsAnsweredWithTheName) {
  std::string reply;
  const uint8_t send[] = {TELQUAL_SEND};
  CTelnetOptions::HandleSubnegotiation(TELOPT_TTYPE, send, 1, CTelnetOptions::TerminalName(2),
                                       reply);
  EXPECT_EQ(reply, std::string("\xff\xfa\x18\x00vt220\xff\xf0", 11));
  reply.clear();
  CTelnetOptions::HandleSubnegotiation(TELOPT_TTYPE, send, 0, "vt220", reply);
  EXPECT_EQ(reply, "\xff\xfa\x18\xff\xf0");
  reply.clear();
  const uint8_t is[] = {TELQUAL_IS};
  CTelnetOptions::HandleSubnegotiation(TELOPT_TTYPE, is, 1, "vt220", reply);
  EXPECT_EQ(reply, "\xff\xfa\x18\xff\xf0");
  reply.clear();
  CTelnetOptions::HandleSubnegotiation(TELOPT_NAWS, send, 1, "vt220", reply);
  EXPECT_EQ(reply, "");
  EXPECT_EQ(CTelnetOptions::TerminalName(0), "vt420");
  EXPECT_EQ(CTelnetOptions::TerminalName(5), "vt100");
  EXPECT_EQ(CTelnetOptions::TerminalName(6), "xterm-256color");
  EXPECT_EQ(CTelnetOptions::TerminalName(7), "");
  EXPECT_EQ(CTelnetOptions::TerminalName(-1), "");
}

}  // namespace
}  // namespace ostrane
