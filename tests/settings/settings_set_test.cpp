#include "settings/settings_set.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace ostrane {
namespace {

// Runs each test with a single-byte workstation code page, so the code-page rules stay out of
// the way unless a test asks for them.
class SettingsSetTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetSystemCodePage(1252); }
  void TearDown() override { platform::SetSystemCodePage(0); }
};

// A settings set that records the hook calls and can refuse every change.
class CRecordingSettingsSet : public CSettingsSet {
 public:
  bool OnSettingChanged(int position, int element, const SettingValue& value,
                        CSettingsChange& change) override {
    calls.push_back({position, element});
    CSettingsSet::OnSettingChanged(position, element, value, change);
    return accept;
  }
  struct Call {
    int position;
    int element;
  };
  std::vector<Call> calls;
  bool accept = true;
};

using ChangeFlag = bool CSettingsChange::*;

const std::pair<ChangeFlag, const char*> kFlagNames[] = {
    {&CSettingsChange::historySize, "historySize"},
    {&CSettingsChange::historyCleared, "historyCleared"},
    {&CSettingsChange::pageGeometry, "pageGeometry"},
    {&CSettingsChange::clearScreen, "clearScreen"},
    {&CSettingsChange::font, "font"},
    {&CSettingsChange::layout, "layout"},
    {&CSettingsChange::repaint, "repaint"},
    {&CSettingsChange::cursor, "cursor"},
    {&CSettingsChange::margins, "margins"},
    {&CSettingsChange::printModeOff, "printModeOff"},
    {&CSettingsChange::printModeOn, "printModeOn"},
    {&CSettingsChange::numLock, "numLock"},
    {&CSettingsChange::connectionSettings, "connectionSettings"},
    {&CSettingsChange::title, "title"},
    {&CSettingsChange::buttons, "buttons"},
};

std::set<std::string> RaisedFlags(const CSettingsChange& change) {
  std::set<std::string> raised;
  for (const auto& [flag, name] : kFlagNames)
    if (change.*flag) raised.insert(name);
  return raised;
}

// The flags a change of each key raises, by key; keys not listed raise nothing.
const std::map<std::string, std::set<std::string>> kExpectedFlags = {
    {"CursorType", {"cursor"}},
    {"CursorVisible", {"cursor"}},
    {"CursorBlink", {"cursor"}},
    {"DarkScreen", {"repaint"}},
    {"BlinkText", {"repaint"}},
    {"DBCS", {"repaint"}},
    {"FontName", {"font"}},
    {"FontSize", {"font"}},
    {"FontBold", {"font"}},
    {"FontName132", {"font"}},
    {"FontSize132", {"font"}},
    {"FontBold132", {"font"}},
    {"FontUse80", {"font"}},
    {"StatusLine", {"layout"}},
    {"Columns", {"pageGeometry", "historyCleared", "clearScreen", "font", "layout", "margins"}},
    {"Lines", {"pageGeometry", "layout", "margins"}},
    {"Pages", {"pageGeometry", "layout", "margins"}},
    {"SaveLines", {"historySize"}},
    {"NumericKeypad", {"numLock"}},
    {"NumLock", {"numLock"}},
    {"HostName", {"connectionSettings"}},
    {"Proxy", {"connectionSettings"}},
    {"HostType", {"connectionSettings"}},
    {"Port", {"connectionSettings"}},
    {"Speed", {"connectionSettings"}},
    {"Parity", {"connectionSettings"}},
    {"StopBits", {"connectionSettings"}},
    {"DataLength", {"connectionSettings"}},
    {"LocalEcho", {"connectionSettings"}},
    {"Local", {"connectionSettings"}},
    {"FlowControl", {"connectionSettings"}},
    {"SshUser", {"connectionSettings"}},
    {"SshPassword", {"connectionSettings"}},
    {"Palette", {"repaint"}},
    {"BackColor", {"repaint"}},
    {"ForeColor", {"repaint"}},
    {"Mapped", {"repaint"}},
    {"History", {"historyCleared"}},
    {"FitFont", {"layout"}},
    {"Title", {"title"}},
    {"ButtonCaption", {"buttons"}},
};

