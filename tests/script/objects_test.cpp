// The term, sys and file objects, over a real terminal emulator and real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "script_test_host.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

using test::RunScript;
using namespace script;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(TermObject, ScreenReadsTheCurrentPageClippedToIt) {
  test::CTestScriptHost host;
  host.Show("abcxyz\r\ndefuvw");
  EXPECT_EQ(RunScript(host, "send(term.Screen(1, 1, 2, 3));").sent, "abc\n\rdef");
  test::CTestScriptHost wide;
  wide.Show("\x1b[24;79HZQ");
  // Rows and columns past the page are not read.
  EXPECT_EQ(RunScript(wide, "send(\"[\" + term.Screen(24, 79, 99, 500) + \"]\");").sent, "[ZQ]");
  EXPECT_EQ(RunScript("term.Screen(2, 1, 1, 1);").Code(), Err::kInvalidParameters);
}

TEST(TermObject, SettingsAreReadAndWrittenByKeyAndTakeEffect) {
  test::CTestScriptHost host;
  const test::RunResult r =
      RunScript(host, "term.Columns = 132; send($Columns); send(term.TabList[8]);");
  EXPECT_EQ(r.sent, "1321");
  std::lock_guard lock(host.emulator.Mutex());
  EXPECT_EQ(host.emulator.Settings().GetByKey("Columns"), SettingValue(132));
}

TEST(TermObject, CursorAndConnectionProperties) {
  test::CTestScriptHost host;
  host.Show("\x1b[5;9H");
  host.connected = false;
  EXPECT_EQ(
      RunScript(host,
                "send(\"\" + term.CursorRow + \",\" + term.CursorCol + \",\" + term.Connected);")
          .sent,
      "4,8,0");
}

TEST(TermObject, UnknownOrReadOnlyPropertiesAreRefused) {
  struct Case {
    const char* script;
    const char* text;
  } cases[] = {
      {"x = term.Nonsense;", "Nonsense"},     {"term.Nonsense = 1;", "Nonsense"},
      {"term.HostScript = 1;", "HostScript"}, {"term.CursorRow = 1;", "CursorRow"},
      {"term.Columns = sys;", "Columns"},
  };
  for (const Case& c : cases) {
    const test::RunResult r = RunScript(c.script);
    EXPECT_EQ(r.Code(), Err::kCannotSetProperty) << c.script;
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->text, c.text);
  }
}

TEST(TermObject, SendsMenusKeysAndCapture) {
  test::CTestScriptHost host;
  const test::RunResult r = RunScript(
      host,
      "term.Send(\"ls<CR>\"); term.SendBreak(); term.DoMenu(\"View: Scroll Page Up\");\n"
      "term.MapKey(112, 2, 253, \"send(1);\"); term.Capture(\"/tmp/x.log\"); term.UseTemplate();\n"
      "term.SendLocal(\"local\"); term.Clear(); term.Disconnect(); term.DoMenu(\"No: Such\");");
  EXPECT_EQ(r.sent, "ls\r");
  EXPECT_EQ(host.breaks, 1);
  EXPECT_EQ(host.menuRuns, std::vector<std::string>{"View: Scroll Page Up"});
  EXPECT_EQ(host.capture, "/tmp/x.log");
  EXPECT_FALSE(host.connected);
  EXPECT_EQ(r.Code(), Err::kMenuNotFound);
  EXPECT_EQ(r.error->line, 3);
  const KeyLookup mapped = host.emulator.KeyMap().Lookup(112, 2);
  EXPECT_EQ(mapped.action, 253);
  EXPECT_EQ(mapped.text, "send(1);");
  EXPECT_EQ(RunScript("term.MapKey(256, 0, 1);").Code(), Err::kInvalidParameters);
  EXPECT_EQ(RunScript("term.MapKey(65, 0, 253);").Code(), Err::kArgumentMissing);
}

TEST(TermObject, CaptureThatCannotOpenTellsTheUserAndGoesOn) {
  test::CTestScriptHost host;
  const test::RunResult r = RunScript(host, "term.Capture(\"/missing/x\", \"a\"); send(\"on\");");
  EXPECT_EQ(r.sent, "on");
  ASSERT_EQ(host.questions.messages.size(), 1u);
  EXPECT_EQ(host.questions.messages[0].text, "Cannot create the file.");
}

TEST(SysObject, FilesAreWrittenReadCopiedAndDeleted) {
  const auto dir = test::FreshTestFolder();
  const std::string a = (dir / "a.txt").string(), b = (dir / "b.txt").string();
  test::CTestScriptHost host;
  const std::string script = "f = sys.OpenFile(\"" + a +
                             "\", \"w\"); f.Write(\"one<LF>two<LF>\"); f.Close();\n"
                             "f = sys.OpenFile(\"" +
                             a +
                             "\", \"r\");\n"
                             "send(f.ReadLine()); send(f.Read(2000000000)); send(\"[\" + "
                             "f.ReadLine() + \"]\"); f.Close();\n"
                             "send(sys.CopyFile(\"" +
                             a + "\", \"" + b +
                             "\"));\n"
                             "send(sys.CopyFile(\"" +
                             a + "\", \"" + b +
                             "\", 1));\n"
                             "send(sys.FileExists(\"" +
                             b + "\")); send(sys.FileExists(\"" + dir.string() +
                             "\"));\n"
                             "send(sys.DeleteFile(\"" +
                             a + "\")); send(sys.FileExists(\"" + a +
                             "\"));\n"
                             "f.ReadLine();";
  const test::RunResult r = RunScript(host, script);
  EXPECT_EQ(r.sent,
            "one\ntwo\n[]1010"
            "10");
  EXPECT_EQ(ReadFile(b), "one\ntwo\none\ntwo\n");
  // A closed file fails cleanly.
  EXPECT_EQ(r.Code(), Err::kCannotOpenFile);
  EXPECT_EQ(r.error->line, 8);
  EXPECT_EQ(RunScript("f = sys.OpenFile(\"/nonexistent/x\", \"r\");").Code(), Err::kCannotOpenFile);
  EXPECT_EQ(RunScript("f = sys.OpenFile(\"" + b + "\", \"r\"); f.Read(0);").Code(),
            Err::kInvalidParameters);
}

