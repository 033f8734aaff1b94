// ZModem in the desktop program: the Send and Receive commands of the Session menu and the
// "File Transfer Status" dialog, against lrzsz's sz and rz on a socat pty (a serial session).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "peers/serial_peer.h"
#include "session/vt420_doc.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"
#include "ui/session_front_end.h"
#include "ui/transfer_dialog.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

namespace fs = std::filesystem;

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 131 + i / 7);
  return data;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class FrameTransfer : public testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    dir_ = test::FreshTestFolder();
    fs::create_directories(dir_ / "out");
    fs::create_directories(dir_ / "in");
    profile_ = std::make_unique<CProfile>((dir_ / "ostrane.ini").string());
    frame_ = std::make_unique<CMainFrame>(*profile_);
    frame_->Questions().SetMessageHandler([this](const MessageQuestion& q) {
      messages_.push_back(q.text);
      return q.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
    });
    frame_->show();
  }
  void TearDown() override { frame_.reset(); }

  // A socat pty whose far end runs command in folder; the line appears as dir_/tty.
  std::unique_ptr<test::CPeerProcess> StartLine(const fs::path& folder,
                                                const std::string& command) {
    auto line = std::make_unique<test::CPeerProcess>(
        std::vector<std::string>{"/usr/bin/socat", "pty,raw,echo=0,link=" + (dir_ / "tty").string(),
                                 "SYSTEM:sleep 1; cd " + folder.string() + " && exec " + command});
    EXPECT_TRUE(test::WaitForPath(dir_ / "tty", true));
    return line;
  }

  // A serial session on dir_/tty that receives into dir_/in; transfers start by hand unless
  // autoReceive is set.
  CChildFrame* OpenSerialSession(bool autoReceive = false) {
    const std::string path = (dir_ / "serial.OSN").string();
    CVT420Doc writer;
    {
      std::lock_guard lock(writer.Terminal().Mutex());
      writer.Settings().SetInt(S::HostType, 1);
      writer.Settings().SetStr(S::HostName, (dir_ / "tty").string());
      writer.Settings().SetInt(S::Speed, 115200);
      writer.Settings().SetStr(S::RecvDir, (dir_ / "in").string());
      writer.Settings().SetInt(S::XferOpenRecv, 0);
      writer.Settings().SetInt(S::AutoRecv, autoReceive ? 1 : 0);
      writer.Settings().SetStr(S::ZModemInit, "");
    }
    EXPECT_EQ(writer.WriteSessionFile(path), SetupFileStatus::kOk);
    return frame_->OpenSessionFile(QString::fromStdString(path));
  }

  CTransferDialog* Dialog(CChildFrame& child) {
    return frame_->FrontEnd(child.Document())->Transfers().Dialog();
  }

  // Send and Receive, as the menus would show them now.
  std::pair<bool, bool> TransferCommands() {
    frame_->UpdateCommandStates();
    return {frame_->Action(Cmd::kSendZModem)->isEnabled(),
            frame_->Action(Cmd::kReceiveZModem)->isEnabled()};
  }

  fs::path dir_;
  std::unique_ptr<CProfile> profile_;
  std::unique_ptr<CMainFrame> frame_;
  std::vector<std::string> messages_;
};

// Both commands need a connected session without a running transfer; the menu texts resolve.
TEST_F(FrameTransfer, CommandsFollowTheConnection) {
  EXPECT_EQ(TransferCommands(), std::make_pair(false, false));
  EXPECT_EQ(frame_->ResolveMenuPath("Session: Send ZModem"), Cmd::kSendZModem);
  EXPECT_EQ(frame_->ResolveMenuPath("Session: Receive ZModem"), Cmd::kReceiveZModem);

  frame_->SetOpenWithoutConnecting(true);
  CChildFrame* child = OpenSerialSession();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(TransferCommands(), std::make_pair(false, false));
  // A refused start must not leave a dialog behind.
  frame_->RunCommand(Cmd::kReceiveZModem);
  QTest::qWait(50);
  EXPECT_EQ(Dialog(*child), nullptr);
  EXPECT_FALSE(child->Document().TransferRunning());
}