// Changes entry `position` of the set so that it differs from before.
void Alter(CSettingsSet& set, int position) {
  const SettingDescriptor& d = CSettingsSet::Descriptor(position);
  switch (d.type) {
    case SettingType::kInteger:
      set.SetInt(position, set.Int(position) + 1);
      break;
    case SettingType::kString:
      set.SetStr(position, set.Str(position) + "x");
      break;
    case SettingType::kBinary:
      set.Binary(position)[d.size - 1] ^= 0x5A;
      break;
    case SettingType::kArray:
      if (d.elementType == 0)
        set.SetIntElement(position, d.size - 1, 7);
      else
        set.SetStrElement(position, d.size - 1, "x");
      break;
  }
}

TEST_F(SettingsSetTest, TableIdsKeysAndShapesAreConsistent) {
  const std::set<int> groups = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                                0x07, 0x08, 0x09, 0x0B, 0x0C, 0x0D};
  std::set<uint16_t> ids;
  std::set<std::string> keys;
  CSettingsSet set;
  ASSERT_EQ(107, set.Count());
  for (int i = 0; i < set.Count(); ++i) {
    const SettingDescriptor& d = CSettingsSet::Descriptor(i);
    SCOPED_TRACE(d.key);
    EXPECT_NE(0, d.id);
    EXPECT_TRUE(groups.count(d.id >> 8));
    EXPECT_TRUE(ids.insert(d.id).second);
    EXPECT_TRUE(keys.insert(d.key).second);
    EXPECT_EQ(i, CSettingsSet::FindKey(d.key));
    EXPECT_EQ(i, CSettingsSet::FindId(d.id));
    const bool sized = d.type == SettingType::kBinary || d.type == SettingType::kArray;
    EXPECT_EQ(sized, d.size != 0);
    if (d.type == SettingType::kBinary) {
      EXPECT_EQ(d.size, set.BinarySize(i));
    }
  }
  // Entries of a group are numbered from 1 without gaps, in table order.
  for (int i = 1; i < set.Count(); ++i) {
    const uint16_t prev = CSettingsSet::Descriptor(i - 1).id;
    const uint16_t id = CSettingsSet::Descriptor(i).id;
    if ((id >> 8) == (prev >> 8))
      EXPECT_EQ(prev + 1, id);
    else
      EXPECT_EQ(1, id & 0xFF);
  }
  EXPECT_EQ(-1, CSettingsSet::FindKey("NoSuchKey"));
  EXPECT_EQ(-1, CSettingsSet::FindId(0));
  EXPECT_EQ(-1, CSettingsSet::FindId(0x0A01));
}

TEST_F(SettingsSetTest, NamedPositionsMatchTheTable) {
  EXPECT_STREQ("8BitChars", CSettingsSet::Descriptor(S::EightBitChars).key);
  EXPECT_STREQ("FontName", CSettingsSet::Descriptor(5).key);
  EXPECT_STREQ("FontUse80", CSettingsSet::Descriptor(11).key);
  EXPECT_STREQ("HostName", CSettingsSet::Descriptor(49).key);
  EXPECT_STREQ("SshPassword", CSettingsSet::Descriptor(61).key);
  EXPECT_STREQ("KeepSession", CSettingsSet::Descriptor(S::KeepSession).key);
  EXPECT_STREQ("XferInitPause", CSettingsSet::Descriptor(S::XferInitPause).key);
  EXPECT_EQ(S::Palette, CSettingsSet::FindKey("Palette"));
  EXPECT_EQ(S::ButtonAction, CSettingsSet::FindKey("ButtonAction"));
}

