// A terminal events sink that keeps what the keyboard produced.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/terminal_events.h"

namespace ostrane::test {

class CKeyboardRecorder : public ITerminalEvents {
 public:
  void SendToHost(const uint8_t* data, size_t length) override {
    replies.append(reinterpret_cast<const char*>(data), length);
  }
  void SendKeys(const uint8_t* data, size_t length) override {
    keys.append(reinterpret_cast<const char*>(data), length);
  }
  void RunKeyCommand(KeyCommand command, std::string_view text) override {
    commands.emplace_back(command, std::string(text));
  }
  void MarginBell() override { ++marginBells; }
  void Clear() {
    keys.clear();
    replies.clear();
    commands.clear();
    marginBells = 0;
  }

  std::string keys;
  std::string replies;
  std::vector<std::pair<KeyCommand, std::string>> commands;
  int marginBells = 0;
};

}  // namespace ostrane::test
