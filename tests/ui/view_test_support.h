// Shared pieces of the view tests: the application object, a session document without a
// connection whose sent bytes are recorded, and pixel helpers.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QTest>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "session/vt420_doc.h"
#include "ui/vt420_view.h"

namespace ostrane::test {

// Processes events until done() holds or the time is up; false when it never held. QtTest's
// QTRY_ macros return from the test body on failure, which GoogleTest counts as a pass, so the
// tests wait with this and assert on its result (the macros below).
template <class Done>
bool WaitUntil(Done done, int timeoutMs = 5000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(10);
  }
  return true;
}

#define OSTRANE_TRY_VERIFY_WITH_TIMEOUT(expr, ms) \
  ASSERT_TRUE(::ostrane::test::WaitUntil([&] { return static_cast<bool>(expr); }, ms)) << #expr
#define OSTRANE_TRY_VERIFY(expr) OSTRANE_TRY_VERIFY_WITH_TIMEOUT(expr, 5000)
#define OSTRANE_TRY_COMPARE_WITH_TIMEOUT(actual, expected, ms)                        \
  ASSERT_TRUE(::ostrane::test::WaitUntil([&] { return (actual) == (expected); }, ms)) \
      << #actual " never became " #expected
#define OSTRANE_TRY_COMPARE(actual, expected) \
  OSTRANE_TRY_COMPARE_WITH_TIMEOUT(actual, expected, 5000)

inline void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

// Records what the session sends to the host.
class CSentBytes : public ISessionMonitor {
 public:
  void Sent(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    bytes_.append(reinterpret_cast<const char*>(data), length);
  }
  void Received(const uint8_t*, size_t) override {}
  std::string Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(bytes_, {});
  }

 private:
  std::mutex mutex_;
  std::string bytes_;
};

// A view of a session without a connection, at a fixed font size, with the window shown.
class CViewFixture {
 public:
  explicit CViewFixture(int points = 12, QSize size = QSize(900, 500)) {
    EnsureApplication();
    doc.SetMonitor(&sent);
    {
      std::lock_guard lock(doc.Terminal().Mutex());
      CSettingsSet& s = doc.Terminal().Settings();
      s.SetInt(S::FitFont, 0);
      s.SetInt(S::FontSize, points);
      s.SetInt(S::FontSize132, points);
      s.SetInt(S::CursorBlink, 0);
      s.SetInt(S::BlinkText, 1);
    }
    view = std::make_unique<CVT420View>(doc);
    view->SetMessageHandler([this](const QString& text) { messages.push_back(text); });
    view->resize(size);
    view->show();
    QApplication::processEvents();
  }

  // Host output through the terminal, as the transport's worker delivers it.
  void Feed(std::string_view bytes) {
    {
      std::lock_guard lock(doc.Terminal().Mutex());
      doc.Terminal().ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    view->FlushNow();
  }

  void Set(int position, int value) {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Terminal().Settings().SetInt(position, value);
  }

  QImage Grab() { return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  int CellWidth() const { return view->TermFont().CellWidth(); }
  int CellHeight() const { return view->TermFont().CellHeight(); }
  QRect Cell(int line, int column) const {
    return QRect(column * CellWidth(), line * CellHeight(), CellWidth(), CellHeight());
  }
  QPoint CellCentre(int line, int column) const { return Cell(line, column).center(); }

  CSentBytes sent;
  CVT420Doc doc;
  std::unique_ptr<CVT420View> view;
  QStringList messages;
};

// Pixels of `rect` whose colour is `rgb`.
inline int CountColour(const QImage& image, const QRect& rect, QRgb rgb) {
  int n = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) ++n;
  return n;
}

// Pixels of `rect` that differ from `rgb`.
inline int CountOther(const QImage& image, const QRect& rect, QRgb rgb) {
  return rect.width() * rect.height() - CountColour(image, rect, rgb);
}

inline constexpr QRgb kBlack = 0x000000;
inline constexpr QRgb kSilver = 0xC0C0C0;
inline constexpr QRgb kWhite = 0xFFFFFF;

}  // namespace ostrane::test