TEST_F(SettingsSetTest, FreshSetHoldsTheDefaults) {
  CSettingsSet set;
  EXPECT_EQ(80, set.Int(S::Columns));
  EXPECT_EQ(24, set.Int(S::Lines));
  EXPECT_EQ(6, set.Int(S::Pages));
  EXPECT_EQ(800, set.Int(S::SaveLines));
  EXPECT_EQ(2, set.Int(S::TermID));
  EXPECT_EQ(2, set.Int(S::NewLine));
  EXPECT_EQ(5, set.Int(S::JobTimeout));
  EXPECT_EQ(500, set.Int(S::XferInitPause));
  EXPECT_EQ(1, set.Int(S::DefaultPrinter));
  EXPECT_EQ(4, set.Int(S::PrimarySet));
  EXPECT_EQ(0, set.Int(S::DBCS));
  EXPECT_EQ("Received", set.Str(S::RecvDir));
  EXPECT_EQ("rz\r", set.Str(S::ZModemInit));
  EXPECT_EQ("", set.Str(S::HostName));
  for (int font : {S::FontName, S::FontName132, S::PrintFontName})
    EXPECT_EQ("Courier New", set.Str(font));
  for (int size : {S::FontSize, S::FontSize132, S::PrintFontSize}) EXPECT_EQ(9, set.Int(size));
  EXPECT_EQ(
      "term.Wait(\"name:|NAME:|login:|LOGIN:\");\r\n"
      "term.Send(term.UserID+\"<CR>\");\r\n"
      "term.Wait(\"word:|WORD:\");\r\n"
      "term.Send(term.Password+\"<CR>\");\r\n",
      set.Str(S::Script));
  std::string name = "unset";
  set.TerminalTypeName(name);
  EXPECT_EQ("vt220", name);
  for (int b = 0; b < 148; ++b) EXPECT_EQ(0, set.Binary(S::PrinterParam)[b]);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(0, set.IntElement(S::FKeys, i));
  for (int i = 0; i < 32; ++i) EXPECT_EQ("", set.StrElement(S::ButtonCaption, i));
}

TEST_F(SettingsSetTest, DefaultPaletteAndTabStops) {
  CSettingsSet set;
  const uint32_t expected[16] = {0x000000, 0x800000, 0x008000, 0x000080, 0x808000, 0x800080,
                                 0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0x0000FF,
                                 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(expected[c], set.PaletteColour(c)) << c;
    EXPECT_EQ(0, set.Binary(S::Palette)[c * 4 + 3]);
  }
  for (int col = 0; col < 132; ++col)
    EXPECT_EQ(col != 0 && col % 8 == 0, set.IsTabStop(col)) << col;
}

TEST_F(SettingsSetTest, CodePageRulesOnReset) {
  platform::SetSystemCodePage(936);
  CSettingsSet eastAsian;
  EXPECT_EQ(1, eastAsian.Int(S::DBCS));
  EXPECT_EQ(4, eastAsian.Int(S::PrimarySet));
  EXPECT_EQ(0, eastAsian.Int(S::DBCSSet));

  for (int page : {932, 949, 950}) {
    platform::SetSystemCodePage(page);
    eastAsian.SetInt(S::DBCS, 0);
    eastAsian.ResetToDefaults();
    EXPECT_EQ(1, eastAsian.Int(S::DBCS)) << page;
  }

  platform::SetSystemCodePage(platform::kCodePageUtf8);
  CSettingsSet utf8;
  EXPECT_EQ(1, utf8.Int(S::DBCS));
  EXPECT_EQ(5, utf8.Int(S::DBCSSet));

  platform::SetSystemCodePage(1252);
  utf8.ResetToDefaults();
  EXPECT_EQ(0, utf8.Int(S::DBCS));
  EXPECT_EQ(0, utf8.Int(S::DBCSSet));
}

TEST_F(SettingsSetTest, ResetKeepsStringArraysAndRestoresEverythingElse) {
  CSettingsSet set;
  set.SetButton(3, "Go", "go<CR>", 2);
  set.SetInt(S::Columns, 132);
  set.SetStr(S::RecvDir, "elsewhere");
  set.ClearAllTabStops();
  set.SetIntElement(S::FKeys, 0, 1);
  set.ResetToDefaults();
  EXPECT_EQ("Go", set.ButtonCaption(3));
  EXPECT_EQ("go<CR>", set.ButtonString(3));
  EXPECT_EQ(0, set.ButtonAction(3));
  EXPECT_EQ(0, set.IntElement(S::FKeys, 0));
  EXPECT_EQ(80, set.Int(S::Columns));
  EXPECT_EQ("Received", set.Str(S::RecvDir));
  EXPECT_EQ(8, set.NextTabStop(0));
}

TEST_F(SettingsSetTest, PositionalBinaryWriteCopiesAtMostTheEntrySize) {
  CSettingsSet set;
  const std::vector<uint8_t> big(200, 0xAB);
  set.SetBinary(S::Mapped, big.data(), big.size());
  for (int i = 0; i < 16; ++i) EXPECT_EQ(0xAB, set.Binary(S::Mapped)[i]);
  EXPECT_EQ(0, set.Binary(S::DisplayAttr)[0]);
  const uint8_t two[2] = {1, 2};
  set.SetBinary(S::Mapped, two, 2);
  EXPECT_EQ(1, set.Binary(S::Mapped)[0]);
  EXPECT_EQ(2, set.Binary(S::Mapped)[1]);
  EXPECT_EQ(0xAB, set.Binary(S::Mapped)[2]);
}

