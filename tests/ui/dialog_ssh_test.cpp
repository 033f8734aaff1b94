// The SSH dialogs as a user meets them: each dialog's answer from its widgets, and a login to a
// real sshd through the main window with the password typed into "SSH Authorization".
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <thread>

#include "dialog_answerer.h"
#include "peers/ssh_peer.h"
#include "peers/ssh_scripted_peer.h"
#include "session/key_file_memory.h"
#include "ssh/ssh_user_key.h"
#include "ssh_session_support.h"
#include "support/test_folder.h"
#include "transport/transport_limits.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"
#include "ui/ssh_dialogs.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

using test::CDialogAnswerer;
using test::PressReturn;

template <class W>
W* Find(QWidget* dialog, const char* name) {
  W* w = dialog->findChild<W*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

void Type(QWidget* dialog, const char* name, const QString& text) {
  QLineEdit* field = Find<QLineEdit>(dialog, name);
  field->setFocus();
  QTest::keyClicks(field, text);
}

// A question asked from a worker thread, as the transport asks it, answered on this thread.
template <class F>
auto AskFromWorker(F ask) {
  auto answer = std::async(std::launch::async, std::move(ask));
  while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
    QTest::qWait(10);
  return answer.get();
}

class SshDialogs : public testing::Test {
 protected:
  void SetUp() override { test::EnsureApplication(); }
  CQtQuestions questions_{nullptr};
};

TEST_F(SshDialogs, AuthorizationTypedOnTheWorkersBehalf) {
  CDialogAnswerer answerer({{"SshAuthorization", [](QWidget* d) {
                               // The user name came filled in and the password field has the
                               // keyboard.
                               EXPECT_EQ(Find<QLineEdit>(d, "user")->text(), "alice");
                               EXPECT_EQ(d->focusWidget(), Find<QLineEdit>(d, "password"));
                               EXPECT_EQ(Find<QLineEdit>(d, "password")->echoMode(),
                                         QLineEdit::Password);
                               QTest::keyClicks(d->focusWidget(), "s3cret");
                               Find<QCheckBox>(d, "savePassword")->setChecked(true);
                               PressReturn(d);
                             }}});
  const auto answer = AskFromWorker([this] {
    return questions_.AskAuthorization("example.test", 22, "alice", SshKeyFiles::kOffered);
  });
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->user, "alice");
  EXPECT_EQ(answer->password, "s3cret");
  EXPECT_TRUE(answer->savePassword);
  EXPECT_FALSE(answer->usePublicKey);
}

TEST_F(SshDialogs, AuthorizationNeedsAUserAndAKeyPasswordIsNeverSaved) {
  CDialogAnswerer answerer({{"SshAuthorization", [](QWidget* d) {
                               Find<QCheckBox>(d, "savePassword")->setChecked(true);
                               PressReturn(d);  // no user name: refused, the dialog stays
                               EXPECT_TRUE(d->isVisible());
                               EXPECT_TRUE(Find<QLabel>(d, "problem")->isVisible());
                               Type(d, "user", "bob");
                               Find<QRadioButton>(d, "useKey")->click();
                               EXPECT_FALSE(Find<QCheckBox>(d, "savePassword")->isEnabled());
                               Type(d, "password", "keypass");
                               PressReturn(d);
                             }}});
  const auto answer = AskFromWorker(
      [this] { return questions_.AskAuthorization("h", 22, "", SshKeyFiles::kOffered); });
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->user, "bob");
  EXPECT_TRUE(answer->usePublicKey);
  EXPECT_EQ(answer->password, "keypass");
  EXPECT_FALSE(answer->savePassword);
}

