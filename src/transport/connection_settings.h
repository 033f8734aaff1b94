// CConnectionSettings: what a transport needs to know of its session's settings. The session
// fills it from its settings when it creates the transport and pushes a new one whenever they
// change; a transport never reads the settings store itself.
#pragma once

#include <string>

namespace ostrane {

struct CConnectionSettings {
  int hostType = 0;  // the TransportKind the settings name
  // The host; for a local shell the command that /bin/sh runs, empty for the login shell.
  std::string host;
  int port = 0;
  // A Telnet proxy that is told the destination in a text line; empty for none.
  std::string proxy;
  int proxyPort = 0;
  // The terminal type sent to the host (Telnet TTYPE, SSH pty-req); empty when unknown.
  std::string terminalName;
  int columns = 80;
  int lines = 24;
  // The host may be told the screen size (Telnet NAWS).
  bool setHostSize = false;
  bool localEcho = false;
  // Sent bytes stay local; nothing goes to the host.
  bool localOnly = false;
  // Serial and modem lines.
  int speed = 0;
  int parity = 0;
  int stopBits = 0;
  int dataLength = 0;
  int flowControl = 0;
  // The serial device of a serial connection (a path under /dev, or a by-id link).
  std::string devicePath;
  // The modem of a modem connection: its serial device and the AT commands sent before
  // dialling (empty for none). The number dialled is host.
  std::string modemDevice;
  std::string modemInit;
  // The rate of the line to the modem; 0 for the usual one.
  int modemSpeed = 0;
};

}  // namespace ostrane
