#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "emulator/vt420_emulator.h"
#include "platform/paths.h"
#include "session/settings_templates.h"
#include "session/setup_file.h"
#include "session/vt420_doc.h"

namespace ostrane {
namespace {

namespace fs = std::filesystem;

class TemplatesTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const auto& entry : fs::directory_iterator(platform::DataFolder()))
      fs::remove_all(entry.path());
  }
  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(platform::DataFolder() + "/" + name, std::ios::binary) << bytes;
  }
};

TEST_F(TemplatesTest, TheDataFolderIsOstraneHome) {
  EXPECT_EQ(platform::DataFolder(), std::getenv("OSTRANE_HOME"));
  EXPECT_EQ(platform::ConfigFolder(), std::getenv("OSTRANE_HOME"));
}

TEST_F(TemplatesTest, SaveListAndLoad) {
  CVT420Emulator saved;
  saved.Settings().SetInt(S::Columns, 132);
  saved.Settings().SetStr(S::HostName, "templated");
  saved.KeyMap().ApplyTemplate(2);
  ASSERT_TRUE(SaveTemplate(saved, "Work Hosts"));
  ASSERT_TRUE(SaveTemplate(saved, "another"));
  EXPECT_TRUE(fs::is_regular_file(platform::DataFolder() + "/Work Hosts.OSN"));
  // Only files ending in ".OSN" are templates.
  WriteFile("notes.txt", "x");
  WriteFile("lower.osn", "x");
  fs::create_directory(platform::DataFolder() + "/folder.OSN");
  EXPECT_EQ(ListTemplates(), (std::vector<std::string>{"Work Hosts", "another"}));

  CVT420Emulator loaded;
  ASSERT_TRUE(LoadTemplate(loaded, "Work Hosts"));
  EXPECT_TRUE(loaded.Settings().Equals(saved.Settings()));
  EXPECT_EQ(loaded.KeyMap(), saved.KeyMap());
}

TEST_F(TemplatesTest, FailuresKeepWhatWasThere) {
  CVT420Emulator t;
  t.Settings().SetInt(S::Lines, 36);
  EXPECT_FALSE(LoadTemplate(t, "missing"));
  EXPECT_EQ(t.Settings().Int(S::Lines), 36);
  // A template refused halfway keeps the entries read before the fault.
  CVT420Emulator source;
  source.Settings().SetInt(S::Columns, 132);
  std::string bytes = WriteSetup(source.Settings(), source.KeyMap());
  const std::string columns("\x07\x03\x00\x84\x00\x00\x00", 7);
  const size_t at = bytes.find(columns);
  ASSERT_NE(at, std::string::npos);
  bytes.resize(at + columns.size());
  bytes += std::string("\x08\x03\x01", 3);  // Lines as a string: refused
  WriteFile("broken.OSN", bytes);
  EXPECT_FALSE(LoadTemplate(t, "broken"));
  EXPECT_EQ(t.Settings().Int(S::Columns), 132);
  EXPECT_EQ(t.Settings().Int(S::Lines), 36);
}

TEST_F(TemplatesTest, NamesCannotLeaveTheDataFolder) {
  CVT420Emulator t;
  for (const char* name : {"", ".", "..", "../escape", "a/b", "/tmp/abs"}) {
    EXPECT_FALSE(SaveTemplate(t, name)) << name;
    EXPECT_FALSE(LoadTemplate(t, name)) << name;
  }
  EXPECT_FALSE(SaveTemplate(t, std::string_view("nul\0byte", 8)));
  EXPECT_FALSE(fs::exists(fs::path(platform::DataFolder()).parent_path() / "escape.OSN"));
  EXPECT_TRUE(ListTemplates().empty());
}

TEST_F(TemplatesTest, EveryNewSessionStartsFromTheDefaultTemplate) {
  {
    CVT420Doc fresh;
    fresh.PrepareNewSession();  // no default template yet: the table's defaults
    EXPECT_EQ(fresh.Settings().Int(S::Columns), 80);
  }
  CVT420Emulator defaults;
  defaults.Settings().SetInt(S::Columns, 132);
  defaults.KeyMap().ApplyTemplate(4);
  ASSERT_TRUE(SaveTemplate(defaults, kDefaultTemplate));
  CVT420Doc doc;
  doc.PrepareNewSession();
  EXPECT_EQ(doc.Settings().Int(S::Columns), 132);
  EXPECT_EQ(doc.Terminal().KeyMap(), defaults.KeyMap());
}

TEST_F(TemplatesTest, SessionFilesThroughTheDocument) {
  CVT420Doc doc;
  doc.Settings().SetStr(S::Title, "saved");
  const std::string path = platform::DataFolder() + "/session.OSN";
  ASSERT_EQ(doc.WriteSessionFile(path), SetupFileStatus::kOk);
  CVT420Doc opened;
  ASSERT_EQ(opened.ReadSessionFile(path), SetupFileStatus::kOk);
  EXPECT_EQ(opened.Settings().Str(S::Title), "saved");
  WriteFile("old.OSN", std::string("\x14OSN V2.01 Setup File"));
  EXPECT_EQ(opened.ReadSessionFile(platform::DataFolder() + "/old.OSN"),
            SetupFileStatus::kEarlierVersion);
}

TEST_F(TemplatesTest, FirstRunWritesADefaultTemplateThatWrapsAndKeepsAnExistingOne) {
  std::filesystem::remove(*TemplatePath(kDefaultTemplate));
  ASSERT_TRUE(EnsureDefaultTemplate());
  CVT420Emulator loaded;
  {
    std::lock_guard lock(loaded.Mutex());
    EXPECT_EQ(loaded.Settings().Int(S::AutoWrap), 0);  // the table's default is unchanged
    ASSERT_TRUE(LoadTemplate(loaded, kDefaultTemplate));
    EXPECT_EQ(loaded.Settings().Int(S::AutoWrap), 1);
    // A default the user saved is never overwritten.
    loaded.Settings().SetInt(S::AutoWrap, 0);
    ASSERT_TRUE(SaveTemplate(loaded, kDefaultTemplate));
  }
  ASSERT_TRUE(EnsureDefaultTemplate());
  CVT420Emulator again;
  std::lock_guard lock(again.Mutex());
  ASSERT_TRUE(LoadTemplate(again, kDefaultTemplate));
  EXPECT_EQ(again.Settings().Int(S::AutoWrap), 0);
}

}  // namespace
}  // namespace ostrane