// A key file is checked before the dialog closes: a missing file or one that is no key keeps it
// open with the reason, a key without a passphrase leaves nothing to type, and going back to a
// password drops the file.
TEST_F(SshDialogs, AuthorizationChecksTheKeyFileBeforeClosing) {
  const std::filesystem::path home = std::getenv("HOME");
  const std::filesystem::path key = home / "plain_key";
  std::filesystem::remove(key);
  ASSERT_EQ(
      std::system(("ssh-keygen -q -t ed25519 -N '' -f " + key.string() + " >/dev/null").c_str()),
      0);
  std::ofstream(home / "not_a_key") << "hello\n";
  auto problem = [](QWidget* d) { return Find<QLabel>(d, "problem")->text().toStdString(); };
  {
    CDialogAnswerer answerer({{"SshAuthorization", [&](QWidget* d) {
                                 QLineEdit* password = Find<QLineEdit>(d, "password");
                                 QLineEdit* file = Find<QLineEdit>(d, "keyFile");
                                 EXPECT_FALSE(file->isEnabled());
                                 Find<QRadioButton>(d, "useKey")->click();
                                 Type(d, "keyFile", "~/missing_key");
                                 PressReturn(d);
                                 EXPECT_TRUE(d->isVisible());
                                 EXPECT_EQ(problem(d), kTextKeyFileMissing);
                                 file->setText("~/not_a_key");
                                 EXPECT_TRUE(password->isEnabled());
                                 PressReturn(d);
                                 EXPECT_TRUE(d->isVisible());
                                 EXPECT_EQ(problem(d),
                                           SshKeyFileErrorText(SshKeyFileError::kNotAKey));
                                 file->setText("~/plain_key");
                                 EXPECT_FALSE(password->isEnabled());
                                 EXPECT_FALSE(Find<QLabel>(d, "problem")->isVisible());
                                 PressReturn(d);
                               }}});
    const auto answer = AskFromWorker(
        [this] { return questions_.AskAuthorization("h", 22, "u", SshKeyFiles::kOffered); });
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->usePublicKey);
    EXPECT_EQ(answer->identityFile, key.string());
    EXPECT_EQ(answer->password, "");
  }

  CDialogAnswerer back({{"SshAuthorization", [&](QWidget* d) {
                           Find<QRadioButton>(d, "useKey")->click();
                           Type(d, "keyFile", "~/not_a_key");
                           Find<QRadioButton>(d, "usePassword")->click();
                           Type(d, "password", "pw");
                           PressReturn(d);
                         }}});
  const auto password = AskFromWorker(
      [this] { return questions_.AskAuthorization("h", 22, "u", SshKeyFiles::kOffered); });
  ASSERT_TRUE(password);
  EXPECT_FALSE(password->usePublicKey);
  EXPECT_EQ(password->identityFile, "");
  EXPECT_EQ(password->password, "pw");
}