TEST_F(SettingsSetTest, GetByKeyReadsIntegersAndStringsOnly) {
  CSettingsSet set;
  EXPECT_EQ(SettingValue(80), set.GetByKey("Columns"));
  EXPECT_EQ(SettingValue(std::string("rz\r")), set.GetByKey("ZModemInit"));
  EXPECT_EQ(SettingValue(0), set.GetByKey("HostScript"));
  EXPECT_FALSE(set.GetByKey("Palette"));
  EXPECT_FALSE(set.GetByKey("ButtonCaption"));
  EXPECT_FALSE(set.GetByKey("columns"));
  EXPECT_FALSE(set.GetByKey(""));
}

TEST_F(SettingsSetTest, SetByKeyConvertsLikeTheScriptLanguage) {
  CSettingsSet set;
  CSettingsChange change;
  EXPECT_TRUE(set.SetByKey("Columns", std::string("132"), change));
  EXPECT_EQ(132, set.Int(S::Columns));
  const std::pair<const char*, int32_t> cases[] = {
      {"  \t-12abc", -12},
      {"+7", 7},
      {"abc", 0},
      {"", 0},
      {"- 5", 0},
      {"99999999999", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"-99999999999", INT32_MIN},
      {"0042", 42},
  };
  for (const auto& [text, number] : cases) {
    EXPECT_TRUE(set.SetByKey("SaveLines", std::string(text), change));
    EXPECT_EQ(number, set.Int(S::SaveLines)) << text;
  }
  EXPECT_TRUE(set.SetByKey("Title", -42, change));
  EXPECT_EQ("-42", set.Str(S::Title));
  EXPECT_TRUE(set.SetByKey("HostName", std::string("h\0st", 4), change));
  EXPECT_EQ(std::string("h\0st", 4), set.Str(S::HostName));
}

TEST_F(SettingsSetTest, SetByKeyRaisesFlagsOnlyForARealChange) {
  CRecordingSettingsSet set;
  CSettingsChange change;
  EXPECT_TRUE(set.SetByKey("Columns", 80, change));
  EXPECT_TRUE(set.calls.empty());
  EXPECT_FALSE(change.Any());

  EXPECT_TRUE(set.SetByKey("Columns", 132, change));
  ASSERT_EQ(1u, set.calls.size());
  EXPECT_EQ(S::Columns, set.calls[0].position);
  EXPECT_EQ(-1, set.calls[0].element);
  EXPECT_EQ(kExpectedFlags.at("Columns"), RaisedFlags(change));
}

TEST_F(SettingsSetTest, SetByKeyRefusesProtectedWrongCaseAndBlockKeys) {
  CSettingsSet set;
  CSettingsChange change;
  EXPECT_FALSE(set.SetByKey("HostScript", 1, change));
  EXPECT_FALSE(set.SetByKey("HostScript", std::string("1"), change));
  EXPECT_EQ(0, set.Int(S::HostScript));
  EXPECT_FALSE(set.SetByKey("hostname", std::string("x"), change));
  EXPECT_EQ("", set.Str(S::HostName));
  EXPECT_FALSE(set.SetByKey("Palette", 1, change));
  EXPECT_FALSE(set.SetByKey("FKeys", 1, change));
  EXPECT_FALSE(set.SetByKey("Nope", 1, change));
  EXPECT_FALSE(change.Any());
}

TEST_F(SettingsSetTest, RefusedChangesLeaveTheOldValue) {
  CRecordingSettingsSet set;
  set.accept = false;
  CSettingsChange change;
  EXPECT_TRUE(set.SetByKey("Columns", 132, change));
  EXPECT_TRUE(set.SetByKey("Title", std::string("t"), change));
  EXPECT_TRUE(set.SetElementByKey("Palette", 0, 9, change));
  EXPECT_TRUE(set.SetElementByKey("ButtonCaption", 0, std::string("b"), change));
  EXPECT_EQ(4u, set.calls.size());
  EXPECT_EQ(80, set.Int(S::Columns));
  EXPECT_EQ("", set.Str(S::Title));
  EXPECT_EQ(0, set.Binary(S::Palette)[0]);
  EXPECT_EQ("", set.ButtonCaption(0));

  CSettingsSet other;
  other.SetInt(S::Lines, 48);
  EXPECT_FALSE(set.ApplyFrom(other, change));
  EXPECT_EQ(24, set.Int(S::Lines));
}