// A batch from sz: the dialog opens with the file's name and size, the
// commands are off while it runs, and at the end the dialog closes, the transfer is reaped and
// the files are stored without any message.
TEST_F(FrameTransfer, ReceiveFromSzShowsProgressAndStoresTheFiles) {
  const std::string payload = Pattern(2 << 20);
  std::ofstream(dir_ / "out" / "a.bin", std::ios::binary) << payload;
  std::ofstream(dir_ / "out" / "b.txt") << "second file\n";
  const auto line = StartLine(dir_ / "out", "sz -q -b a.bin b.txt");
  CChildFrame* child = OpenSerialSession();
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(test::WaitUntil([&] { return child->Document().IsConnected(); }, 10000));
  EXPECT_EQ(TransferCommands(), std::make_pair(true, true));

  std::set<std::tuple<QString, QString, QString>> seen;  // file, size, bytes done
  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    if (CTransferDialog* d = Dialog(*child))
      seen.emplace(d->FileText(), d->SizeText(), d->DoneText());
  });
  sampler.start(5);
  frame_->RunCommand(Cmd::kReceiveZModem);
  EXPECT_EQ(TransferCommands(), std::make_pair(false, false));
  ASSERT_TRUE(test::WaitUntil([&] { return Dialog(*child) != nullptr; }, 5000));
  EXPECT_EQ(Dialog(*child)->windowTitle(), "File Transfer Status");
  EXPECT_FALSE(Dialog(*child)->isModal());
  ASSERT_TRUE(test::WaitUntil([&] { return Dialog(*child) == nullptr; }, 60000));
  sampler.stop();

  EXPECT_FALSE(child->Document().TransferRunning());
  EXPECT_EQ(TransferCommands(), std::make_pair(true, true));
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_EQ(ReadFile(dir_ / "in" / "a.bin"), payload);
  EXPECT_EQ(ReadFile(dir_ / "in" / "b.txt"), "second file\n");
  // The batch may pass between two samples; the first file's start is always shown.
  bool shownA = false;
  for (const auto& [file, size, done] : seen)
    if (file == "a.bin" && size == QString::number(payload.size())) shownA = true;
  EXPECT_TRUE(shownA);
}

// A receive the host starts by itself begins on the connection's worker with the terminal
// locked: nothing waits on the GUI thread there, the file is stored and the dialog is gone.
TEST_F(FrameTransfer, AutomaticReceiveStoresTheFileAndClosesItsDialog) {
  const std::string payload = Pattern(200000);
  std::ofstream(dir_ / "out" / "auto.bin", std::ios::binary) << payload;
  const auto line = StartLine(dir_ / "out", "sz -q -b auto.bin");
  CChildFrame* child = OpenSerialSession(true);
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(test::WaitUntil([&] { return fs::exists(dir_ / "in" / "auto.bin"); }, 20000));
  ASSERT_TRUE(test::WaitUntil(
      [&] { return !child->Document().TransferRunning() && Dialog(*child) == nullptr; }, 30000));
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_EQ(ReadFile(dir_ / "in" / "auto.bin"), payload);
}

// The dialog's Abort button ends a large receive, once the dialog shows its progress: the dialog
// closes, the partial file is thrown away and the failure is reported once, without waiting for the
// user.
TEST_F(FrameTransfer, AbortButtonEndsARunningReceiveAndLeavesNoFile) {
  std::ofstream(dir_ / "out" / "big.bin", std::ios::binary) << Pattern(64 << 20);
  const auto line = StartLine(dir_ / "out", "sz -q -b big.bin");
  CChildFrame* child = OpenSerialSession();
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(test::WaitUntil([&] { return child->Document().IsConnected(); }, 10000));
  frame_->RunCommand(Cmd::kReceiveZModem);
  ASSERT_TRUE(test::WaitUntil(
      [&] { return Dialog(*child) && Dialog(*child)->DoneText().toLongLong() > 0; }, 20000));
  EXPECT_EQ(Dialog(*child)->FileText(), "big.bin");

  QTest::mouseClick(Dialog(*child)->AbortButton(), Qt::LeftButton);
  ASSERT_TRUE(test::WaitUntil([&] { return Dialog(*child) == nullptr; }, 30000));
  EXPECT_FALSE(child->Document().TransferRunning());
  EXPECT_TRUE(test::WaitUntil([&] { return messages_.size() == size_t{1}; }, 5000));
  EXPECT_TRUE(fs::is_empty(dir_ / "in"));
  EXPECT_EQ(TransferCommands(), std::make_pair(true, true));
}

