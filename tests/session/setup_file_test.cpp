#include "session/setup_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "keyboard/key_map.h"
#include "session/window_placement.h"
#include "settings/settings_set.h"

namespace ostrane {
namespace {

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Builds setup files by hand, byte by byte.
class FileBuilder {
 public:
  FileBuilder& Byte(uint8_t v) {
    out += static_cast<char>(v);
    return *this;
  }
  FileBuilder& Word(uint16_t v) { return Byte(v & 0xFF).Byte(v >> 8); }
  FileBuilder& Dword(uint32_t v) { return Word(v & 0xFFFF).Word(v >> 16); }
  FileBuilder& Text(std::string_view t) {
    Byte(static_cast<uint8_t>(t.size()));
    out += t;
    return *this;
  }
  FileBuilder& Magic(std::string_view m = kSetupFileMagic) { return Text(m); }
  FileBuilder& Int(uint16_t id, int32_t v) {
    return Word(id).Byte(0).Dword(static_cast<uint32_t>(v));
  }
  // An empty key map block: the full direct table of zeros, no entries, reserved bytes.
  FileBuilder& EmptyKeyMap() {
    Dword(255);
    out.append(255, '\0');
    Dword(0);
    out.append(8, '\0');
    return *this;
  }
  std::string out;
};

class SetupFileTest : public testing::Test {
 protected:
  SetupFileStatus Read(const std::string& bytes) {
    return ReadSetup(Bytes(bytes), settings_, map_);
  }
  CSettingsSet settings_;
  CKeyMap map_;
};

TEST_F(SetupFileTest, WrittenAndReadBackEqualsTheOriginal) {
  CSettingsSet original;
  CKeyMap originalMap;
  original.SetInt(S::Columns, 132);
  original.SetInt(S::TermID, 0);
  original.SetInt(S::YPos, -1);  // a window above the screen's top: negative, and kept
  original.SetStr(S::HostName, "host.example");
  original.SetStr(S::AnswerBack, std::string("\x1b\x00\xff", 3));
  original.SetStr(S::Title, std::string(300, 't'));     // 0xFF + word length
  original.SetStr(S::Script, std::string(70000, 's'));  // 0xFF 0xFFFF + dword length
  original.SetStr(S::UserID, std::string(254, 'u'));    // the longest one-byte length
  original.SetStr(S::Password, std::string(255, 'p'));  // the shortest word length
  original.Binary(S::Palette)[5] = 0x42;
  original.SetTabStop(3, true);
  original.SetIntElement(S::FKeys, 4, 2);
  original.SetButton(31, "Last", "ls<CR>", 1);
  original.SetStrElement(S::ButtonCaption, 0, std::string(1000, 'c'));
  originalMap.Set(PcKey::kF1, KeyMod::kAlt, KeyAction::kSendString, std::string("\x9b\0A", 3));
  originalMap.Set('Q', 0, KeyAction::kMenu, "Edit: Paste");
  originalMap.Remove(PcKey::kUp, 0);

  const std::string file = WriteSetup(original, originalMap);
  ASSERT_EQ(Read(file), SetupFileStatus::kOk);
  EXPECT_TRUE(settings_.Equals(original));
  EXPECT_EQ(map_, originalMap);
  // And the same bytes again.
  EXPECT_EQ(WriteSetup(settings_, map_), file);
}

// A string planted on a function key by the host (DECUDK) is for this session only: a saved
// file holds the user's own mapping of that key, and the file read back has no trace of it.
TEST_F(SetupFileTest, HostDefinedKeysAreNotSaved) {
  CKeyMap map;
  map.Set(PcKey::kF1, KeyMod::kShift, KeyAction::kSendString, "mine");
  const std::string before = WriteSetup(settings_, map);
  map.ApplyUserDefinedKeys("11/727220;17/41");
  ASSERT_EQ(map.Lookup(PcKey::kF1, KeyMod::kShift).text, "rr ");
  EXPECT_EQ(WriteSetup(settings_, map), before);
  ASSERT_EQ(Read(WriteSetup(settings_, map)), SetupFileStatus::kOk);
  EXPECT_EQ(map_.Lookup(PcKey::kF1, KeyMod::kShift).text, "mine");
  EXPECT_NE(map_.Lookup(PcKey::kF1 + 5, KeyMod::kShift).text, "A");
  // A reset of the map drops them too.
  map.ResetToDefault();
  EXPECT_TRUE(map.HostDefinedKeys().empty());
}

TEST_F(SetupFileTest, LayoutOfAWrittenFile) {
  const std::string file = WriteSetup(settings_, map_);
  EXPECT_EQ(file.substr(0, 21), std::string("\x14") + std::string(kSetupFileMagic));
  EXPECT_NE(file.find(std::string("\x07\x03\x00\x50\x00\x00\x00", 7)), std::string::npos);
  EXPECT_NE(file.find(std::string("\x03\x0D\x01\x03\x72\x7A\x0D", 7)), std::string::npos);
  // The first record follows the magic: CursorType, integer 0.
  EXPECT_EQ(file.substr(21, 7), std::string("\x01\x01\x00\x00\x00\x00\x00", 7));
  // Eight reserved zero bytes end it; before them the entries, each key, modifiers, code, text.
  EXPECT_EQ(file.substr(file.size() - 8), std::string(8, '\0'));
  const std::string tail = WriteSetup(settings_, CKeyMap()).substr(file.size() - 8);
  EXPECT_EQ(tail, std::string(8, '\0'));
  // The key map block: dword 255, the direct table, the entry count.
  const size_t entriesBytes = [&] {
    size_t n = 0;
    for (const KeyMapEntry& e : map_.Entries()) n += 4 + e.text.size();
    return n;
  }();
  const size_t block = file.size() - 8 - entriesBytes - 4 - 255 - 4;
  EXPECT_EQ(file.substr(block - 2, 6), std::string("\x00\x00\xff\x00\x00\x00", 6));
  EXPECT_EQ(static_cast<uint8_t>(file[block + 4 + PcKey::kBackspace - 1]), VtKey::kBackArrow);
}

TEST_F(SetupFileTest, EntriesMissingFromTheFileKeepTheirValues) {
  settings_.SetInt(S::Lines, 36);
  settings_.SetStr(S::HostName, "kept");
  ASSERT_EQ(Read(FileBuilder().Magic().Int(0x0307, 132).Word(0).EmptyKeyMap().out),
            SetupFileStatus::kOk);
  EXPECT_EQ(settings_.Int(S::Columns), 132);
  EXPECT_EQ(settings_.Int(S::Lines), 36);
  EXPECT_EQ(settings_.Str(S::HostName), "kept");
  // The key map came from the file, plus the built-in menu entries on free keys.
  EXPECT_EQ(map_.Lookup(PcKey::kUp, 0).action, KeyAction::kNone);
  EXPECT_EQ(map_.Lookup(PcKey::kF1, 0).text, "Window: Hold Screen");
  EXPECT_EQ(map_.Lookup(PcKey::kPageUp, KeyMod::kCtrl).text, "View: Scroll Page Up");
}

TEST_F(SetupFileTest, UnknownIdsOfEveryTypeAreReadPast) {
  FileBuilder f;
  f.Magic();
  f.Word(0x0A01).Byte(0).Dword(7);
  f.Word(0x0A02).Byte(1).Text("unknown text");
  f.Word(0x0A03).Byte(2).Word(3).Byte(1).Byte(2).Byte(3);
  f.Word(0x0A04).Byte(3).Word(2).Byte(0).Dword(1).Dword(2);
  f.Word(0x0A05).Byte(3).Word(2).Byte(1).Text("a").Text("bc");
  f.Word(0x0A06).Byte(3).Word(5).Byte(9);  // elements of an unknown type have no bytes
  f.Word(0x0A07).Byte(7);                  // nor does a value of an unknown type
  f.Int(0x0307, 132).Word(0).EmptyKeyMap();
  ASSERT_EQ(Read(f.out), SetupFileStatus::kOk);
  EXPECT_EQ(settings_.Int(S::Columns), 132);
}

TEST_F(SetupFileTest, KnownEntriesShorterThanTheirSize) {
  FileBuilder f;
  f.Magic();
  f.Word(0x0801).Byte(2).Word(2).Byte(9).Byte(8);          // Palette: two bytes
  f.Word(0x0509).Byte(3).Word(1).Byte(1).Dword(2);         // FKeys: the file's element type
  f.Word(0x0B01).Byte(3).Word(1).Byte(0).Text("caption");  // is not what counts
  f.Word(0).EmptyKeyMap();
  ASSERT_EQ(Read(f.out), SetupFileStatus::kOk);
  EXPECT_EQ(settings_.Binary(S::Palette)[0], 9);
  EXPECT_EQ(settings_.Binary(S::Palette)[1], 8);
  EXPECT_EQ(settings_.Binary(S::Palette)[28], 192);  // light grey stays
  EXPECT_EQ(settings_.IntElement(S::FKeys, 0), 2);
  EXPECT_EQ(settings_.StrElement(S::ButtonCaption, 0), "caption");
}

TEST_F(SetupFileTest, TypeMismatchIsRefusedAndEarlierEntriesStay) {
  const std::string file = FileBuilder()
                               .Magic()
                               .Int(0x0308, 48)
                               .Word(0x0307)
                               .Byte(1)
                               .Text("80")
                               .Word(0)
                               .EmptyKeyMap()
                               .out;
  EXPECT_EQ(Read(file), SetupFileStatus::kFormatError);
  EXPECT_EQ(settings_.Int(S::Lines), 48);
  EXPECT_EQ(settings_.Int(S::Columns), 80);
}

TEST_F(SetupFileTest, MagicsOfEarlierVersionsAndStrangers) {
  EXPECT_EQ(Read(FileBuilder().Magic("OSN V2.50 Setup File").out),
            SetupFileStatus::kEarlierVersion);
  EXPECT_EQ(Read(FileBuilder().Magic("OSN V2.01 Setup File").out),
            SetupFileStatus::kEarlierVersion);
  EXPECT_EQ(Read(FileBuilder().Magic("osn V3.00 Setup File").out), SetupFileStatus::kNotSetupFile);
  EXPECT_EQ(Read(FileBuilder().Magic("OSN V3.00 Setup File ").out), SetupFileStatus::kNotSetupFile);
  EXPECT_EQ(Read(""), SetupFileStatus::kTruncated);
  EXPECT_NE(kTextEarlierVersion.find("Please use session file converter"), std::string_view::npos);
}

TEST_F(SetupFileTest, OldKeyMapOf101Keys) {
  FileBuilder f;
  f.Magic().Word(0).Dword(101);
  for (int i = 0; i < 101; ++i) f.Byte(static_cast<uint8_t>(i + 1));
  f.Dword(2);
  f.Byte(23).Byte(KeyMod::kShift).Byte(KeyAction::kSendString).Text("enter");  // T[22] = 13
  f.Byte(200).Byte(0).Byte(72).Text("");  // no key of the old form
  f.out.append(8, '\0');
  const auto before = map_.Direct();
  ASSERT_EQ(Read(f.out), SetupFileStatus::kOk);
  EXPECT_EQ(map_.Direct()[PcKey::kEnter - 1], 23);  // the byte at position 22
  EXPECT_EQ(map_.Direct()[PcKey::kF1 - 1], 1);
  EXPECT_EQ(map_.Direct()[PcKey::kNumpadEnter - 1], 101);
  EXPECT_EQ(map_.Direct()['A' - 1], 41);
  // Positions 12..21 (bytes 13..22) go nowhere; keys the old form lacks keep their values.
  for (uint8_t b = 13; b <= 22; ++b)
    EXPECT_EQ(std::count(map_.Direct().begin(), map_.Direct().end(), b), 0) << int{b};
  EXPECT_EQ(map_.Direct()[PcKey::kRightCtrl - 1], before[PcKey::kRightCtrl - 1]);
  EXPECT_EQ(map_.Lookup(PcKey::kEnter, KeyMod::kShift).text, "enter");
  EXPECT_EQ(map_.Entries()[1].key, 0);
}

TEST_F(SetupFileTest, SizesBeyondTheirEntryAreRefused) {
  struct Case {
    const char* what;
    std::string file;
  };
  const std::string head = FileBuilder().Magic().out;
  std::string bigBlock = FileBuilder().Word(0x0801).Byte(2).Word(65).out;
  bigBlock.append(65, 'x');
  const Case cases[] = {
      {"binary block larger than the entry",
       head + bigBlock + FileBuilder().Word(0).EmptyKeyMap().out},
      {"array longer than the entry",
       head + FileBuilder().Word(0x0509).Byte(3).Word(6).Byte(0).out + std::string(24, '\0') +
           FileBuilder().Word(0).EmptyKeyMap().out},
      {"direct table above 255", head + FileBuilder().Word(0).Dword(256).out +
                                     std::string(256, '\0') + FileBuilder().Dword(0).out +
                                     std::string(8, '\0')},
      {"direct table of 4 GB", head + FileBuilder().Word(0).Dword(0xFFFFFFFF).out},
      {"text of 16-bit characters",
       head + FileBuilder().Word(0x0601).Byte(1).Byte(0xFF).Word(0xFFFE).Word(2).out + "ab"},
      {"last reserved byte not zero",
       head + FileBuilder().Word(0).Dword(0).Dword(0).out + std::string(7, '\0') + "\x01"},
  };
  for (const Case& c : cases) {
    CSettingsSet settings;
    CKeyMap map;
    EXPECT_EQ(ReadSetup(Bytes(c.file), settings, map), SetupFileStatus::kFormatError) << c.what;
  }
  // A short direct table fills only its own slots; other reserved bytes may be anything.
  CKeyMap map;
  CSettingsSet settings;
  const std::string shortTable = head +
                                 FileBuilder().Word(0).Dword(2).Byte(9).Byte(9).Dword(0).out +
                                 std::string("\x05\x05\x05\x05\x05\x05\x05\x00", 8);
  ASSERT_EQ(ReadSetup(Bytes(shortTable), settings, map), SetupFileStatus::kOk);
  EXPECT_EQ(map.Direct()[1], 9);
  EXPECT_EQ(map.Direct()[PcKey::kBackspace - 1], VtKey::kBackArrow);
}

TEST_F(SetupFileTest, EveryTruncationIsRefused) {
  CSettingsSet original;
  original.SetStr(S::Title, std::string(300, 't'));
  original.SetStr(S::Script, std::string(70000, 's'));
  CKeyMap originalMap;
  originalMap.Set('Q', KeyMod::kCtrl, KeyAction::kSendString, "abc");
  const std::string file = WriteSetup(original, originalMap);
  for (size_t n = 0; n < file.size(); n += n < 2000 ? 1 : 997) {
    CSettingsSet settings;
    CKeyMap map;
    const std::string cut = file.substr(0, n);
    EXPECT_EQ(ReadSetup(Bytes(cut), settings, map), SetupFileStatus::kTruncated) << n;
  }
  // Counted texts longer than the file, in all three length forms.
  const std::string head = FileBuilder().Magic().out;
  for (const std::string& text :
       {FileBuilder().Byte(200).out + "short", FileBuilder().Byte(0xFF).Word(5000).out + "x",
        FileBuilder().Byte(0xFF).Word(0xFFFF).Dword(0xFFFFFFF0).out + "x"}) {
    EXPECT_EQ(Read(head + FileBuilder().Word(0x0601).Byte(1).out + text),
              SetupFileStatus::kTruncated);
  }
}

class PlacementSource : public IMainWindowPlacement {
 public:
  std::optional<MainWindowPlacement> CurrentPlacement() override { return placement; }
  std::optional<MainWindowPlacement> placement;
};

TEST_F(SetupFileTest, MainWindowPlacementIsStoredBeforeWriting) {
  PlacementSource source;
  SetMainWindowPlacementSource(&source);
  WriteSetup(settings_, map_);  // no main window yet: nothing stored
  EXPECT_EQ(settings_.Int(S::Width), 0);

  source.placement = MainWindowPlacement{10, 20, 809, 619, true, true, false, true, false};
  const std::string file = WriteSetup(settings_, map_);
  SetMainWindowPlacementSource(nullptr);
  EXPECT_EQ(settings_.Int(S::XPos), 10);
  EXPECT_EQ(settings_.Int(S::YPos), 20);
  EXPECT_EQ(settings_.Int(S::Width), 800);
  EXPECT_EQ(settings_.Int(S::Height), 600);
  CSettingsSet read;
  CKeyMap map;
  ASSERT_EQ(ReadSetup(Bytes(file), read, map), SetupFileStatus::kOk);
  EXPECT_EQ(PlacementFromSettings(read), source.placement);
  // Values from a file cannot overflow the rectangle.
  read.SetInt(S::XPos, INT32_MAX);
  read.SetInt(S::Width, INT32_MAX);
  EXPECT_EQ(PlacementFromSettings(read)->right, INT32_MAX);
}

TEST_F(SetupFileTest, FilesOnDisk) {
  const std::string dir = std::string(std::getenv("OSTRANE_HOME")) + "/setup";
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/s.OSN";
  settings_.SetInt(S::Columns, 132);
  ASSERT_EQ(WriteSetupFile(path, settings_, map_), SetupFileStatus::kOk);
  CSettingsSet read;
  CKeyMap map;
  ASSERT_EQ(ReadSetupFile(path, read, map), SetupFileStatus::kOk);
  EXPECT_EQ(read.Int(S::Columns), 132);
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));

  EXPECT_EQ(ReadSetupFile(dir + "/missing.OSN", read, map), SetupFileStatus::kCannotOpen);
  EXPECT_EQ(ReadSetupFile(dir, read, map), SetupFileStatus::kCannotOpen);
  EXPECT_EQ(WriteSetupFile(dir + "/no/such/dir/x.OSN", settings_, map_),
            SetupFileStatus::kCannotWrite);
  // A write that fails leaves the earlier file whole.
  std::filesystem::create_directory(path + ".new");
  EXPECT_EQ(WriteSetupFile(path, settings_, map_), SetupFileStatus::kCannotWrite);
  std::filesystem::remove(path + ".new");
  EXPECT_EQ(ReadSetupFile(path, read, map), SetupFileStatus::kOk);
}

}  // namespace
}  // namespace ostrane