TEST_F(SettingsSetTest, ElementByKeyOnBinaryEntries) {
  CSettingsSet set;
  EXPECT_EQ(SettingValue(0), set.GetElementByKey("Palette", 3));
  EXPECT_EQ(SettingValue(128), set.GetElementByKey("Palette", 4));
  EXPECT_EQ(SettingValue(1), set.GetElementByKey("TabList", 8));
  EXPECT_EQ(SettingValue(0), set.GetElementByKey("TabList", 131));
  EXPECT_FALSE(set.GetElementByKey("TabList", 132));
  EXPECT_FALSE(set.GetElementByKey("TabList", -1));
  EXPECT_FALSE(set.GetElementByKey("Palette", 64));

  CRecordingSettingsSet recorded;
  CSettingsChange change;
  EXPECT_TRUE(recorded.SetElementByKey("Palette", 5, 0x1FF, change));
  EXPECT_EQ(0xFF, recorded.Binary(S::Palette)[5]);
  ASSERT_EQ(1u, recorded.calls.size());
  EXPECT_EQ(5, recorded.calls[0].element);
  EXPECT_TRUE(change.repaint);

  EXPECT_TRUE(recorded.SetElementByKey("TabList", 9, std::string("1"), change));
  EXPECT_TRUE(recorded.IsTabStop(9));
  EXPECT_FALSE(recorded.SetElementByKey("TabList", 132, 1, change));
  EXPECT_FALSE(recorded.SetElementByKey("TabList", -1, 1, change));
}

TEST_F(SettingsSetTest, ElementByKeyOnArrayEntries) {
  CSettingsSet set;
  CSettingsChange change;
  EXPECT_TRUE(set.SetElementByKey("ButtonCaption", 31, std::string("Last"), change));
  EXPECT_TRUE(change.buttons);
  EXPECT_EQ(SettingValue(std::string("Last")), set.GetElementByKey("ButtonCaption", 31));
  EXPECT_TRUE(set.SetElementByKey("ButtonString", 0, 12, change));
  EXPECT_EQ("12", set.ButtonString(0));
  EXPECT_TRUE(set.SetElementByKey("FKeys", 4, std::string("2"), change));
  EXPECT_EQ(SettingValue(2), set.GetElementByKey("FKeys", 4));
  EXPECT_FALSE(set.SetElementByKey("FKeys", 5, 1, change));
  EXPECT_FALSE(set.GetElementByKey("FKeys", 5));
  EXPECT_FALSE(set.GetElementByKey("ButtonCaption", 32));
  // Integer and string entries have no elements.
  EXPECT_FALSE(set.GetElementByKey("Columns", 0));
  EXPECT_FALSE(set.SetElementByKey("Title", 0, std::string("x"), change));
  EXPECT_FALSE(set.GetElementByKey("Nope", 0));
}

TEST_F(SettingsSetTest, ApplyFromAnIdenticalSetCallsNoHook) {
  CRecordingSettingsSet set;
  CSettingsSet other;
  CSettingsChange change;
  EXPECT_FALSE(set.ApplyFrom(other, change));
  EXPECT_TRUE(set.calls.empty());
  EXPECT_FALSE(change.Any());
  EXPECT_TRUE(set.Equals(other));
}

TEST_F(SettingsSetTest, ApplyFromRaisesExactlyTheFlagsOfEachEntry) {
  for (int i = 0; i < kSettingCount; ++i) {
    const char* key = CSettingsSet::Descriptor(i).key;
    SCOPED_TRACE(key);
    CRecordingSettingsSet set;
    CSettingsSet other;
    Alter(other, i);
    ASSERT_FALSE(set.Equals(other));
    CSettingsChange change;
    EXPECT_TRUE(set.ApplyFrom(other, change));
    ASSERT_EQ(1u, set.calls.size());
    EXPECT_EQ(i, set.calls[0].position);
    EXPECT_EQ(-1, set.calls[0].element);
    const auto expected = kExpectedFlags.find(key);
    EXPECT_EQ(expected == kExpectedFlags.end() ? std::set<std::string>() : expected->second,
              RaisedFlags(change));
    EXPECT_TRUE(set.Equals(other));
  }
}

