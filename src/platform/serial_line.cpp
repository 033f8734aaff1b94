#include "platform/serial_line.h"

#include <cerrno>
#include <cstring>
#include <iterator>

namespace ostrane::platform {

namespace {

struct SpeedEntry {
  int rate;
  speed_t constant;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

struct DataBitsEntry {
  int bits;
  tcflag_t flag;
};

constexpr DataBitsEntry kDataBits[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};

// Parity flags of each Parity value; mark and space are parity "sticky" to 1 or 0 (CMSPAR).
constexpr tcflag_t kParityFlags[] = {
    0,                         // none
    PARENB | PARODD,           // odd
    PARENB,                    // even
    PARENB | PARODD | CMSPAR,  // mark
    PARENB | CMSPAR,           // space
};

constexpr tcflag_t kParityMask = PARENB | PARODD | CMSPAR;
constexpr tcflag_t kInputFlowMask = IXON | IXOFF | IXANY;

struct CheckedFlag {
  bool input;  // c_iflag, else c_cflag
  tcflag_t mask;
  const char* name;
};

// What the read-back compares, with the name the user is told.
constexpr CheckedFlag kCheckedFlags[] = {
    {false, CSIZE, "data bits"},
    {false, kParityMask, "parity"},
    {false, CSTOPB, "stop bits"},
    {false, CRTSCTS, "hardware flow control"},
    {true, IXON | IXOFF, "XON/XOFF flow control"},
};

std::string ErrorText(const std::string& path, int error) {
  switch (error) {
    case ENOENT:
      return "The serial device " + path + " does not exist.";
    case EBUSY:
      return "The serial device " + path + " is in use.";
    case EACCES:
    case EPERM:
      return "No permission to open the serial device " + path + ".";
    case ENOTTY:
      return path + " is not a serial device.";
    default:
      return "Cannot open the serial device " + path + ": " + std::strerror(error) + ".";
  }
}

}  // namespace

std::optional<speed_t> SpeedConstant(int bitsPerSecond) {
  for (const SpeedEntry& e : kSpeeds)
    if (e.rate == bitsPerSecond) return e.constant;
  return std::nullopt;
}

std::string BuildTermios(const CSerialLine& line, const termios& current, const termios& atOpen,
                         termios& out) {
  const std::optional<speed_t> speed = SpeedConstant(line.speed);
  if (!speed) return "The serial port cannot run at " + std::to_string(line.speed) + " baud.";
  const DataBitsEntry* bits = nullptr;
  for (const DataBitsEntry& e : kDataBits)
    if (e.bits == line.dataBits) bits = &e;
  if (bits == nullptr)
    return "The serial port cannot use " + std::to_string(line.dataBits) + " data bits.";
  if (line.parity < 0 || line.parity >= static_cast<int>(std::size(kParityFlags)))
    return "Unknown parity setting " + std::to_string(line.parity) + ".";
  if (line.stopBits == static_cast<int>(StopBits::kOneAndHalf))
    return "The serial port cannot use 1.5 stop bits.";
  if (line.stopBits != static_cast<int>(StopBits::kOne) &&
      line.stopBits != static_cast<int>(StopBits::kTwo))
    return "Unknown stop bits setting " + std::to_string(line.stopBits) + ".";
  if (line.flowControl < 0 || line.flowControl > static_cast<int>(FlowControl::kHardware))
    return "Unknown flow control setting " + std::to_string(line.flowControl) + ".";

  termios t = current;
  // Nothing echoed, translated or held back for a line.
  cfmakeraw(&t);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  // No wait for carrier, receiver on, DTR dropped when the port is closed.
  t.c_cflag |= CLOCAL | CREAD | HUPCL;
  t.c_cflag = (t.c_cflag & ~CSIZE) | bits->flag;
  t.c_cflag = (t.c_cflag & ~kParityMask) | kParityFlags[line.parity];
  if (line.parity != static_cast<int>(Parity::kNone)) t.c_iflag |= INPCK;
  t.c_cflag = line.stopBits == static_cast<int>(StopBits::kTwo) ? (t.c_cflag | CSTOPB)
                                                                : (t.c_cflag & ~CSTOPB);
  // Flow control starts from what the port had at open.
  t.c_iflag = (t.c_iflag & ~kInputFlowMask) | (atOpen.c_iflag & kInputFlowMask);
  t.c_cflag = (t.c_cflag & ~CRTSCTS) | (atOpen.c_cflag & CRTSCTS);
  if (line.flowControl == static_cast<int>(FlowControl::kXonXoff)) {
    t.c_iflag |= IXON | IXOFF;
    t.c_cflag &= ~CRTSCTS;
  } else if (line.flowControl == static_cast<int>(FlowControl::kHardware)) {
    t.c_iflag &= ~kInputFlowMask;
    t.c_cflag |= CRTSCTS;
  }
  cfsetispeed(&t, *speed);
  cfsetospeed(&t, *speed);
  out = t;
  return {};
}

std::string CompareTermios(const termios& wanted, const termios& got) {
  std::string refused;
  const auto add = [&](const char* name) {
    refused += refused.empty() ? "" : ", ";
    refused += name;
  };
  if (cfgetospeed(&wanted) != cfgetospeed(&got) || cfgetispeed(&wanted) != cfgetispeed(&got))
    add("speed");
  for (const CheckedFlag& f : kCheckedFlags) {
    const tcflag_t w = (f.input ? wanted.c_iflag : wanted.c_cflag) & f.mask;
    const tcflag_t g = (f.input ? got.c_iflag : got.c_cflag) & f.mask;
    if (w != g) add(f.name);
  }
  return refused.empty() ? refused
                         : "The serial port did not take these settings: " + refused + ".";
}

std::string CSerialPort::Open(const std::string& path, const CSerialLine& line) {
  Close();
  if (const int error = device_.Open(path); error != 0) return ErrorText(path, error);
  if (!device_.GetAttributes(atOpen_)) {
    const int error = errno;
    device_.Close();
    return ErrorText(path, error);
  }
  std::string problem = Apply(line);
  if (!problem.empty()) {
    device_.Close();
    return problem;
  }
  device_.Flush();
  // A port without modem lines (a pseudo-terminal) has nothing to raise.
  SetDtr(true);
  SetRts(true);
  return {};
}

std::string CSerialPort::Apply(const CSerialLine& line) {
  termios current{};
  if (!device_.GetAttributes(current)) return "Cannot read the serial port settings.";
  termios wanted{};
  std::string problem = BuildTermios(line, current, atOpen_, wanted);
  if (!problem.empty()) return problem;
  if (!device_.SetAttributes(wanted)) return "The serial port refused the settings.";
  termios got{};
  if (!device_.GetAttributes(got)) return "Cannot read the serial port settings.";
  return CompareTermios(wanted, got);
}

void CSerialPort::Close() {
  if (!device_.IsOpen()) return;
  SetDtr(false);
  device_.Close();
}

std::optional<int> CSerialPort::ModemLines() {
  int bits = 0;
  if (!device_.GetModemBits(bits)) return std::nullopt;
  return bits;
}

}  // namespace ostrane::platform