// A key file remembered for the server and user is filled in with the key option chosen, for the
// name given and for a name typed later; one that no longer reads is said at once and refused on
// OK, never used.
TEST_F(SshDialogs, AuthorizationOffersTheKeyFileRememberedForTheServerAndUser) {
  const std::filesystem::path home = std::getenv("HOME");
  const std::filesystem::path key = home / "remembered key=;é";
  std::filesystem::remove(key);
  ASSERT_EQ(
      std::system(("ssh-keygen -q -t ed25519 -N 'p' -f '" + key.string() + "' >/dev/null").c_str()),
      0);
  CProfile profile((test::FreshTestFolder() / "ostrane.ini").string());
  CKeyFileMemory memory(profile);
  ASSERT_TRUE(memory.Remember({"example.test", 2222, "alice", key.string()}));
  ASSERT_TRUE(memory.Remember({"example.test", 2222, "bob", (home / "gone_key").string()}));
  questions_.SetKeyFileProfile(&profile);

  {
    CDialogAnswerer answerer({{"SshAuthorization", [&](QWidget* d) {
                                 auto* file = Find<QLineEdit>(d, "keyFile");
                                 auto* note = Find<QLabel>(d, "keyFileNote");
                                 EXPECT_TRUE(Find<QRadioButton>(d, "useKey")->isChecked());
                                 EXPECT_EQ(file->text().toStdString(), key.string());
                                 EXPECT_FALSE(note->isVisible());
                                 EXPECT_EQ(d->focusWidget(), Find<QLineEdit>(d, "password"));
                                 // Another user of the same server: the file is theirs.
                                 Find<QLineEdit>(d, "user")->setText("bob");
                                 EXPECT_EQ(file->text().toStdString(),
                                           (home / "gone_key").string());
                                 EXPECT_TRUE(note->isVisible());
                                 PressReturn(d);
                                 EXPECT_TRUE(d->isVisible());
                                 EXPECT_EQ(Find<QLabel>(d, "problem")->text(), kTextKeyFileMissing);
                                 // A user with nothing remembered gets the password option back.
                                 Find<QLineEdit>(d, "user")->setText("carol");
                                 EXPECT_TRUE(file->text().isEmpty());
                                 EXPECT_TRUE(Find<QRadioButton>(d, "usePassword")->isChecked());
                                 EXPECT_FALSE(note->isVisible());
                                 // What the user puts in the field is not replaced.
                                 Find<QRadioButton>(d, "useKey")->click();
                                 file->setText(QString::fromStdString(key.string()));
                                 Find<QLineEdit>(d, "user")->setText("bob");
                                 EXPECT_EQ(file->text().toStdString(), key.string());
                                 Type(d, "password", "p");
                                 PressReturn(d);
                               }}});
    const auto answer = AskFromWorker([this] {
      return questions_.AskAuthorization("EXAMPLE.test", 2222, "alice", SshKeyFiles::kOffered);
    });
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->user, "bob");
    EXPECT_EQ(answer->identityFile, key.string());
  }

  {
    // Another port is another server.
    CDialogAnswerer other({{"SshAuthorization", [](QWidget* d) {
                              EXPECT_TRUE(Find<QLineEdit>(d, "keyFile")->text().isEmpty());
                              EXPECT_TRUE(Find<QRadioButton>(d, "usePassword")->isChecked());
                              QTest::keyClick(d, Qt::Key_Escape);
                            }}});
    AskFromWorker([this] {
      return questions_.AskAuthorization("example.test", 22, "alice", SshKeyFiles::kOffered);
    });
    EXPECT_EQ(other.Seen(), QStringList({"SshAuthorization"}));
  }

  {
    // An SSH1 login reads no key file: the field is not there and nothing is offered.
    CDialogAnswerer ssh1({{"SshAuthorization", [](QWidget* d) {
                             EXPECT_FALSE(Find<QLineEdit>(d, "keyFile")->isVisible());
                             EXPECT_FALSE(Find<QPushButton>(d, "browseKeyFile")->isVisible());
                             EXPECT_TRUE(Find<QRadioButton>(d, "usePassword")->isChecked());
                             Find<QRadioButton>(d, "useKey")->click();
                             Type(d, "password", "p");
                             PressReturn(d);
                           }}});
    const auto answer = AskFromWorker([this] {
      return questions_.AskAuthorization("example.test", 2222, "alice", SshKeyFiles::kNotOffered);
    });
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->usePublicKey);
    EXPECT_TRUE(answer->identityFile.empty());
    EXPECT_EQ(ssh1.Seen(), QStringList({"SshAuthorization"}));
  }

  // Opened on a file that went away: the note is whole and the keyboard is in the file field.
  CDialogAnswerer gone({{"SshAuthorization", [](QWidget* d) {
                           auto* note = Find<QLabel>(d, "keyFileNote");
                           EXPECT_TRUE(note->isVisible());
                           EXPECT_GE(note->height(), note->sizeHint().height());
                           EXPECT_EQ(d->focusWidget(), Find<QLineEdit>(d, "keyFile"));
                           QTest::keyClick(d, Qt::Key_Escape);
                         }}});
  AskFromWorker([this] {
    return questions_.AskAuthorization("example.test", 2222, "bob", SshKeyFiles::kOffered);
  });
  EXPECT_EQ(gone.Seen(), QStringList({"SshAuthorization"}));
}

// What the server accepted decides what is remembered: a key file is, the stored key pair with
// the field cleared forgets it, and a password login leaves it.
TEST_F(SshDialogs, AcceptedLoginsRememberAndForgetTheKeyFile) {
  CProfile profile((test::FreshTestFolder() / "ostrane.ini").string());
  questions_.SetKeyFileProfile(&profile);
  CKeyFileMemory memory(profile);
  auto accepted = [this](bool usePublicKey, const std::string& file) {
    SshAuthorizationAnswer a;
    a.user = "alice";
    a.usePublicKey = usePublicKey;
    a.identityFile = file;
    // From the worker, as the transport tells it.
    std::thread([&] { questions_.AuthorizationAccepted("h", 22, a); }).join();
    QCoreApplication::processEvents();
  };
  accepted(true, "/keys/id_a");
  EXPECT_EQ(memory.Recall("h", 22, "alice"), "/keys/id_a");
  accepted(false, "");
  EXPECT_EQ(memory.Recall("h", 22, "alice"), "/keys/id_a");
  accepted(true, "");
  EXPECT_EQ(memory.Recall("h", 22, "alice"), std::nullopt);
}