TEST_F(SettingsSetTest, ApplyFromCopiesOnlyWhatDiffers) {
  CRecordingSettingsSet set;
  CSettingsSet other;
  other.SetStrElement(S::ButtonString, 17, "cmd");
  other.SetInt(S::KeepSession, 1);
  other.Binary(S::DisplayAttr)[3] = 1;
  CSettingsChange change;
  EXPECT_TRUE(set.ApplyFrom(other, change));
  EXPECT_EQ(3u, set.calls.size());
  EXPECT_FALSE(change.Any());
  EXPECT_EQ("cmd", set.ButtonString(17));
  EXPECT_EQ(1, set.Int(S::KeepSession));
  EXPECT_EQ(1, set.Binary(S::DisplayAttr)[3]);
}

TEST_F(SettingsSetTest, CopyFromCopiesEverythingWithoutTheHook) {
  CSettingsSet other;
  for (int i = 0; i < kSettingCount; ++i) Alter(other, i);
  other.SetButton(0, "A", "a", 1);
  CRecordingSettingsSet set;
  set.CopyFrom(other);
  EXPECT_TRUE(set.calls.empty());
  EXPECT_TRUE(set.Equals(other));
  EXPECT_EQ("A", set.ButtonCaption(0));
  EXPECT_EQ(81, set.Int(S::Columns));
  set.SetStrElement(S::ButtonCaption, 0, "B");
  EXPECT_FALSE(set.Equals(other));
  EXPECT_EQ("A", other.ButtonCaption(0));
}

TEST_F(SettingsSetTest, TerminalTypeNames) {
  CSettingsSet set;
  const char* names[] = {"vt420", "vt320", "vt220", "vt102", "vt101", "vt100", "xterm-256color"};
  for (int id = 0; id < 7; ++id) {
    set.SetInt(S::TermID, id);
    std::string out;
    set.TerminalTypeName(out);
    EXPECT_EQ(names[id], out);
  }
  for (int id : {-1, 7, 1000}) {
    set.SetInt(S::TermID, id);
    std::string out = "before";
    set.TerminalTypeName(out);
    EXPECT_EQ("before", out);
  }
}

TEST_F(SettingsSetTest, NextTabStop) {
  CSettingsSet set;
  EXPECT_EQ(8, set.NextTabStop(0));
  EXPECT_EQ(16, set.NextTabStop(8));
  EXPECT_EQ(128, set.NextTabStop(127));
  EXPECT_EQ(131, set.NextTabStop(128));
  EXPECT_EQ(131, set.NextTabStop(130));
  EXPECT_EQ(-1, set.NextTabStop(131));
  EXPECT_EQ(-1, set.NextTabStop(-1));
  EXPECT_EQ(-1, set.NextTabStop(1000));
  set.SetTabStop(131, true);
  EXPECT_EQ(131, set.NextTabStop(128));
  set.SetTabStop(3, true);
  EXPECT_EQ(3, set.NextTabStop(0));
  set.SetTabStop(3, false);
  EXPECT_EQ(8, set.NextTabStop(0));
}

TEST_F(SettingsSetTest, TabStopsOutsideTheLineAreIgnored) {
  CSettingsSet set;
  set.ClearAllTabStops();
  EXPECT_EQ(131, set.NextTabStop(0));
  for (int col = 0; col < 132; ++col) EXPECT_FALSE(set.IsTabStop(col));
  set.SetTabStop(-1, true);
  set.SetTabStop(132, true);
  EXPECT_FALSE(set.IsTabStop(-1));
  EXPECT_FALSE(set.IsTabStop(132));
  set.SetDefaultTabStops();
  CSettingsSet fresh;
  EXPECT_TRUE(set.Equals(fresh));
}

TEST_F(SettingsSetTest, PaletteColours) {
  CSettingsSet set;
  set.SetPaletteColour(15, 0x123456);
  EXPECT_EQ(0x123456u, set.PaletteColour(15));
  const uint8_t* last = set.Binary(S::Palette) + 60;
  EXPECT_EQ(0x12, last[0]);
  EXPECT_EQ(0x34, last[1]);
  EXPECT_EQ(0x56, last[2]);
  EXPECT_EQ(0, last[3]);
  set.SetPaletteColour(16, 0xFFFFFF);
  set.SetPaletteColour(-1, 0xFFFFFF);
  EXPECT_EQ(0u, set.PaletteColour(16));
  EXPECT_EQ(0u, set.PaletteColour(-1));
  EXPECT_EQ(0x000000u, set.PaletteColour(0));
}

