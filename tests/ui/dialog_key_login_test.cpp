// The user's ways to a key login on a current server: an ed25519 pair created in the SSH2 key
// manager (the default type), or a key file ssh-keygen made in ~/.ssh; its public line
// authorized on OpenSSH's sshd, then a session file opened in the desktop program and "Use
// public key" chosen in SSH Authorization.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>

#include "dialog_answerer.h"
#include "peers/ssh_peer.h"
#include "session/screen_json.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/frame_commands.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

std::string Screen(CVT420Doc& doc) {
  std::lock_guard lock(doc.Terminal().Mutex());
  const CTerminal& t = doc.Terminal();
  std::string text;
  for (int row = 0; row < t.Settings().Int(S::Lines); ++row)
    if (const auto line = t.Screen().GetLine(t.Screen().HistoryCount() + row))
      text += LineToText(*line, t.Settings().Int(S::Columns)) + "\n";
  return text;
}

// A session file for the test user on the sshd at the port.
void WriteSshSession(const std::string& path, int port) {
  CVT420Doc writer;
  {
    std::lock_guard lock(writer.Terminal().Mutex());
    CSettingsSet& s = writer.Settings();
    s.SetInt(S::HostType, 5);
    s.SetStr(S::HostName, "127.0.0.1");
    s.SetInt(S::Port, port);
    s.SetStr(S::SshUser, test::kTestUser);
  }
  ASSERT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
}

// Logged in: the shell answers a command.
void ExpectShell(CVT420Doc& doc) {
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(Screen(doc).find("$") != std::string::npos, 20000);
  const std::string command = "echo key-$((6*7))\r";
  doc.Send(reinterpret_cast<const uint8_t*>(command.data()), command.size());
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(Screen(doc).find("key-42") != std::string::npos, 10000);
}

TEST(KeyLogin, Ed25519KeyFromTheKeyManagerLogsInToSshd) {
  test::EnsureApplication();
  ASSERT_TRUE(test::EnsureTestUser());
  test::CTempHome home("ostrane-keylogin");
  ASSERT_TRUE(home.Made());
  const std::filesystem::path dir = std::getenv("OSTRANE_HOME");
  CProfile profile((dir / "ostrane.ini").string());
  CMainFrame frame(profile);
  frame.Questions().SetMessageHandler([](const MessageQuestion&) { return MessageAnswer::kOk; });
  frame.show();

  // Creation: the dialog offers ed25519 first.
  int managerShown = 0;
  QString offered;
  {
    test::CDialogAnswerer answerer(
        {{"KeyManager",
          [&](QWidget* m) {
            QPushButton* button =
                m->findChild<QPushButton*>(managerShown++ == 0 ? "create" : "close");
            ASSERT_NE(button, nullptr);
            QTimer::singleShot(0, button, &QPushButton::click);
          }},
         {"KeyCreation", [&](QWidget* d) {
            offered = d->findChild<QComboBox*>("keyType")->currentText();
            QTest::keyClicks(d->findChild<QLineEdit*>("user"), test::kTestUser);
            QTest::keyClicks(d->findChild<QLineEdit*>("password"), "key phrase");
            QTest::keyClicks(d->findChild<QLineEdit*>("retype"), "key phrase");
            test::PressReturn(d);
          }}});
    frame.RunCommand(Cmd::kKeyManagerSsh2);
  }
  EXPECT_TRUE(offered.startsWith("ed25519")) << offered.toStdString();
  std::ifstream pubFile(dir / (std::string(test::kTestUser) + ".pub"));
  std::string pub;
  std::getline(pubFile, pub);
  ASSERT_EQ(pub.rfind("ssh-ed25519 ", 0), 0u) << pub;

  test::SshdConfig c;
  c.lines = {"PasswordAuthentication no", "KbdInteractiveAuthentication no"};
  test::CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  sshd.Authorize(pub);
  const std::string path = (dir / "key.OSN").string();
  WriteSshSession(path, sshd.Port());
  test::CDialogAnswerer answerer(
      {{"NewHostKey", [](QWidget* d) { d->findChild<QPushButton*>("accept")->click(); }},
       {"SshAuthorization", [](QWidget* d) {
          d->findChild<QRadioButton*>("useKey")->setChecked(true);
          QTest::keyClicks(d->findChild<QLineEdit*>("password"), "key phrase");
          test::PressReturn(d);
        }}});
  bool maximized = false;
  CChildFrame* child = frame.OpenCommandLine({path}, maximized);
  ASSERT_NE(child, nullptr);
  ExpectShell(child->Document());
  EXPECT_NE(sshd.Log().find("Accepted publickey"), std::string::npos);
  EXPECT_NE(sshd.Log().find("ssh2: ED25519"), std::string::npos);
}