TEST_F(SshDialogs, CancelAnswersNothing) {
  CDialogAnswerer answerer({});
  EXPECT_FALSE(AskFromWorker(
      [this] { return questions_.AskAuthorization("h", 22, "u", SshKeyFiles::kOffered); }));
  EXPECT_FALSE(AskFromWorker([this] { return questions_.AskPasswordChange("h", "u", false); }));
  EXPECT_FALSE(AskFromWorker([this] { return questions_.AskKeyPassword("u", false); }));
  EXPECT_FALSE(AskFromWorker([this] { return questions_.AskKeyCreation("u"); }));
  EXPECT_FALSE(AskFromWorker([this] {
    return questions_.AskKeyboardInteractive(SshKeyboardQuestion{"h", "u", "", "", {}});
  }));
  EXPECT_EQ(answerer.Seen(), QStringList({"SshAuthorization", "ChangePassword", "Secret", "Secret",
                                          "KeyboardInteractive"}));
}

TEST_F(SshDialogs, PasswordChangeInsistsOnAMatchingConfirmation) {
  CDialogAnswerer answerer({{"ChangePassword", [](QWidget* d) {
                               EXPECT_EQ(Find<QLabel>(d, "notice")->text(),
                                         "Changing password failed. Please retry:");
                               Type(d, "oldPassword", "old");
                               Type(d, "newPassword", "new1");
                               Type(d, "confirmPassword", "new2");
                               PressReturn(d);
                               EXPECT_TRUE(d->isVisible());
                               EXPECT_TRUE(Find<QLineEdit>(d, "confirmPassword")->text().isEmpty());
                               Type(d, "newPassword", "new1");
                               Type(d, "confirmPassword", "new1");
                               PressReturn(d);
                             }}});
  const auto answer =
      AskFromWorker([this] { return questions_.AskPasswordChange("h", "u", /*retry=*/true); });
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->oldPassword, "old");
  EXPECT_EQ(answer->newPassword, "new1");
  EXPECT_FALSE(answer->savePassword);
}

TEST_F(SshDialogs, KeyboardInteractiveEchoesOnlyWhereThePromptAllows) {
  SshKeyboardQuestion q{
      "h", "u", "Login", "Two factors, please.", {{"Token:", true}, {"Password:", false}}};
  CDialogAnswerer answerer(
      {{"KeyboardInteractive", [](QWidget* d) {
          EXPECT_EQ(d->windowTitle(), "Login");
          EXPECT_EQ(Find<QLabel>(d, "instruction")->text(), "Two factors, please.");
          EXPECT_EQ(Find<QLineEdit>(d, "prompt0")->echoMode(), QLineEdit::Normal);
          EXPECT_EQ(Find<QLineEdit>(d, "prompt1")->echoMode(), QLineEdit::Password);
          Type(d, "prompt0", "123456");
          Type(d, "prompt1", "pw");
          PressReturn(d);
        }}});
  const auto answer = AskFromWorker([&] { return questions_.AskKeyboardInteractive(q); });
  ASSERT_TRUE(answer);
  EXPECT_EQ(*answer, std::vector<std::string>({"123456", "pw"}));
}

// Text from the peer is shown as it is: markup in a message or a prompt is never rendered.
TEST_F(SshDialogs, PeerTextIsNeverReadAsRichText) {
  auto allPlain = [](QWidget* d) {
    for (QLabel* label : d->findChildren<QLabel*>())
      if (label->text().contains("<b>")) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
      }
  };
  SshKeyboardQuestion q{"h", "u", "Login", "<b>instruction</b>", {{"<b>Token:</b>", true}}};
  {
    CDialogAnswerer answerer({{"KeyboardInteractive", [&](QWidget* d) {
                                 allPlain(d);
                                 QTest::keyClick(d, Qt::Key_Escape);
                               }}});
    AskFromWorker([&] { return questions_.AskKeyboardInteractive(q); });
    EXPECT_EQ(answerer.Seen(), QStringList({"KeyboardInteractive"}));
  }
  MessageQuestion m;
  m.text = "<b>Disconnected</b> <img src=x>";
  QString shownText;
  Qt::TextFormat format = Qt::AutoText;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shownText = box->text();
    format = box->textFormat();
    box->accept();
  });
  AskFromWorker([&] { return questions_.AskMessage(m); });
  EXPECT_EQ(shownText.toStdString(), m.text);
  EXPECT_EQ(format, Qt::PlainText);
}