TEST(SysObject, SystemDialogsAndDate) {
  test::CTestScriptHost host;
  host.questions.textAnswers = {"alice"};
  host.questions.messageAnswer = MessageAnswer::kNo;
  const test::RunResult r = RunScript(
      host,
      "send(sys.System(\"exit 3\")); send(sys.MessageBox(\"Go?\", \"Title\", 36));\n"
      "send(sys.InputBox(\"Name\", \"bob\", 1)); send(\"[\" + sys.InputBox(\"Again\") + \"]\");\n"
      "d = sys.FormatDate(\"%Y\"); send(d.Length); send(\"[\" + sys.FormatDate(\"\") + \"]\");");
  EXPECT_EQ(r.sent, "37alice[]4[]");
  ASSERT_EQ(host.questions.messages.size(), 1u);
  EXPECT_EQ(host.questions.messages[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(host.questions.messages[0].icon, MessageIcon::kQuestion);
  EXPECT_EQ(host.questions.messages[0].caption, "Title");
  ASSERT_EQ(host.questions.texts.size(), 2u);
  EXPECT_TRUE(host.questions.texts[0].hidden);
  EXPECT_EQ(host.questions.texts[0].initial, "bob");
}

TEST(HostStartedScripts, ProtectedOperationsNeedHostScript) {
  const char* refused[][2] = {
      {"sys.System(\"true\");", "System"},
      {"f = sys.OpenFile(\"/tmp/x\", \"w\");", "OpenFile"},
      {"sys.CopyFile(\"/tmp/a\", \"/tmp/b\");", "CopyFile"},
      {"sys.DeleteFile(\"/tmp/a\");", "DeleteFile"},
      {"sys.LoadSession(\"/tmp/a.osn\");", "LoadSession"},
      {"term.Columns = 132;", "Columns"},
      {"term.Script = \"x\";", "Script"},
      {"x = term.Password;", "Password"},
      {"x = $SshPassword;", "SshPassword"},
      {"term.Capture(\"/tmp/c.log\");", "Capture"},
      {"term.SendZModem(\"/etc/passwd\");", "SendZModem"},
      {"term.DoMenu(\"View: Scroll Page Up\");", "DoMenu"},
      {"term.MapKey(65, 0, 1);", "MapKey"},
  };
  for (const auto& [text, what] : refused) {
    test::CTestScriptHost host;
    const test::RunResult r = RunScript(host, text, true);
    EXPECT_EQ(r.Code(), Err::kProtected) << text;
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->text, what);
    EXPECT_TRUE(host.menuRuns.empty() && host.zmodem.empty() && host.capture.empty());
  }
  // With HostScript 1 the same script runs; a user's script never needs it.
  test::CTestScriptHost allowed;
  {
    std::lock_guard lock(allowed.emulator.Mutex());
    allowed.emulator.Settings().SetInt(CSettingsSet::FindKey("HostScript"), 1);
  }
  EXPECT_EQ(RunScript(allowed, "send(sys.System(\"exit 4\"));", true).sent, "4");
  EXPECT_EQ(RunScript("send(sys.System(\"exit 5\"));", false).sent, "5");
}

TEST(HostStartedScripts, ReceiveRoutinesAreCoveredToo) {
  test::CTestScriptHost host;
  script::CScript s(host, kUnnamedScript,
                    "function r(c) { sys.System(\"true\"); }\nsend(term.Wait(\"!\", 10, r));",
                    true);
  s.Start();
  s.Feed(reinterpret_cast<const uint8_t*>("a!"), 2);
  s.Join();
  EXPECT_EQ(host.Sent(), "!");
  ASSERT_EQ(host.routineReports.size(), 1u);
  EXPECT_NE(host.routineReports[0].find("Protected script function disabled"), std::string::npos);
}

TEST(ScriptReport, NamesTheFileLineCodeAndMessage) {
  test::CTestScriptHost host;
  script::CScript s(host, "/home/u/login.oss", "x = 1;\ny = 2;\nz = nothere;\n", false);
  s.RunHere();
  ASSERT_EQ(host.reports.size(), 1u);
  EXPECT_EQ(host.reports[0],
            "Script Error:\n\n/home/u/login.oss (Line 3) : E1053 Variable not found: \"nothere\"");
  EXPECT_EQ(FormatErrorReport({"n", 1, 4242, ""}),
            "Script Error:\n\nn (Line 1) : E4242 Other error");
}

}  // namespace
}  // namespace ostrane