// Closing the session while its transfer runs ends the transfer with the session; the dialog
// goes with it and nothing is left to reap.
TEST_F(FrameTransfer, ClosingTheSessionDuringAReceiveClosesTheDialog) {
  std::ofstream(dir_ / "out" / "big.bin", std::ios::binary) << Pattern(64 << 20);
  const auto line = StartLine(dir_ / "out", "sz -q -b big.bin");
  CChildFrame* child = OpenSerialSession();
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(test::WaitUntil([&] { return child->Document().IsConnected(); }, 10000));
  std::weak_ptr<CVT420Doc> doc = child->SharedDocument();
  frame_->RunCommand(Cmd::kReceiveZModem);
  ASSERT_TRUE(test::WaitUntil(
      [&] { return Dialog(*child) && Dialog(*child)->DoneText().toLongLong() > 0; }, 20000));

  frame_->RunCommand(Cmd::kClose);
  ASSERT_TRUE(test::WaitUntil([&] { return doc.expired(); }, 10000));
  ASSERT_TRUE(
      test::WaitUntil([&] { return frame_->findChildren<CTransferDialog*>().isEmpty(); }, 5000));
  EXPECT_TRUE(frame_->Children().isEmpty());
  EXPECT_EQ(TransferCommands(), std::make_pair(false, false));
}

// "Send ZModem" asks for the files in "Send File" and sends them as one batch to rz.
TEST_F(FrameTransfer, SendFileDialogSendsTheChosenFilesToRz) {
  const std::string payload = Pattern(100000);
  std::ofstream(dir_ / "out" / "one.bin", std::ios::binary) << payload;
  std::ofstream(dir_ / "out" / "two.txt") << "two\n";
  const auto line = StartLine(dir_ / "in", "rz -q -b -y");
  CChildFrame* child = OpenSerialSession();
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(test::WaitUntil([&] { return child->Document().IsConnected(); }, 10000));

  QString title;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    dialog->setDirectory(QString::fromStdString((dir_ / "out").string()));
    dialog->selectFile("\"one.bin\" \"two.txt\"");
    static_cast<QDialog*>(dialog)->accept();
  });
  frame_->RunCommand(Cmd::kSendZModem);
  EXPECT_EQ(title, "Send File");
  ASSERT_TRUE(test::WaitUntil(
      [&] { return !child->Document().TransferRunning() && Dialog(*child) == nullptr; }, 30000));
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_TRUE(test::WaitUntil(
      [&] { return ReadFile(dir_ / "in" / "two.txt") == std::string("two\n"); }, 5000));
  EXPECT_EQ(ReadFile(dir_ / "in" / "one.bin"), payload);
}

// What the dialog shows of a progress report, of failures and notices, and its close box.
TEST(TransferDialog, ShowsProgressFailuresAndAsksForTheAbortWhenClosed) {
  test::EnsureApplication();
  CTransferDialog dialog("ZModem", nullptr);
  XferProgress p;
  p.fileName = "data.bin";
  p.fileSize = 5000000;
  p.bytesDone = 1250000;
  p.bytesPerSecond = 10240.6;
  p.secondsLeft = 3725.4;
  dialog.ShowProgress(p);
  EXPECT_EQ(dialog.FileText(), "data.bin");
  EXPECT_EQ(dialog.SizeText(), "5000000");
  EXPECT_EQ(dialog.DoneText(), "1250000");
  EXPECT_EQ(dialog.RateText(), "10241");
  EXPECT_EQ(dialog.TimeLeftText(), "1:02:05");
  p.secondsLeft = -1;
  dialog.ShowProgress(p);
  EXPECT_EQ(dialog.TimeLeftText(), "");
  EXPECT_EQ(FormatTimeLeft(65), "1:05");
  EXPECT_EQ(FormatTimeLeft(0.4), "0:00");

  // A stored file says nothing; failures and notices stay, the oldest going first.
  dialog.ShowFileEnded("good.txt", true, "");
  EXPECT_EQ(dialog.NoticeText(), "");
  dialog.ShowFileEnded("bad.txt", false, "Cannot create file.");
  for (int i = 0; i < 4; ++i) dialog.ShowNotice("notice " + std::to_string(i));
  EXPECT_EQ(dialog.NoticeText(), "notice 0\nnotice 1\nnotice 2\nnotice 3");

  // The close box aborts like the button; the window stays until the transfer has ended.
  int aborts = 0;
  QObject::connect(&dialog, &CTransferDialog::AbortRequested, [&] { ++aborts; });
  dialog.show();
  dialog.close();
  EXPECT_EQ(aborts, 1);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.AbortButton()->isEnabled());
}

}  // namespace
}  // namespace ostrane
