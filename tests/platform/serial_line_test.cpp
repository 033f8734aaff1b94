#include "platform/serial_line.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "support/fake_tty_device.h"

namespace ostrane::platform {
namespace {

using test::CFakeTtyDevice;

CSerialLine Line(int parity, int dataBits = 8, int stopBits = 0, int flow = 0) {
  return {9600, dataBits, parity, stopBits, flow};
}

TEST(SerialLine, EachParityMapsToItsFlags) {
  struct Case {
    Parity parity;
    tcflag_t flags;
  };
  const Case cases[] = {
      {Parity::kNone, 0},
      {Parity::kOdd, PARENB | PARODD},
      {Parity::kEven, PARENB},
      {Parity::kMark, PARENB | PARODD | CMSPAR},
      {Parity::kSpace, PARENB | CMSPAR},
  };
  for (const Case& c : cases) {
    CFakeTtyDevice device;
    CSerialPort port(device);
    ASSERT_EQ(port.Open("dev", Line(static_cast<int>(c.parity), 7)), "");
    EXPECT_EQ(device.attributes.c_cflag & (PARENB | PARODD | CMSPAR), c.flags);
    EXPECT_EQ(device.attributes.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ((device.attributes.c_iflag & INPCK) != 0, c.parity != Parity::kNone);
  }
}

TEST(SerialLine, ADriverThatDropsASettingFailsTheOpenAndClosesThePort) {
  CFakeTtyDevice device;
  device.stickyParity = false;
  CSerialPort port(device);
  EXPECT_EQ(port.Open("dev", Line(static_cast<int>(Parity::kMark))),
            "The serial port did not take these settings: parity.");
  EXPECT_FALSE(device.IsOpen());
  // Plain parity is fine on the same driver.
  EXPECT_EQ(port.Open("dev", Line(static_cast<int>(Parity::kEven))), "");
}

TEST(SerialLine, ValuesThePortCannotTakeAreRefusedBeforeTouchingIt) {
  const CSerialLine bad[] = {
      {0, 8, 0, 0, 0},    {31250, 8, 0, 0, 0}, {9600, 4, 0, 0, 0}, {9600, 9, 0, 0, 0},
      {9600, 8, 5, 0, 0}, {9600, 8, 0, 1, 0},  {9600, 8, 0, 3, 0}, {9600, 8, 0, 0, 3},
  };
  for (const CSerialLine& line : bad) {
    CFakeTtyDevice device;
    CSerialPort port(device);
    EXPECT_NE(port.Open("dev", line), "") << line.speed << " " << line.dataBits;
    EXPECT_FALSE(device.IsOpen());
  }
  CFakeTtyDevice device;
  CSerialPort port(device);
  EXPECT_EQ(port.Open("busy", Line(0)), "The serial device busy is in use.");
}

TEST(SerialLine, FlowControlStartsFromWhatThePortHadAtOpen) {
  CFakeTtyDevice device;
  device.attributes.c_cflag = CRTSCTS;  // the port came with hardware flow control
  CSerialPort port(device);
  ASSERT_EQ(port.Open("dev", Line(0, 8, 0, 0)), "");
  EXPECT_NE(device.attributes.c_cflag & CRTSCTS, 0u);
  // XON/XOFF replaces it; going back to "keep" restores the port's own, not XON/XOFF.
  ASSERT_EQ(port.Apply(Line(0, 8, 0, 1)), "");
  EXPECT_EQ(device.attributes.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(device.attributes.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  ASSERT_EQ(port.Apply(Line(0, 8, 2, 0)), "");
  EXPECT_NE(device.attributes.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(device.attributes.c_iflag & (IXON | IXOFF), 0u);
  EXPECT_NE(device.attributes.c_cflag & CSTOPB, 0u);
}

TEST(SerialLine, DtrAndRtsRiseAtOpenAndDtrFallsAtClose) {
  CFakeTtyDevice device;
  CSerialPort port(device);
  ASSERT_EQ(port.Open("dev", Line(0)), "");
  EXPECT_EQ(port.ModemLines().value_or(0) & (TIOCM_DTR | TIOCM_RTS), TIOCM_DTR | TIOCM_RTS);
  EXPECT_NE(port.ModemLines().value_or(0) & TIOCM_CAR, 0);
  port.Close();
  EXPECT_EQ(device.EventNames(), (std::vector<std::string>{"DTR on", "RTS on", "DTR off"}));
  EXPECT_EQ(device.Closes(), 1);
  EXPECT_NE(device.attributes.c_cflag & HUPCL, 0u);

  // A device without modem lines (a pseudo-terminal) still opens.
  CFakeTtyDevice pty;
  pty.hasModemLines = false;
  CSerialPort ptyPort(pty);
  EXPECT_EQ(ptyPort.Open("dev", Line(0)), "");
  EXPECT_FALSE(ptyPort.ModemLines().has_value());
}

TEST(SerialLine, EveryStandardRateUpToFourMegabitsHasAConstant) {
  for (int rate : {50, 300, 1200, 9600, 19200, 38400, 57600, 115200, 230400, 921600, 4000000})
    EXPECT_TRUE(SpeedConstant(rate).has_value()) << rate;
  for (int rate : {0, -9600, 4000001, 14400}) EXPECT_FALSE(SpeedConstant(rate).has_value()) << rate;
}

}  // namespace
}  // namespace ostrane::platform
