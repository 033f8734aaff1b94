// Runs the golden key cases in tests/golden_keys/*.keys: settings and key presses in, the exact
// bytes or local action out. The file format is described at the top of modes.keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/vt420_emulator.h"
#include "keyboard/key_codes.h"
#include "keyboard/keyboard_recorder.h"
#include "keyboard/vt_key_encoder.h"
#include "platform/code_page.h"
#include "settings/control_string.h"
#include "settings/setting_assignment.h"
#include "support/data_files.h"

namespace ostrane {
namespace {

struct Step {
  int line;
  std::string text;
};

struct KeyCase {
  std::string name;
  std::string file;
  std::vector<Step> steps;
};

std::string Trim(std::string s) {
  const size_t first = s.find_first_not_of(" \t\r");
  const size_t last = s.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

std::vector<KeyCase> LoadCases() {
  std::vector<KeyCase> cases;
  for (const auto& path : test::SortedDataFiles("golden_keys", ".keys")) {
    std::ifstream in(path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (line.rfind("=== ", 0) == 0) {
        cases.push_back({Trim(line.substr(4)), path.filename().string(), {}});
      } else if (!Trim(line).empty() && line[0] != '#' && !cases.empty()) {
        cases.back().steps.push_back({number, line});
      }
    }
  }
  return cases;
}

const std::vector<KeyCase>& AllCases() {
  static const std::vector<KeyCase> cases = LoadCases();
  return cases;
}

// "Shift+Ctrl+Name": the modifiers and the key name.
struct KeyPress {
  KeyboardState state;
  std::string name;
};

KeyPress ParseKeyPress(const std::string& text) {
  KeyPress k;
  size_t start = 0;
  for (size_t plus; (plus = text.find('+', start)) != std::string::npos && plus > start;
       start = plus + 1) {
    const std::string mod = text.substr(start, plus - start);
    if (mod == "Shift")
      k.state.shift = true;
    else if (mod == "Ctrl")
      k.state.ctrl = true;
    else if (mod == "Alt")
      k.state.alt = true;
    else if (mod == "Caps")
      k.state.capsLock = true;
    else
      break;
  }
  k.name = text.substr(start);
  k.state.numLock = true;
  return k;
}

// The platform key code and extended flag that a PC key code comes from.
std::pair<int, bool> PlatformKey(int pcKey) {
  constexpr int kEditingBlock[] = {33, 34, 35, 36, 37, 38, 39, 40, 45, 46};
  if (std::find(std::begin(kEditingBlock), std::end(kEditingBlock), pcKey) !=
      std::end(kEditingBlock))
    return {pcKey, true};
  if (pcKey == PcKey::kNumpadEnter) return {PcKey::kEnter, true};
  if (pcKey == PcKey::kRightShift || pcKey == PcKey::kRightCtrl || pcKey == PcKey::kRightAlt)
    return {PcKey::kShift + (pcKey - PcKey::kRightShift) / 2, true};
  return {pcKey, false};
}

// The expected outcome in the notation of the key files.
struct Outcome {
  std::string bytes;
  std::vector<std::pair<KeyCommand, std::string>> commands;
  bool unclaimed = false;
};

constexpr struct {
  const char* word;
  KeyCommand command;
} kLocalWords[] = {
    {"(hold)", KeyCommand::kHoldScreen},
    {"(print)", KeyCommand::kPrintPage},
    {"(settings)", KeyCommand::kSettings},
    {"(break)", KeyCommand::kBreak},
};

bool ParseOutcome(const std::string& text, Outcome& out) {
  if (text == "(nothing)") return true;
  if (text == "(char)") {
    out.unclaimed = true;
    return true;
  }
  for (const auto& w : kLocalWords)
    if (text == w.word) {
      out.commands.emplace_back(w.command, "");
      return true;
    }
  if (text.rfind("(menu ", 0) == 0 && text.back() == ')') {
    out.commands.emplace_back(KeyCommand::kMenu, text.substr(6, text.size() - 7));
    return true;
  }
  return ParseControlString(text, out.bytes);
}

class GoldenKeys : public testing::TestWithParam<size_t> {
 protected:
  void SetUp() override { platform::SetSystemCodePage(1252); }
  void TearDown() override { platform::SetSystemCodePage(0); }
};

TEST_P(GoldenKeys, Case) {
  const KeyCase& c = AllCases()[GetParam()];
  CVT420Emulator terminal;
  test::CKeyboardRecorder events;
  terminal.SetEvents(&events);
  terminal.Reset();
  for (const Step& step : c.steps) {
    SCOPED_TRACE(c.file + ":" + std::to_string(step.line) + ": " + step.text);
    const size_t space = step.text.find(' ');
    const std::string verb = step.text.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : Trim(step.text.substr(space + 1));
    if (verb == "set") {
      std::string error;
      ASSERT_TRUE(ApplySettingAssignment(terminal.Settings(), rest, error)) << error;
    } else if (verb == "fkeys") {
      std::istringstream values(rest);
      for (int i = 0, v; i < 5 && values >> v; ++i)
        terminal.Settings().SetIntElement(S::FKeys, i, v);
    } else if (verb == "template") {
      ASSERT_TRUE(terminal.KeyMap().ApplyTemplate(std::stoul(rest)));
    } else if (verb == "host") {
      std::string bytes;
      ASSERT_TRUE(ParseControlString(rest, bytes));
      terminal.ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    } else if (verb == "key" || verb == "vt") {
      const size_t arrow = rest.find(" => ");
      ASSERT_NE(arrow, std::string::npos) << "no =>";
      const KeyPress press = ParseKeyPress(rest.substr(0, arrow));
      Outcome expected;
      ASSERT_TRUE(ParseOutcome(rest.substr(arrow + 4), expected)) << "bad outcome";
      events.Clear();
      if (verb == "key") {
        const int pcKey = FindPcKey(press.name);
        ASSERT_NE(pcKey, 0) << "unknown PC key " << press.name;
        const auto [virtualKey, extended] = PlatformKey(pcKey);
        ASSERT_EQ(NormalizePcKey(virtualKey, extended), pcKey);
        terminal.KeyDown(virtualKey, 1, extended, press.state);
        // A character follows every key press; only an unclaimed key lets it through.
        terminal.KeyChar(u'#');
        if (expected.unclaimed) expected.bytes = "#";
      } else {
        const int vtKey = FindVtKey(press.name);
        ASSERT_NE(vtKey, 0) << "unknown VT key " << press.name;
        const VtKeyOutput out = EncodeVtKey(vtKey, press.state.Flags(0), terminal.Settings());
        events.keys = out.bytes;
        if (out.command) events.commands.emplace_back(*out.command, "");
      }
      EXPECT_EQ(FormatControlString(events.keys), FormatControlString(expected.bytes));
      EXPECT_EQ(events.commands, expected.commands);
    } else {
      ADD_FAILURE() << "unknown step";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenKeys, testing::Range<size_t>(0, AllCases().size()),
                         [](const testing::TestParamInfo<size_t>& instance) {
                           return AllCases()[instance.param].name;
                         });

}  // namespace
}  // namespace ostrane
