// An SSH1 session in the desktop program: started on a session file with HostType 6, the host
// key accepted in "New Host Key", the password typed into "SSH Authorization", the warning and
// the shell's output on the screen.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "dialog_answerer.h"
#include "peers/ssh1_scripted_peer.h"
#include "session/screen_json.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

std::string ScreenText(CVT420Doc& doc) {
  std::lock_guard lock(doc.Terminal().Mutex());
  const CTerminal& t = doc.Terminal();
  std::string text;
  for (int row = 0; row < t.Settings().Int(S::Lines); ++row)
    if (const auto line = t.Screen().GetLine(t.Screen().HistoryCount() + row))
      text += LineToText(*line, t.Settings().Int(S::Columns)) + "\n";
  return text;
}

TEST(Ssh1Login, PasswordTypedIntoTheDialogReachesTheShell) {
  test::EnsureApplication();
  test::CScriptedSsh1Peer peer("normal");
  ASSERT_TRUE(peer.Ready());
  const auto dir = test::FreshTestFolder();
  const std::string path = (dir / "ssh1.OSN").string();
  {
    CVT420Doc writer;
    {
      std::lock_guard lock(writer.Terminal().Mutex());
      CSettingsSet& s = writer.Settings();
      s.SetInt(S::HostType, 6);
      s.SetStr(S::HostName, "127.0.0.1");
      s.SetInt(S::Port, peer.Port());
      s.SetStr(S::SshUser, "tester");
    }
    ASSERT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
  }
  CProfile profile((dir / "ostrane.ini").string());
  CMainFrame frame(profile);
  test::CDialogAnswerer answerer({{"NewHostKey",
                                   [](QWidget* d) {
                                     // The SSH1 form of the host key: bits, exponent, modulus.
                                     QPushButton* accept = d->findChild<QPushButton*>("accept");
                                     ASSERT_NE(accept, nullptr);
                                     accept->click();
                                   }},
                                  {"SshAuthorization", [](QWidget* d) {
                                     QTest::keyClicks(d->focusWidget(), "pw");
                                     test::PressReturn(d);
                                   }}});
  bool maximized = false;
  CChildFrame* child = frame.OpenCommandLine({path}, maximized);
  ASSERT_NE(child, nullptr);
  frame.show();
  CVT420Doc& doc = child->Document();
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(ScreenText(doc).find("ssh1$") != std::string::npos, 20000);
  EXPECT_NE(ScreenText(doc).find("Warning: SSH1 is an insecure protocol"), std::string::npos);
  const std::string command = "echo ui-$((6*7))\r";
  doc.Send(reinterpret_cast<const uint8_t*>(command.data()), command.size());
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(ScreenText(doc).find("ui-42") != std::string::npos, 10000);
  EXPECT_EQ(answerer.Seen(), QStringList({"NewHostKey", "SshAuthorization"}));
  EXPECT_NE(peer.Log().find("USER tester\nPASSWORD pw\nAUTHENTICATED"), std::string::npos)
      << peer.Log();
  std::lock_guard lock(doc.Terminal().Mutex());
  EXPECT_EQ(doc.Settings().Str(S::SshUser), "tester");
  EXPECT_EQ(doc.Settings().Str(S::SshPassword), "");
}

}  // namespace
}  // namespace ostrane