// A passphrase-protected key ssh-keygen made in ~/.ssh, chosen with Browse (which opens there):
// a wrong passphrase is said in the dialog and typed again, and the login uses the file's key.
TEST(KeyLogin, KeyFileChosenInTheAuthorizationDialogLogsInToSshd) {
  test::EnsureApplication();
  ASSERT_TRUE(test::EnsureTestUser());
  test::CTempHome home("ostrane-keyfile");
  ASSERT_TRUE(home.Made());
  const std::filesystem::path dir = std::getenv("OSTRANE_HOME");
  const std::filesystem::path keys = std::filesystem::path(std::getenv("HOME")) / ".ssh";
  std::filesystem::create_directories(keys);
  const std::filesystem::path key = keys / "id_ed25519";
  std::filesystem::remove(key);
  ASSERT_EQ(std::system(("ssh-keygen -q -t ed25519 -N 'right phrase' -C from-keygen -f " +
                         key.string() + " >/dev/null")
                            .c_str()),
            0);
  std::ifstream pubFile(key.string() + ".pub");
  std::string pub;
  std::getline(pubFile, pub);

  test::SshdConfig c;
  c.lines = {"PasswordAuthentication no", "KbdInteractiveAuthentication no"};
  test::CSshdPeer sshd(c);
  ASSERT_TRUE(sshd.Ready());
  sshd.Authorize(pub);
  const std::string path = (dir / "keyfile.OSN").string();
  WriteSshSession(path, sshd.Port());

  CProfile profile((dir / "ostrane.ini").string());
  CMainFrame frame(profile);
  frame.Questions().SetMessageHandler([](const MessageQuestion&) { return MessageAnswer::kOk; });
  frame.show();
  int authorizations = 0;
  QString startFolder, chosen, label, problem;
  test::CDialogAnswerer answerer(
      {{"NewHostKey", [](QWidget* d) { d->findChild<QPushButton*>("accept")->click(); }},
       {"SshAuthorization",
        [&](QWidget* d) {
          auto* password = d->findChild<QLineEdit*>("password");
          if (authorizations++ == 0) {
            d->findChild<QRadioButton*>("useKey")->setChecked(true);
            QTimer::singleShot(0, d->findChild<QPushButton*>("browseKeyFile"), &QPushButton::click);
            return;
          }
          // Back from the file dialog, with the file's passphrase asked for.
          chosen = d->findChild<QLineEdit*>("keyFile")->text();
          for (const QLabel* l : d->findChildren<QLabel*>())
            if (l->buddy() == password) label = l->text();
          EXPECT_EQ(d->focusWidget(), password);
          QTest::keyClicks(d->focusWidget(), "wrong phrase");
          test::PressReturn(d);
          problem = d->findChild<QLabel*>("problem")->text();
          QTest::keyClicks(d->focusWidget(), "right phrase");
          test::PressReturn(d);
        }},
       {"QFileDialog", [&](QWidget* d) {
          auto* files = qobject_cast<QFileDialog*>(d);
          ASSERT_NE(files, nullptr);
          startFolder = files->directory().absolutePath();
          files->findChild<QLineEdit*>("fileNameEdit")
              ->setText(QString::fromStdString(key.string()));
          static_cast<QDialog*>(files)->accept();
        }}});
  bool maximized = false;
  CChildFrame* child = frame.OpenCommandLine({path}, maximized);
  ASSERT_NE(child, nullptr);
  ExpectShell(child->Document());
  EXPECT_EQ(startFolder.toStdString(), keys.string());
  EXPECT_EQ(chosen.toStdString(), key.string());
  EXPECT_EQ(label, "Passph&rase:");
  EXPECT_EQ(problem.toStdString(), "The passphrase of the key file is wrong.");
  EXPECT_NE(sshd.Log().find("Accepted publickey"), std::string::npos);
  EXPECT_NE(sshd.Log().find("ssh2: ED25519"), std::string::npos);
}

}  // namespace
}  // namespace ostrane
