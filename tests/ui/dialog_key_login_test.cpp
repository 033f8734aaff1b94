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
#include <iterator>
#include <memory>
#include <utility>

#include "dialog_answerer.h"
#include "peers/ssh_peer.h"
#include "session/key_file_memory.h"
#include "ssh_session_support.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/frame_commands.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

using test::ScreenText;

// A session file for the test user on the sshd at the port.
void WriteSshSession(const std::string& path, int port) {
  test::WriteSshSession(path, test::kSsh2HostType, port, test::kTestUser);
}

// The first line of a public-key file.
std::string PublicLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// A key pair ssh-keygen makes at file with the passphrase; its public line, empty on failure.
std::string KeygenPair(const std::filesystem::path& file, const std::string& phrase,
                       const std::string& comment = {}) {
  std::filesystem::remove(file);
  const std::string command = "ssh-keygen -q -t ed25519 -N '" + phrase + "'" +
                              (comment.empty() ? "" : " -C " + comment) + " -f '" + file.string() +
                              "' >/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  return PublicLine(file.string() + ".pub");
}

// An sshd that takes keys only, with the public line authorized for the test user.
std::unique_ptr<test::CSshdPeer> KeyOnlySshd(const std::string& pub) {
  test::SshdConfig c;
  c.lines = {"PasswordAuthentication no", "KbdInteractiveAuthentication no"};
  auto sshd = std::make_unique<test::CSshdPeer>(c);
  if (sshd->Ready()) sshd->Authorize(pub);
  return sshd;
}

// The text of the label that names a field.
QString LabelOf(QWidget* dialog, const QWidget* field) {
  for (const QLabel* l : dialog->findChildren<QLabel*>())
    if (l->buddy() == field) return l->text();
  return {};
}

// Logged in: the shell answers a command.
void ExpectShell(CVT420Doc& doc) {
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(ScreenText(doc).find("$") != std::string::npos, 20000);
  const std::string command = "echo key-$((6*7))\r";
  doc.Send(reinterpret_cast<const uint8_t*>(command.data()), command.size());
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(ScreenText(doc).find("key-42") != std::string::npos, 10000);
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
  const std::string pub = PublicLine(dir / (std::string(test::kTestUser) + ".pub"));
  ASSERT_EQ(pub.rfind("ssh-ed25519 ", 0), 0u) << pub;

  const auto sshd = KeyOnlySshd(pub);
  ASSERT_TRUE(sshd->Ready());
  const std::string path = (dir / "key.OSN").string();
  WriteSshSession(path, sshd->Port());
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
  EXPECT_NE(sshd->Log().find("Accepted publickey"), std::string::npos);
  EXPECT_NE(sshd->Log().find("ssh2: ED25519"), std::string::npos);
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
  const std::string pub = KeygenPair(key, "right phrase", "from-keygen");
  ASSERT_FALSE(pub.empty());

  const auto sshd = KeyOnlySshd(pub);
  ASSERT_TRUE(sshd->Ready());
  const std::string path = (dir / "keyfile.OSN").string();
  WriteSshSession(path, sshd->Port());

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
          label = LabelOf(d, password);
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
  EXPECT_NE(sshd->Log().find("Accepted publickey"), std::string::npos);
  EXPECT_NE(sshd->Log().find("ssh2: ED25519"), std::string::npos);
}