TEST_F(SettingsSetTest, ColourMapSetAndLookUp) {
  CSettingsSet set;
  EXPECT_EQ(0, CSettingsSet::CombinationIndex(false, false, false, false));
  EXPECT_EQ(5, CSettingsSet::CombinationIndex(true, false, true, false));
  EXPECT_EQ(15, CSettingsSet::CombinationIndex(true, true, true, true));

  // Not mapped: colours come from the attribute word itself.
  ColourMapEntry plain = set.LookUpColourMap(0x3A05);
  EXPECT_FALSE(plain.mapped);
  EXPECT_EQ(0xA, plain.foreground);
  EXPECT_EQ(0x3, plain.background);
  EXPECT_TRUE(plain.displayAttributes);

  set.SetColourMap(5, 12, 4, false);
  ColourMapEntry mapped = set.LookUpColourMap(0x3A05);
  EXPECT_TRUE(mapped.mapped);
  EXPECT_EQ(12, mapped.foreground);
  EXPECT_EQ(4, mapped.background);
  EXPECT_FALSE(mapped.displayAttributes);

  set.SetColourMap(5, -1, 4, true);
  EXPECT_FALSE(set.LookUpColourMap(0x0005).mapped);
  set.SetColourMap(5, 3, -1, true);
  EXPECT_FALSE(set.LookUpColourMap(0x0005).mapped);
  set.SetColourMap(16, 1, 1, true);
  set.SetColourMap(-1, 1, 1, true);
  for (int c = 0; c < 16; ++c) EXPECT_EQ(0, set.Binary(S::Mapped)[c]);
}

TEST_F(SettingsSetTest, ColourMapByPattern) {
  CSettingsSet set;
  const int boldNotReverse[4] = {1, -1, -1, 0};
  set.SetColourMapByPattern(boldNotReverse, 9, 0, true);
  for (int c = 0; c < 16; ++c) {
    const bool expected = (c & 1) && !(c & 8);
    EXPECT_EQ(expected, set.Binary(S::Mapped)[c] != 0) << c;
    if (expected) {
      EXPECT_EQ(9, set.Binary(S::ForeColor)[c]);
    }
  }
  const int any[4] = {-1, -1, -1, -1};
  set.SetColourMapByPattern(any, -1, 0, true);
  for (int c = 0; c < 16; ++c) EXPECT_EQ(0, set.Binary(S::Mapped)[c]);
}

TEST_F(SettingsSetTest, ColourMapBitIrrelevance) {
  CSettingsSet set;
  for (int bit = 0; bit < 4; ++bit) EXPECT_TRUE(set.ColourMapBitIrrelevant(bit));

  // Bold (bit 0) mapped regardless of the other bits: only bit 0 matters.
  const int bold[4] = {1, -1, -1, -1};
  set.SetColourMapByPattern(bold, 9, 0, true);
  EXPECT_FALSE(set.ColourMapBitIrrelevant(0));
  EXPECT_TRUE(set.ColourMapBitIrrelevant(1));
  EXPECT_TRUE(set.ColourMapBitIrrelevant(2));
  EXPECT_TRUE(set.ColourMapBitIrrelevant(3));

  // Same mapping on both sides of bit 0, but a different colour: bit 0 matters again.
  const int notBold[4] = {0, -1, -1, -1};
  set.SetColourMapByPattern(notBold, 9, 0, false);
  EXPECT_TRUE(set.ColourMapBitIrrelevant(0));
  set.SetColourMap(6, 9, 1, false);
  EXPECT_FALSE(set.ColourMapBitIrrelevant(0));
  EXPECT_FALSE(set.ColourMapBitIrrelevant(1));
  EXPECT_FALSE(set.ColourMapBitIrrelevant(2));
  EXPECT_FALSE(set.ColourMapBitIrrelevant(3));

  // Foreground and background of unmapped combinations do not count.
  CSettingsSet unmapped;
  unmapped.Binary(S::ForeColor)[1] = 7;
  EXPECT_TRUE(unmapped.ColourMapBitIrrelevant(0));
  EXPECT_FALSE(unmapped.ColourMapBitIrrelevant(4));
}

