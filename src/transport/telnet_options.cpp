#include "transport/telnet_options.h"

#include <algorithm>

#include "transport/telnet_protocol.h"

namespace ostrane {

using namespace telnet;

namespace {

void AppendCommand(std::string& out, uint8_t command, uint8_t option) {
  out.push_back(static_cast<char>(IAC));
  out.push_back(static_cast<char>(command));
  out.push_back(static_cast<char>(option));
}

// DO->WILL, WILL->DO, DONT->WONT, WONT->DONT.
uint8_t Accepting(uint8_t command) {
  switch (command) {
    case DO:
      return WILL;
    case WILL:
      return DO;
    case DONT:
      return WONT;
    default:
      return DONT;
  }
}

// DO or DONT -> WONT, WILL or WONT -> DONT.
uint8_t Refusing(uint8_t command) {
  return command == DO || command == DONT ? WONT : DONT;
}

constexpr std::string_view kTerminalNames[] = {"vt420", "vt320", "vt220",         "vt102",
                                               "vt101", "vt100", "xterm-256color"};

}  // namespace

const CTelnetOptions::OptionRule CTelnetOptions::kRules[] = {
    {TELOPT_ECHO, &CTelnetOptions::Echo},
    {TELOPT_SGA, &CTelnetOptions::SuppressGoAhead},
    {TELOPT_TTYPE, &CTelnetOptions::TerminalType},
    {TELOPT_NAWS, &CTelnetOptions::WindowSize},
};

std::string_view CTelnetOptions::TerminalName(int termId) {
  if (termId < 0 || termId >= static_cast<int>(std::size(kTerminalNames))) return {};
  return kTerminalNames[termId];
}

void CTelnetOptions::HandleOption(uint8_t command, uint8_t option, TelnetOptionSettings& settings,
                                  std::string& reply) {
  if (command < WILL) return;
  for (const OptionRule& rule : kRules) {
    if (rule.option == option) {
      (this->*rule.handle)(command, option, settings, reply);
      return;
    }
  }
  Other(command, option, settings, reply);
}

void CTelnetOptions::Echo(uint8_t command, uint8_t option, TelnetOptionSettings& settings,
                          std::string& reply) {
  // WILL or DONT: the server echoes; DO or WONT: the client is to echo.
  const bool wantLocal = command == DO || command == WONT;
  if (settings.localEcho != wantLocal) {
    echoGuard_ = false;
  } else if (echoGuard_) {
    return;
  } else {
    echoGuard_ = true;
  }
  settings.localEcho = wantLocal;
  AppendCommand(reply, Accepting(command), option);
}

void CTelnetOptions::SuppressGoAhead(uint8_t command, uint8_t option,
                                     TelnetOptionSettings& /*settings*/, std::string& reply) {
  if ((command != DO && command != WILL) || sgaAnswered_) return;
  sgaAnswered_ = true;
  AppendCommand(reply, Accepting(command), option);
}

void CTelnetOptions::TerminalType(uint8_t command, uint8_t option,
                                  TelnetOptionSettings& /*settings*/, std::string& reply) {
  if (command == DO) AppendCommand(reply, WILL, option);
}

void CTelnetOptions::WindowSize(uint8_t command, uint8_t option, TelnetOptionSettings& settings,
                                std::string& reply) {
  if (command != DO) return;
  if (settings.setHostSize)
    AppendWindowSize(settings.columns, settings.lines, reply);
  else
    AppendCommand(reply, WONT, option);
}

void CTelnetOptions::Other(uint8_t command, uint8_t option, TelnetOptionSettings& /*settings*/,
                           std::string& reply) {
  if (command == DO || command == WILL) AppendCommand(reply, Refusing(command), option);
}

void CTelnetOptions::AppendWindowSize(int columns, int lines, std::string& out) {
  AppendCommand(out, WILL, TELOPT_NAWS);
  out += static_cast<char>(IAC);
  out += static_cast<char>(SB);
  out += static_cast<char>(TELOPT_NAWS);
  // Each size as 16 bits, high byte first (RFC 1073); a data byte equal to IAC is doubled.
  for (const int size : {columns, lines}) {
    const auto value = static_cast<uint16_t>(std::clamp(size, 0, 0xFFFF));
    for (const auto byte : {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)}) {
      out += static_cast<char>(byte);
      if (byte == IAC) out += static_cast<char>(IAC);
    }
  }
  out += static_cast<char>(IAC);
  out += static_cast<char>(SE);
}

void CTelnetOptions::HandleSubnegotiation(uint8_t option, const uint8_t* data, size_t length,
                                          std::string_view terminalName, std::string& reply) {
  if (option != TELOPT_TTYPE) return;
  reply.push_back(static_cast<char>(IAC));
  reply.push_back(static_cast<char>(SB));
  reply.push_back(static_cast<char>(TELOPT_TTYPE));
  if (length > 0 && data[0] == TELQUAL_SEND) {
    reply.push_back(static_cast<char>(TELQUAL_IS));
    reply.append(terminalName);
  }
  reply.push_back(static_cast<char>(IAC));
  reply.push_back(static_cast<char>(SE));
}

}  // namespace ostrane
