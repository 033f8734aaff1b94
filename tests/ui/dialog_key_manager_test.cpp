// The key manager as a user drives it from the Security menu: a pair created in the creation
// dialog, backed up to a file, removed, restored from the file and shown; a refused creation
// keeps the dialog open with its message.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "dialog_answerer.h"
#include "ssh/ssh_key_store.h"
#include "support/test_folder.h"
#include "ui/frame_commands.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

// Clicked from the event loop, not from inside the answerer's timer: a dialog the click opens
// must see that timer fire again.
void ClickLater(QPushButton* button) {
  QTimer::singleShot(0, button, &QPushButton::click);
}

template <class W>
W* Child(QWidget* dialog, const char* name) {
  W* w = dialog->findChild<W*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

void Select(QWidget* manager, const char* list, const QString& name) {
  auto* l = Child<QListWidget>(manager, list);
  const auto found = l->findItems(name, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << name.toStdString();
  l->setCurrentItem(found.front());
}

QStringList Items(QWidget* manager, const char* list) {
  QStringList items;
  auto* l = Child<QListWidget>(manager, list);
  for (int i = 0; i < l->count(); ++i) items << l->item(i)->text();
  return items;
}

class KeyManagerDialog : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    ASSERT_TRUE(home_.Made());
    dir_ = std::getenv("OSTRANE_HOME");
    profile_ = std::make_unique<CProfile>((dir_ / "ostrane.ini").string());
    frame_ = std::make_unique<CMainFrame>(*profile_);
    frame_->Questions().SetMessageHandler([this](const MessageQuestion& q) {
      messages_.push_back(q.text);
      return MessageAnswer::kOk;
    });
    frame_->show();
  }
  test::CTempHome home_{"ostrane-uikeys"};
  std::filesystem::path dir_;
  std::unique_ptr<CProfile> profile_;
  std::unique_ptr<CMainFrame> frame_;
  std::vector<std::string> messages_;
};

// Each time the manager is on top again, the next step of the user's session runs.
TEST_F(KeyManagerDialog, CreateBackupRemoveRestoreAndShowASsh1Key) {
  const QString backup = QString::fromStdString((dir_ / "alice.key").string());
  int step = 0;
  QStringList afterCreate, afterRemove, afterRestore;
  QString shownName, shownText, title, selectedAfterBackup;
  QStringList offeredNames;
  test::CDialogAnswerer answerer(
      {{"KeyManager",
        [&](QWidget* m) {
          title = m->windowTitle();
          switch (step++) {
            case 0:
              ClickLater(Child<QPushButton>(m, "create"));
              break;
            case 1:
              afterCreate = Items(m, "users");
              Select(m, "users", "alice");
              ClickLater(Child<QPushButton>(m, "backup"));
              break;
            case 2: {
              // The entry stays selected after the backup.
              const QListWidgetItem* current = Child<QListWidget>(m, "users")->currentItem();
              selectedAfterBackup =
                  current != nullptr && current->isSelected() ? current->text() : "";
              Child<QPushButton>(m, "removeUser")->click();
              afterRemove = Items(m, "users");
              ClickLater(Child<QPushButton>(m, "restore"));
              break;
            }
            case 3: {
              afterRestore = Items(m, "users");
              auto* users = Child<QListWidget>(m, "users");
              // Without the entry nothing would open; the manager is closed instead of waited on.
              if (users->count() == 0) {
                ClickLater(Child<QPushButton>(m, "close"));
                break;
              }
              QTimer::singleShot(0, users, [users] { emit users->itemActivated(users->item(0)); });
              break;
            }
            default:
              ClickLater(Child<QPushButton>(m, "close"));
          }
        }},
       {"KeyCreation",
        [](QWidget* d) {
          // A retype that differs is refused and the dialog stays for
          // another try.
          QTest::keyClicks(Child<QLineEdit>(d, "user"), "alice");
          QTest::keyClicks(Child<QLineEdit>(d, "password"), "secret");
          QTest::keyClicks(Child<QLineEdit>(d, "retype"), "secreT");
          test::PressReturn(d);
          ASSERT_TRUE(d->isVisible());
          Child<QLineEdit>(d, "retype")->clear();
          QTest::keyClicks(Child<QLineEdit>(d, "retype"), "secret");
          test::PressReturn(d);
        }},
       {"QFileDialog",
        [&](QWidget* d) {
          auto* files = qobject_cast<QFileDialog*>(d);
          ASSERT_NE(files, nullptr);
          // Typed as a user types it: the whole path into the file name field.
          auto* name = files->findChild<QLineEdit*>("fileNameEdit");
          ASSERT_NE(name, nullptr);
          offeredNames << name->text();
          name->setText(backup);
          // Through QDialog: QFileDialog keeps its accept protected.
          static_cast<QDialog*>(files)->accept();
        }},
       {"KeyInformation", [&](QWidget* d) {
          shownName = Child<QLabel>(d, "name")->text();
          shownText = Child<QPlainTextEdit>(d, "keyText")->toPlainText();
          QTest::keyClick(d, Qt::Key_Escape);
        }}});
  frame_->RunCommand(Cmd::kKeyManagerSsh1);
  EXPECT_EQ(title, "SSH1 Key Manager");
  EXPECT_EQ(afterCreate, QStringList{"alice"});
  EXPECT_TRUE(afterRemove.isEmpty());
  EXPECT_EQ(afterRestore, QStringList{"alice"});
  EXPECT_EQ(selectedAfterBackup, "alice");
  // The backup is offered under the user's name; the restore, with nothing selected, under none.
  EXPECT_EQ(offeredNames, QStringList({"alice.key", ""}));
  EXPECT_EQ(shownName, "alice");
  EXPECT_TRUE(shownText.startsWith("---- BEGIN SSH1 ENCRYPTED PRIVATE KEY ----"))
      << shownText.toStdString();
  EXPECT_TRUE(std::filesystem::exists(dir_ / "alice.pub"));
  ASSERT_GE(messages_.size(), 2u);
  EXPECT_EQ(messages_[0], "The password retype is not identical. Please type again.");
  EXPECT_NE(messages_[1].find("Your keys have been created."), std::string::npos);
  // The restored pair opens with the password it was created with.
  std::optional<CSsh1RsaKey> key;
  const std::string password = "secret";
  EXPECT_EQ(CSshKeyStore(SshVersion::k1).LoadUserKey("alice", &password, nullptr, key),
            CSshKeyStore::LoadResult::kLoaded);
}

TEST_F(KeyManagerDialog, RemoveWithoutASelectionSaysSo) {
  test::CDialogAnswerer answerer({{"KeyManager", [&](QWidget* m) {
                                     Child<QPushButton>(m, "removeHost")->click();
                                     ClickLater(Child<QPushButton>(m, "close"));
                                   }}});
  frame_->RunCommand(Cmd::kKeyManagerSsh2);
  EXPECT_EQ(messages_, std::vector<std::string>{"Please select a host."});
}

}  // namespace
}  // namespace ostrane
