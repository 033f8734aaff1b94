#include "session/settings_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/setup_file.h"

namespace ostrane {
namespace {

// The sheet copies the session's settings when it opens, the user edits the copy, and the host
// changes the live settings meanwhile.
struct EditedSession {
  EditedSession() {
    snapshot.CopyFrom(live);
    edited.CopyFrom(live);
  }
  CSettingsSet live;
  CSettingsSet snapshot;
  CSettingsSet edited;
  CSettingsChange change;
};

TEST(ApplyEditedSettings, OnlyWhatTheUserChangedReachesTheSession) {
  EditedSession s;
  s.live.SetInt(S::Columns, 132);   // the host switched to 132 columns
  s.live.SetInt(S::CursorKeys, 0);  // and to application cursor keys
  s.live.SetTabStop(40, true);      // and set a tab stop
  s.edited.SetInt(S::AutoWrap, 1);  // the user turned on auto wrap
  s.edited.SetTabStop(20, true);    // and set another tab stop
  EXPECT_TRUE(ApplyEditedSettings(s.snapshot, s.edited, s.live, s.change));
  EXPECT_EQ(s.live.Int(S::Columns), 132);
  EXPECT_EQ(s.live.Int(S::CursorKeys), 0);
  EXPECT_EQ(s.live.Int(S::AutoWrap), 1);
  EXPECT_TRUE(s.live.IsTabStop(40));
  EXPECT_TRUE(s.live.IsTabStop(20));
  EXPECT_FALSE(s.change.pageGeometry);
}

TEST(ApplyEditedSettings, ChangesRaiseTheirGroupsAndNothingChangedRaisesNothing) {
  EditedSession s;
  EXPECT_FALSE(ApplyEditedSettings(s.snapshot, s.edited, s.live, s.change));
  EXPECT_FALSE(s.change.Any());
  s.edited.SetInt(S::Columns, 132);
  s.edited.SetStr(S::HostName, "elsewhere");
  s.edited.SetStrElement(S::ButtonCaption, 3, "Go");
  s.edited.SetIntElement(S::FKeys, 2, 1);
  EXPECT_TRUE(ApplyEditedSettings(s.snapshot, s.edited, s.live, s.change));
  EXPECT_TRUE(s.change.pageGeometry);
  EXPECT_TRUE(s.change.connectionSettings);
  EXPECT_TRUE(s.change.buttons);
  EXPECT_EQ(s.live.Int(S::Columns), 132);
  EXPECT_EQ(s.live.StrElement(S::ButtonCaption, 3), "Go");
  EXPECT_EQ(s.live.IntElement(S::FKeys, 2), 1);
}

TEST(ApplyEditedKeyMap, UserMapReplacesLiveButHostKeysStay) {
  CKeyMap live;
  CKeyMap snapshot = live;
  CKeyMap edited = live;
  live.ApplyUserDefinedKeys("17/41");  // the host defined F6 while the sheet was open
  EXPECT_FALSE(ApplyEditedKeyMap(snapshot, edited, live));
  edited.Set(PcKey::kF1 + 1, 0, KeyAction::kSendString, "hello");
  EXPECT_TRUE(ApplyEditedKeyMap(snapshot, edited, live));
  EXPECT_EQ(live.Lookup(PcKey::kF1 + 1, 0).text, "hello");
  EXPECT_EQ(live.HostDefinedKeys().size(), 1u);
}

TEST(SettingsLists, PageArrangementTermIdCharsetAndParityRoundTrip) {
  for (int i = 0; i < 6; ++i) EXPECT_EQ(PageArrangementIndex(kPageArrangements[i].pages), i);
  EXPECT_EQ(PageArrangementIndex(0), -1);
  EXPECT_EQ(PageArrangementIndex(7), -1);
  for (int id = 0; id <= 6; ++id) EXPECT_EQ(TermIdOfChoice(TermIdChoice(id)), id);
  EXPECT_EQ(TermIdOfChoice(0), 0);  // the VT520 entry
  EXPECT_STREQ(kTermIdChoices[TermIdChoice(6)], "xterm (256 colours)");
  EXPECT_EQ(TermIdChoice(7), -1);
  EXPECT_EQ(TermIdChoice(-1), -1);
  EXPECT_EQ(CharsetChoice(2), -1);  // DEC Graphic is not offered
  EXPECT_EQ(kCharsetChoices[CharsetChoice(16)], 16);
  const std::vector<int> parities = {ParityOfChoice(0), ParityOfChoice(1), ParityOfChoice(2),
                                     ParityOfChoice(3), ParityOfChoice(4)};
  EXPECT_EQ(parities, (std::vector<int>{0, 2, 1, 3, 4}));
  for (int v = 0; v <= 4; ++v) EXPECT_EQ(ParityOfChoice(ParityChoice(v)), v);
}

TEST(SettingsLists, SerialPortNames) {
  EXPECT_EQ(SerialPortIndex("COM1"), 0);
  EXPECT_EQ(SerialPortIndex("com12"), 11);
  EXPECT_EQ(SerialPortIndex("COM0"), 0);  // stored as port 0, shown again as COM1
  EXPECT_EQ(SerialPortName(*SerialPortIndex("COM0")), "COM1");
  EXPECT_EQ(SerialPortIndex("COM99999999"), std::nullopt);
  EXPECT_EQ(SerialPortIndex("COM"), std::nullopt);
  EXPECT_EQ(SerialPortIndex("COMx"), std::nullopt);
  EXPECT_EQ(SerialPortIndex("/dev/ttyS0"), std::nullopt);
  EXPECT_EQ(SerialPortName(-3), "COM1");
}

// A session file from elsewhere may hold any number; reading it moves values into range.
TEST(SetupFileRanges, ValuesReadFromAFileAreClamped) {
  CSettingsSet written;
  CKeyMap keys;
  written.SetInt(S::SaveLines, 2000000000);
  written.SetInt(S::FontSize132, 1000);
  const std::string bytes = WriteSetup(written, keys);
  CSettingsSet read;
  ASSERT_EQ(ReadSetup({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, read, keys),
            SetupFileStatus::kOk);
  EXPECT_EQ(read.Int(S::SaveLines), 200000);
  EXPECT_EQ(read.Int(S::FontSize132), 32);
}

}  // namespace
}  // namespace ostrane