TEST_F(SettingsSetTest, PrinterChoiceFromTheDefaultEntry) {
  CSettingsSet set;
  auto choice = set.CurrentPrinterChoice("Laser,hpcups,LPT1:");
  ASSERT_TRUE(choice);
  EXPECT_EQ("Laser", choice->device);
  EXPECT_EQ("hpcups", choice->driver);
  EXPECT_TRUE(choice->deviceMode.empty());

  choice = set.CurrentPrinterChoice("Laser");
  ASSERT_TRUE(choice);
  EXPECT_EQ("Laser", choice->device);
  EXPECT_EQ("", choice->driver);

  choice = set.CurrentPrinterChoice("Laser,drv");
  ASSERT_TRUE(choice);
  EXPECT_EQ("drv", choice->driver);

  EXPECT_FALSE(set.CurrentPrinterChoice(",,,"));
  EXPECT_FALSE(set.CurrentPrinterChoice(""));

  // The entry is read into 256 bytes, terminator included.
  const std::string longEntry = std::string(300, 'P') + ",d,p";
  choice = set.CurrentPrinterChoice(longEntry);
  ASSERT_TRUE(choice);
  EXPECT_EQ(255u, choice->device.size());
  EXPECT_EQ("", choice->driver);
}

TEST_F(SettingsSetTest, StoredPrinterChoice) {
  CSettingsSet set;
  std::vector<uint8_t> mode(148);
  for (size_t i = 0; i < mode.size(); ++i) mode[i] = static_cast<uint8_t>(i + 1);
  set.StorePrinterChoice(false, "drv", "Office", mode.data(), mode.size());
  EXPECT_EQ(0, set.Int(S::DefaultPrinter));
  auto choice = set.CurrentPrinterChoice("Laser,hpcups,LPT1:");
  ASSERT_TRUE(choice);
  EXPECT_EQ("Office", choice->device);
  EXPECT_EQ("drv", choice->driver);
  EXPECT_EQ(mode, choice->deviceMode);

  // A shorter block replaces the old one whole.
  const uint8_t shortMode[4] = {9, 9, 9, 9};
  set.StorePrinterChoice(false, "d2", "Other", shortMode, 4);
  choice = set.CurrentPrinterChoice("");
  ASSERT_TRUE(choice);
  EXPECT_EQ(148u, choice->deviceMode.size());
  EXPECT_EQ(9, choice->deviceMode[3]);
  EXPECT_EQ(0, choice->deviceMode[4]);
  EXPECT_EQ(0, choice->deviceMode[147]);

  // A longer block is cut to the entry's size.
  const std::vector<uint8_t> longMode(400, 0xEE);
  set.StorePrinterChoice(false, "d3", "Third", longMode.data(), longMode.size());
  EXPECT_EQ(0xEE, set.Binary(S::PrinterParam)[147]);

  // Going back to the default printer keeps the stored names.
  set.StorePrinterChoice(true, "ignored", "ignored", nullptr, 0);
  EXPECT_EQ(1, set.Int(S::DefaultPrinter));
  EXPECT_EQ("Third", set.Str(S::PrinterName));
  EXPECT_EQ("Laser", set.CurrentPrinterChoice("Laser,x,y")->device);
}

TEST_F(SettingsSetTest, ButtonBar) {
  CSettingsSet set;
  EXPECT_FALSE(set.HasButton(0));
  set.SetButton(31, "Login", "<CR>", 3);
  EXPECT_TRUE(set.HasButton(31));
  EXPECT_EQ("Login", set.ButtonCaption(31));
  EXPECT_EQ("<CR>", set.ButtonString(31));
  EXPECT_EQ(3, set.ButtonAction(31));
  set.SetButton(31, "", "kept", 1);
  EXPECT_FALSE(set.HasButton(31));
  EXPECT_EQ("kept", set.ButtonString(31));

  set.SetButton(32, "X", "x", 1);
  set.SetButton(-1, "X", "x", 1);
  EXPECT_FALSE(set.HasButton(32));
  EXPECT_FALSE(set.HasButton(-1));
  EXPECT_EQ("", set.ButtonCaption(32));
  EXPECT_EQ("", set.ButtonString(-1));
  EXPECT_EQ(0, set.ButtonAction(32));
}

}  // namespace
}  // namespace ostrane