TEST_F(SshDialogs, NewHostKeyShowsTheFingerprintAndReturnDoesNotAccept) {
  const SshHostKeyQuestion q{"example.test", "ssh-ed25519 AAAAC3Nza", "SHA256:abcDEF"};
  CDialogAnswerer refuse(
      {{"NewHostKey", [](QWidget* d) {
          EXPECT_TRUE(Find<QLabel>(d, "fingerprint")->text().contains("SHA256:abcDEF"));
          EXPECT_EQ(Find<QPlainTextEdit>(d, "keyText")->toPlainText(), "ssh-ed25519 AAAAC3Nza");
          PressReturn(d);
        }}});
  EXPECT_FALSE(AskFromWorker([&] { return questions_.AskNewHostKey(q); }));
}

TEST_F(SshDialogs, KeyCreationAsksTwiceAndTheKeyPasswordOnce) {
  CDialogAnswerer answerer({{"Secret", [](QWidget* d) {
                               if (d->windowTitle() == "Public Key/Private Key Creation") {
                                 Type(d, "password", "a");
                                 Type(d, "confirmPassword", "b");
                                 PressReturn(d);
                                 EXPECT_TRUE(d->isVisible());
                                 Type(d, "confirmPassword", "a");
                               } else {
                                 EXPECT_EQ(d->findChild<QLineEdit*>("confirmPassword"), nullptr);
                                 Type(d, "password", "k");
                               }
                               PressReturn(d);
                             }}});
  EXPECT_EQ(AskFromWorker([this] { return questions_.AskKeyCreation("u"); }), "a");
  EXPECT_EQ(AskFromWorker([this] { return questions_.AskKeyPassword("u", true); }), "k");
}

// The whole path a user takes: the program started on a session file with HostType 5 (the
// command line is carried out before the main window is shown), the new host key accepted, the
// password typed into "SSH Authorization", and the shell's output on the screen.
TEST(SshLogin, PasswordTypedIntoTheDialogReachesTheShell) {
  // A key store of its own: every run's server has new host keys, to be asked about as new.
  test::CTempHome home("ostrane-sshlogin");
  ASSERT_TRUE(home.Made());
  test::EnsureApplication();
  ASSERT_TRUE(test::EnsureTestUser());
  test::CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const auto dir = test::FreshTestFolder();
  const std::string path = (dir / "ssh.OSN").string();
  ASSERT_NO_FATAL_FAILURE(
      test::WriteSshSession(path, test::kSsh2HostType, sshd.Port(), test::kTestUser));
  CProfile profile((dir / "ostrane.ini").string());
  CMainFrame frame(profile);
  CDialogAnswerer answerer({{"NewHostKey",
                             [](QWidget* d) {
                               EXPECT_TRUE(
                                   Find<QLabel>(d, "fingerprint")->text().contains("SHA256:"));
                               Find<QPushButton>(d, "accept")->click();
                             }},
                            {"SshAuthorization", [](QWidget* d) {
                               QTest::keyClicks(d->focusWidget(), test::kTestPassword);
                               PressReturn(d);
                             }}});
  bool maximized = false;
  CChildFrame* child = frame.OpenCommandLine({path}, maximized);
  ASSERT_NE(child, nullptr);
  frame.show();
  // Held here: if the login fails the window closes and would take the document with it.
  const std::shared_ptr<CVT420Doc> held = child->SharedDocument();
  CVT420Doc& doc = *held;
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(test::ScreenText(doc).find("$") != std::string::npos, 20000);
  const std::string command = "echo ui-$((6*7))\r";
  doc.Send(reinterpret_cast<const uint8_t*>(command.data()), command.size());
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(test::ScreenText(doc).find("ui-42") != std::string::npos, 10000);
  EXPECT_EQ(answerer.Seen(), QStringList({"NewHostKey", "SshAuthorization"}));
  EXPECT_NE(sshd.Log().find("Accepted password"), std::string::npos);
  // The user name stays for the next login; the password was not asked to be saved.
  std::lock_guard lock(doc.Terminal().Mutex());
  EXPECT_EQ(doc.Settings().Str(S::SshUser), test::kTestUser);
  EXPECT_EQ(doc.Settings().Str(S::SshPassword), "");
}

