// An SSH1 session in the desktop program: started on a session file with HostType 6, the host
// key accepted in "New Host Key", the password typed into "SSH Authorization", the warning and
// the shell's output on the screen.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "dialog_answerer.h"
#include "peers/ssh1_scripted_peer.h"
#include "ssh_session_support.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

using test::ScreenText;

TEST(Ssh1Login, PasswordTypedIntoTheDialogReachesTheShell) {
  test::EnsureApplication();
  test::CScriptedSsh1Peer peer("normal");
  ASSERT_TRUE(peer.Ready());
  const auto dir = test::FreshTestFolder();
  const std::string path = (dir / "ssh1.OSN").string();
  ASSERT_NO_FATAL_FAILURE(test::WriteSshSession(path, test::kSsh1HostType, peer.Port(), "tester"));
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
