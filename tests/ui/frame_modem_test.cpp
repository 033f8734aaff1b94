// The desktop path of a modem session: New from the main window, the Modem page with the
// profile's modem on a pty where the modem simulator answers, the call's progress on the
// session's screen, and a login typed into the window reaching a shell.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <mutex>

#include "emulator/screen_buffer.h"
#include "peers/peer_process.h"
#include "peers/serial_peer.h"
#include "platform/serial_devices.h"
#include "session/screen_json.h"
#include "session/transport_factory.h"
#include "session/vt420_doc.h"
#include "settings/message_texts.h"
#include "support/test_folder.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"
#include "ui/new_connection_dialog.h"
#include "ui/qt_questions.h"
#include "view_test_support.h"

namespace ostrane {
namespace {

std::string ScreenText(CVT420Doc& doc) {
  std::lock_guard lock(doc.Terminal().Mutex());
  std::string text;
  for (int row = 0; row < doc.Terminal().Screen().Lines(); ++row)
    if (const auto line = doc.Terminal().Screen().GetPageRow(row)) {
      std::string cells = LineToText(*line, doc.Settings().Int(S::Columns));
      cells.erase(cells.find_last_not_of(' ') + 1);
      text += cells + "\n";
    }
  return text;
}

TEST(FrameModem, ADialUpSessionShowsTheCallAndLogsIn) {
  test::EnsureApplication();
  ASSERT_TRUE(test::EnsureTestUser());
  const std::filesystem::path dir = test::FreshTestFolder();
  test::CPtyPair pair(dir / "modem", dir / "line");
  ASSERT_TRUE(pair.Ready());
  const test::CLoginService host;
  ASSERT_TRUE(host.Ready());
  test::CHayesPeer modem(pair.B(), dir / "modem.log", {host.BookEntry("5551000")});
  ASSERT_TRUE(modem.WaitLog("READY"));
  // The profile the program keeps, where sessions look up their modem.
  CProfile profile(ProfilePath());
  ASSERT_TRUE(platform::WriteModem(profile, 0, {"Line modem", pair.A().string(), "ATZ", 115200}));

  CMainFrame frame(profile);
  frame.show();
  bool filled = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<CNewConnectionDialog*>(QApplication::activeModalWidget());
    if (!d) return;
    d->KindList()->setCurrentIndex(d->KindList()->findText("Modem"));
    QWidget* page = d->Page("Modem");
    page->findChildren<QComboBox*>().at(1)->setCurrentText("555-1000");
    filled = true;
    d->accept();
  });
  CChildFrame* child = frame.NewSession();
  ASSERT_TRUE(filled);
  ASSERT_NE(child, nullptr);
  // Held here: closing the window below must not take the document from the test.
  const std::shared_ptr<CVT420Doc> held = child->SharedDocument();
  CVT420Doc& doc = *held;
  const auto shows = [&doc](const std::string& text) {
    return QTest::qWaitFor([&] { return ScreenText(doc).find(text) != std::string::npos; }, 20000);
  };
  ASSERT_TRUE(shows("login:")) << ScreenText(doc);
  const std::string screen = ScreenText(doc);
  EXPECT_EQ(screen.rfind("Dialing...\nRingback\nConnected.\n", 0), 0u) << screen;
  EXPECT_EQ(frame.windowTitle().contains("Phone# 555-1000"), true)
      << frame.windowTitle().toStdString();

  QWidget* keys = child->View()->viewport();
  QTest::keyClicks(keys, test::kTestUser);
  QTest::keyClick(keys, Qt::Key_Return);
  ASSERT_TRUE(shows("Password:")) << ScreenText(doc);
  QTest::keyClicks(keys, test::kTestPassword);
  QTest::keyClick(keys, Qt::Key_Return);
  ASSERT_TRUE(shows("$\n")) << ScreenText(doc);
  QTest::keyClicks(keys, "echo on-the-line-$((6*7))");
  QTest::keyClick(keys, Qt::Key_Return);
  EXPECT_TRUE(shows("on-the-line-42")) << ScreenText(doc);
  // Closing the window asks, then hangs up without holding the window meanwhile: the hang-up
  // takes seconds (guard times around "+++"), and the window goes once it is done.
  frame.Questions().SetMessageHandler([](const MessageQuestion& q) {
    return q.messageId == Msg::kStillConnected ? MessageAnswer::kYes : MessageAnswer::kNo;
  });
  QPointer<CChildFrame> window = child;
  window->close();
  EXPECT_FALSE(window.isNull());
  EXPECT_NE(doc.ConnectionState(), TransportState::kClosed);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 15000));
  // The pty has no DTR, so the modem is told in words.
  EXPECT_TRUE(modem.WaitLog("CMD ATH0")) << modem.Log();
}

}  // namespace
}  // namespace ostrane