// The key file that logged in is offered at the next login to the same server and user, with
// only its passphrase to type; a key file the server refused is never remembered.
TEST(KeyLogin, KeyFileThatLoggedInIsOfferedAgainAndARefusedOneIsNot) {
  test::EnsureApplication();
  ASSERT_TRUE(test::EnsureTestUser());
  test::CTempHome home("ostrane-keymemory");
  ASSERT_TRUE(home.Made());
  const std::filesystem::path dir = std::getenv("OSTRANE_HOME");
  const std::filesystem::path keys = dir / "my keys";
  std::filesystem::create_directories(keys);
  const std::filesystem::path key = keys / "id_ed25519";
  const std::filesystem::path stranger = keys / "stranger";
  const std::string pub = KeygenPair(key, "right phrase");
  ASSERT_FALSE(pub.empty());
  ASSERT_FALSE(KeygenPair(stranger, "").empty());
  const auto sshd = KeyOnlySshd(pub);
  ASSERT_TRUE(sshd->Ready());
  const std::string path = (dir / "memory.OSN").string();
  ASSERT_NO_FATAL_FAILURE(WriteSshSession(path, sshd->Port()));

  CProfile profile((dir / "ostrane.ini").string());
  CMainFrame frame(profile);
  frame.Questions().SetMessageHandler([](const MessageQuestion&) { return MessageAnswer::kOk; });
  frame.show();
  const CKeyFileMemory memory(profile);
  test::CDialogAnswerer::Rule authorize;
  test::CDialogAnswerer answerer(
      {{"NewHostKey", [](QWidget* d) { d->findChild<QPushButton*>("accept")->click(); }},
       {"SshAuthorization", [&authorize](QWidget* d) { authorize(d); }}});
  auto login = [&](test::CDialogAnswerer::Rule rule) {
    authorize = std::move(rule);
    bool maximized = false;
    CChildFrame* child = frame.OpenCommandLine({path}, maximized);
    EXPECT_NE(child, nullptr);
    return child ? child->SharedDocument() : nullptr;
  };

  // The server refuses the stranger's key and the login is given up in the next dialog, which
  // offers nothing.
  int asked = 0;
  QString offeredAfterRefusal = "unset";
  {
    const auto doc = login([&](QWidget* d) {
      if (asked++ == 0) {
        d->findChild<QRadioButton*>("useKey")->setChecked(true);
        d->findChild<QLineEdit*>("keyFile")->setText(QString::fromStdString(stranger.string()));
        test::PressReturn(d);
        return;
      }
      offeredAfterRefusal = d->findChild<QLineEdit*>("keyFile")->text();
      QTest::keyClick(d, Qt::Key_Escape);
    });
    ASSERT_NE(doc, nullptr);
    OSTRANE_TRY_VERIFY_WITH_TIMEOUT(doc->ConnectionState() == TransportState::kClosed, 20000);
  }
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(offeredAfterRefusal, "");
  EXPECT_TRUE(memory.Records().empty());

  // The right file, typed in: remembered once the server has taken it.
  const auto first = login([&](QWidget* d) {
    d->findChild<QRadioButton*>("useKey")->setChecked(true);
    d->findChild<QLineEdit*>("keyFile")->setText(QString::fromStdString(key.string()));
    QTest::keyClicks(d->findChild<QLineEdit*>("password"), "right phrase");
    test::PressReturn(d);
  });
  ASSERT_NE(first, nullptr);
  ExpectShell(*first);
  OSTRANE_TRY_VERIFY(memory.Recall("127.0.0.1", sshd->Port(), test::kTestUser) == key.string());

  // A second login to the same server: the file is there, only the passphrase is typed.
  QString offered, label;
  bool keyChosen = false, passwordFocused = false;
  const auto second = login([&](QWidget* d) {
    auto* password = d->findChild<QLineEdit*>("password");
    offered = d->findChild<QLineEdit*>("keyFile")->text();
    keyChosen = d->findChild<QRadioButton*>("useKey")->isChecked();
    passwordFocused = d->focusWidget() == password;
    label = LabelOf(d, password);
    EXPECT_TRUE(password->text().isEmpty());
    QTest::keyClicks(password, "right phrase");
    test::PressReturn(d);
  });
  ASSERT_NE(second, nullptr);
  ExpectShell(*second);
  EXPECT_EQ(offered.toStdString(), key.string());
  EXPECT_TRUE(keyChosen);
  EXPECT_TRUE(passwordFocused);
  EXPECT_EQ(label, "Passph&rase:");
  const std::string log = sshd->Log();
  size_t accepted = 0;
  for (size_t at = log.find("Accepted publickey"); at != std::string::npos;
       at = log.find("Accepted publickey", at + 1))
    ++accepted;
  EXPECT_EQ(accepted, 2u) << log;
  // Nothing of it went into the session file.
  std::ifstream session(path);
  const std::string sessionText((std::istreambuf_iterator<char>(session)), {});
  EXPECT_EQ(sessionText.find("id_ed25519"), std::string::npos);
}

}  // namespace
}  // namespace ostrane
