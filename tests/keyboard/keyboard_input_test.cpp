// Key presses and typed characters through the terminal object.
#include <gtest/gtest.h>

#include <string>

#include "emulator/vt420_emulator.h"
#include "keyboard/key_codes.h"
#include "keyboard/keyboard_recorder.h"
#include "platform/code_page.h"

namespace ostrane {
namespace {

class KeyboardInputTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetSystemCodePage(1252);
    terminal_.SetEvents(&events_);
    terminal_.Reset();
  }
  void TearDown() override { platform::SetSystemCodePage(0); }

  void Press(int virtualKey, bool extended = false, KeyboardState state = {}, int repeat = 1) {
    terminal_.KeyDown(virtualKey, repeat, extended, state);
  }
  void Receive(std::string_view bytes) {
    terminal_.ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }

  CVT420Emulator terminal_;
  test::CKeyboardRecorder events_;
};

TEST_F(KeyboardInputTest, NumLockSwitchesTheKeypadOnlyWhenUnmodified) {
  terminal_.Settings().SetInt(S::NumLock, 1);
  KeyboardState state;
  state.numLock = false;
  Press(PcKey::kNumLock, false, state);
  EXPECT_EQ(terminal_.Settings().Int(S::NumericKeypad), 0);
  EXPECT_EQ(events_.keys, "");
  state.numLock = true;
  Press(PcKey::kNumLock, false, state);
  EXPECT_EQ(terminal_.Settings().Int(S::NumericKeypad), 1);
  EXPECT_EQ(events_.keys, "");
  // With Caps Lock on the key goes to the key map: PF1.
  state.capsLock = true;
  state.numLock = false;
  Press(PcKey::kNumLock, false, state);
  EXPECT_EQ(terminal_.Settings().Int(S::NumericKeypad), 1);
  EXPECT_EQ(events_.keys, "\x1bOP");
  // Without the NumLock setting it is always PF1.
  terminal_.Settings().SetInt(S::NumLock, 0);
  events_.Clear();
  Press(PcKey::kNumLock);
  EXPECT_EQ(events_.keys, "\x1bOP");
  EXPECT_EQ(terminal_.Settings().Int(S::NumericKeypad), 1);
}

TEST_F(KeyboardInputTest, RepeatsSendTheWholeOutputEachTime) {
  Press(PcKey::kUp, true, {}, 3);
  EXPECT_EQ(events_.keys, "\x1b[A\x1b[A\x1b[A");
  events_.Clear();
  // A nonsense repeat count still means one press.
  Press(PcKey::kUp, true, {}, 0);
  Press(PcKey::kUp, true, {}, -7);
  EXPECT_EQ(events_.keys, "\x1b[A\x1b[A");
}

TEST_F(KeyboardInputTest, CharactersFollowOnlyUnclaimedKeys) {
  Press('A');
  terminal_.KeyChar(u'a');
  terminal_.KeyChar(u'b');  // a key may make more than one character
  EXPECT_EQ(events_.keys, "ab");
  events_.Clear();
  Press(PcKey::kF1 + 5);
  terminal_.KeyChar(u'x');
  EXPECT_EQ(events_.keys, "\x1b[17~");
  events_.Clear();
  // Codes beyond the table are ignored and let no character through.
  Press(300);
  terminal_.KeyChar(u'x');
  EXPECT_EQ(events_.keys, "");
  // Characters are never converted to 8-bit controls: they go as the character set encodes.
  terminal_.Settings().SetInt(S::EightBitChars, 0);
  Press('E');
  terminal_.KeyChar(u'\u0085');
  EXPECT_EQ(events_.keys, "\x85");
}

TEST_F(KeyboardInputTest, MappedStringsGetTheControlForm) {
  terminal_.KeyMap().Set('Q', KeyMod::kCtrl, KeyAction::kSendString,
                         "\x9b"
                         "A\x1bOP\x1b"
                         "a");
  KeyboardState ctrl;
  ctrl.ctrl = true;
  Press('Q', false, ctrl);
  EXPECT_EQ(events_.keys,
            "\x1b[A\x1bOP\x1b"
            "a");
  events_.Clear();
  terminal_.Settings().SetInt(S::EightBitChars, 1);
  Press('Q', false, ctrl);
  // ESC before a lower-case letter is no C1 control and stays.
  EXPECT_EQ(events_.keys,
            "\x9b"
            "A\x8fP\x1b"
            "a");
}

