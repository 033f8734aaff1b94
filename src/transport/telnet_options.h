// CTelnetOptions: the client's answers to option negotiation and subnegotiation. Pure: it gets
// the settings it needs in a small record and appends its replies to a string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrane {

// What option handling reads and (LocalEcho) changes.
struct TelnetOptionSettings {
  bool localEcho = false;
  bool setHostSize = false;
  int columns = 80;
  int lines = 24;
};

class CTelnetOptions {
 public:
  // Answers (command, option); may switch settings.localEcho.
  void HandleOption(uint8_t command, uint8_t option, TelnetOptionSettings& settings,
                    std::string& reply);
  // Answers a subnegotiation; only TERMINAL-TYPE SEND has an answer with content.
  static void HandleSubnegotiation(uint8_t option, const uint8_t* data, size_t length,
                                   std::string_view terminalName, std::string& reply);
  // WILL NAWS and the window size, as sent for DO NAWS and whenever the screen size changes.
  static void AppendWindowSize(int columns, int lines, std::string& out);
  // The TERMINAL-TYPE name for a TermID value; empty for an unknown one.
  static std::string_view TerminalName(int termId);

 private:
  struct OptionRule {
    uint8_t option;
    void (CTelnetOptions::*handle)(uint8_t command, uint8_t option, TelnetOptionSettings&,
                                   std::string&);
  };
  static const OptionRule kRules[];

  void Echo(uint8_t command, uint8_t option, TelnetOptionSettings& settings, std::string& reply);
  void SuppressGoAhead(uint8_t command, uint8_t option, TelnetOptionSettings& settings,
                       std::string& reply);
  void TerminalType(uint8_t command, uint8_t option, TelnetOptionSettings& settings,
                    std::string& reply);
  void WindowSize(uint8_t command, uint8_t option, TelnetOptionSettings& settings,
                  std::string& reply);
  void Other(uint8_t command, uint8_t option, TelnetOptionSettings& settings, std::string& reply);

  // Set once a request that confirms the current local echo was answered, so servers that
  // repeat themselves do not start a negotiation loop.
  bool echoGuard_ = false;
  bool sgaAnswered_ = false;
};

}  // namespace ostrane