// What the SSH transport has to tell the user (here the server's disconnect reason) reaches
// them as a message box in the desktop program.
TEST(SshLogin, ServersDisconnectReasonIsShownInAMessageBox) {
  test::CTempHome home("ostrane-sshreason");
  ASSERT_TRUE(home.Made());
  test::EnsureApplication();
  test::CScriptedSshPeer peer("disconnect");
  ASSERT_TRUE(peer.Ready());
  const auto dir = test::FreshTestFolder();
  const std::string path = (dir / "reason.OSN").string();
  ASSERT_NO_FATAL_FAILURE(test::WriteSshSession(path, test::kSsh2HostType, peer.Port(), "user"));
  CProfile profile((dir / "ostrane.ini").string());
  CMainFrame frame(profile);
  QString shown;
  CDialogAnswerer answerer(
      {{"NewHostKey", [](QWidget* d) { Find<QPushButton>(d, "accept")->click(); }},
       {"SshAuthorization",
        [](QWidget* d) {
          QTest::keyClicks(d->focusWidget(), "pw");
          PressReturn(d);
        }},
       {"Message", [&shown](QWidget* d) {
          shown = qobject_cast<QMessageBox*>(d)->text();
          PressReturn(d);
        }}});
  bool maximized = false;
  ASSERT_NE(frame.OpenCommandLine({path}, maximized), nullptr);
  frame.show();
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 20000);
  EXPECT_EQ(shown, QString("Disconnecting...\nError code = 11, text = bye now"));
}

// The session is closed while its worker waits in "SSH Authorization", from inside the
// dialog's own loop: the close joins the worker, which must leave the dialog, not hang.
TEST(SshLogin, ClosingTheSessionWithTheAuthorizationDialogOpenDoesNotHang) {
  test::EnsureApplication();
  ASSERT_TRUE(test::EnsureTestUser());
  test::CSshdPeer sshd;
  ASSERT_TRUE(sshd.Ready());
  const auto dir = test::FreshTestFolder();
  // Known hosts of its own: another test's server had another key for 127.0.0.1.
  const std::string home = std::getenv("OSTRANE_HOME");
  setenv("OSTRANE_HOME", dir.c_str(), 1);
  struct RestoreHome {
    std::string value;
    ~RestoreHome() { setenv("OSTRANE_HOME", value.c_str(), 1); }
  } restore{home};
  const std::string path = (dir / "ssh.OSN").string();
  ASSERT_NO_FATAL_FAILURE(
      test::WriteSshSession(path, test::kSsh2HostType, sshd.Port(), test::kTestUser));
  CProfile profile((dir / "ostrane.ini").string());
  CMainFrame frame(profile);
  frame.Questions().SetMessageHandler([](const MessageQuestion& q) {
    return q.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
  });
  bool closed = false;
  CDialogAnswerer answerer(
      {{"NewHostKey", [](QWidget* d) { Find<QPushButton>(d, "accept")->click(); }},
       {"SshAuthorization", [&](QWidget*) {
          // Without the worker leaving the dialog, the close waits for the transport's stop
          // timeout before giving up on the worker.
          const auto start = std::chrono::steady_clock::now();
          frame.RunCommand(Cmd::kClose);
          EXPECT_LT(std::chrono::steady_clock::now() - start, kStopTimeout);
          closed = true;
        }}});
  bool maximized = false;
  CChildFrame* child = frame.OpenCommandLine({path}, maximized);
  ASSERT_NE(child, nullptr);
  frame.show();
  std::weak_ptr<CVT420Doc> doc = child->SharedDocument();
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(closed, 20000);
  OSTRANE_TRY_VERIFY_WITH_TIMEOUT(doc.expired(), 10000);
  EXPECT_TRUE(frame.Children().isEmpty());
  OSTRANE_TRY_VERIFY(QApplication::activeModalWidget() == nullptr);
}

}  // namespace
}  // namespace ostrane