TEST_F(KeyboardInputTest, MenuAndScriptActionsReachTheSession) {
  CKeyMap& map = terminal_.KeyMap();
  map.Set('S', KeyMod::kAlt, KeyAction::kScriptText, "term.Send(\"x\");");
  map.Set('F', KeyMod::kAlt, KeyAction::kRunScriptFile, "/tmp/login.oss");
  map.Set('M', 0, KeyAction::kMenu, "Edit: Paste");
  map.Set('N', 0, 200);  // codes 109..239 do nothing
  KeyboardState alt;
  alt.alt = true;
  Press('S', false, alt);
  Press('F', false, alt);
  Press('M');
  Press('N');
  terminal_.KeyChar(u'n');
  using C = std::pair<KeyCommand, std::string>;
  EXPECT_EQ(events_.commands, (std::vector<C>{{KeyCommand::kScriptText, "term.Send(\"x\");"},
                                              {KeyCommand::kScriptFile, "/tmp/login.oss"},
                                              {KeyCommand::kMenu, "Edit: Paste"}}));
  EXPECT_EQ(events_.keys, "");
}

TEST_F(KeyboardInputTest, ModifierKeysDoNotModifyThemselves) {
  // Right Ctrl mapped with Ctrl would need Ctrl held by another key: the plain entry is used.
  terminal_.KeyMap().Set(PcKey::kRightCtrl, 0, KeyAction::kSendString, "rc");
  terminal_.KeyMap().Set(PcKey::kRightCtrl, KeyMod::kCtrl, KeyAction::kSendString, "ctrl+rc");
  KeyboardState ctrl;
  ctrl.ctrl = true;
  Press(PcKey::kCtrl, true, ctrl);
  EXPECT_EQ(events_.keys, "rc");
  EXPECT_EQ(ctrl.Flags(PcKey::kCtrl), 0);
  EXPECT_EQ(ctrl.Flags('A'), KeyMod::kCtrl);
}

TEST_F(KeyboardInputTest, NumLockOffKeypadStillSendsKeypadKeys) {
  // Keypad 8 without Num Lock arrives as the Up code without the extended flag.
  Press(PcKey::kUp, false);
  EXPECT_EQ(events_.keys, "8");
}

TEST_F(KeyboardInputTest, MarginBellEightColumnsBeforeTheRightMargin) {
  terminal_.Settings().SetInt(S::MarginBell, 1);
  Receive("\x1b[1;72H");  // column 71 (0-based): one short
  Press('A');
  terminal_.KeyChar(u'a');
  EXPECT_EQ(events_.marginBells, 0);
  Receive("x");                // column 72 = right margin 79 - 7
  Press(PcKey::kNumpad0 + 1);  // keypad "1": one printable byte
  EXPECT_EQ(events_.marginBells, 1);
  Press('A');
  terminal_.KeyChar(u'a');  // typed characters ring it too
  EXPECT_EQ(events_.marginBells, 2);
  Press(PcKey::kBackspace);  // DEL does not
  Press(PcKey::kEnter);      // nor two bytes
  Press('A');
  terminal_.KeyChar(u'\x01');  // nor a control
  EXPECT_EQ(events_.marginBells, 2);
  terminal_.Settings().SetInt(S::MarginBell, 0);
  Press('A');
  terminal_.KeyChar(u'a');
  EXPECT_EQ(events_.marginBells, 2);
}

TEST_F(KeyboardInputTest, TypedCharactersGoToAUtf8HostWhole) {
  terminal_.Settings().SetInt(S::DBCS, 1);
  terminal_.Settings().SetInt(S::DBCSSet, 5);
  Press('A');
  terminal_.KeyChar(u'\u4E2D');
  terminal_.KeyChar(u'é');
  terminal_.KeyChar(u'\u20AC');
  EXPECT_EQ(events_.keys, "\xE4\xB8\xAD\xC3\xA9\xE2\x82\xAC");
  // Even with a set in GR that the session's decoder does not treat as multibyte.
  events_.Clear();
  Receive("\x1b*0\x1b}");  // DEC Special Graphics into G2, locked into GR
  Press('A');
  terminal_.KeyChar(u'\u4E2D');
  EXPECT_EQ(events_.keys, "\xE4\xB8\xAD");
}

TEST_F(KeyboardInputTest, HostDefinedKeysFromTheByteStream) {
  Receive("\x1bP0;1|18/6869\x1b\\");
  KeyboardState shift;
  shift.shift = true;
  Press(PcKey::kF1 + 6, false, shift);
  EXPECT_EQ(events_.keys, "hi");
  // A string the parser abandoned defines nothing.
  events_.Clear();
  Receive("\x1bP0;1|19/6869\x18");
  Press(PcKey::kF1 + 7, false, shift);
  EXPECT_EQ(events_.keys, "\x1b[32~");
}

TEST_F(KeyboardInputTest, WithoutEventsSinkNothingHappens) {
  terminal_.SetEvents(nullptr);
  Press(PcKey::kUp, true);
  Press(PcKey::kF1);
  Press('A');
  terminal_.KeyChar(u'a');
  EXPECT_EQ(events_.keys, "");
}

}  // namespace
}  // namespace ostrane
