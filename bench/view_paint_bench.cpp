// Paint cost of the session view, measured in one run:
//  1. the time to take N MB of coloured, scrolling host output through a session whose window
//     is shown, against the same session without a window; the ratio is the paint overhead;
//  2. the time of one full repaint of a 132 x 144 page of coloured text.
// The output is delivered by a worker thread in chunks of 2048 bytes, as a transport does, while
// the GUI thread runs its event loop. Prints the times and "ratio output <value>" and
// "repaint_ms <value>" lines.
//
// Each output case runs three times, alternating, and the best time of each counts.
// Usage: view_paint_bench [megabytes (default 100)] [repaints (default 50)]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "session/vt420_doc.h"
#include "ui/vt420_view.h"

namespace {

constexpr size_t kChunk = 2048;
constexpr double kMegabyte = 1e6;
constexpr int kRounds = 3;

using Clock = std::chrono::steady_clock;

// Counts the paint events of a widget, to show that the window did repaint during the run.
class CPaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }
};

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// About 64 KB of lines in changing colours with line-drawing characters, each ending in CR LF,
// so that the page scrolls into the history all the time.
std::string OutputPattern() {
  std::string pattern;
  int line = 0;
  while (pattern.size() < 65536) {
    pattern += "\x1b[3" + std::to_string(line % 8) + ";4" + std::to_string((line / 8) % 8) + "m";
    pattern += "line " + std::to_string(line) + " ";
    pattern += "\x1b(0lqqqwqqqk\x1b(B\x1b[1m bold \x1b[0;4m under \x1b[m";
    while (pattern.size() % 80 != 0) pattern += static_cast<char>('a' + line % 26);
    pattern += "\r\n";
    ++line;
  }
  return pattern;
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Delivers `total` bytes on a worker thread while the GUI thread runs its loop; returns seconds.
// workerCpu, guiCpu: processor time of the worker and of the GUI thread meanwhile.
double DeliverOutput(ostrane::CVT420Doc& doc, const std::string& pattern, size_t total,
                     double& workerCpu, double& guiCpu) {
  QEventLoop loop;
  const double cpuStart = ThreadCpuSeconds();
  const auto start = Clock::now();
  std::thread worker([&] {
    const double workerStart = ThreadCpuSeconds();
    size_t sent = 0;
    size_t offset = 0;
    while (sent < total) {
      const size_t n = std::min(kChunk, pattern.size() - offset);
      doc.DeliverReceived(reinterpret_cast<const uint8_t*>(pattern.data() + offset), n);
      sent += n;
      offset = (offset + n) % pattern.size();
    }
    workerCpu = ThreadCpuSeconds() - workerStart;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  guiCpu = ThreadCpuSeconds() - cpuStart;
  return Seconds(Clock::now() - start);
}

void ConfigureSession(ostrane::CVT420Doc& doc) {
  std::lock_guard lock(doc.Terminal().Mutex());
  ostrane::CSettingsSet& s = doc.Terminal().Settings();
  s.SetInt(ostrane::S::FitFont, 0);
  s.SetInt(ostrane::S::FontSize, 10);
}

double RepaintMilliseconds(int repaints) {
  ostrane::CVT420Doc doc;
  ConfigureSession(doc);
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Terminal().Settings().SetPageArrangement(1, 144, 132);
  }
  ostrane::CSettingsChange change;
  change.pageGeometry = true;
  change.layout = true;
  doc.ApplyChanges(change);
  std::string page = "\x1b[H";
  for (int row = 0; row < 144; ++row) {
    for (int col = 0; col < 132; col += 12)
      page += "\x1b[3" + std::to_string((row + col) % 8) + ";4" + std::to_string(col / 12 % 8) +
              "mText " + std::to_string(row) + "," + std::to_string(col) + "     ";
    page += "\x1b[m\r\n";
  }
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Terminal().ReceiveBytes(reinterpret_cast<const uint8_t*>(page.data()), page.size());
  }
  ostrane::CVT420View view(doc);
  view.resize(132 * 8 + 40, 144 * 16 + 40);
  view.show();
  QApplication::processEvents();
  view.FlushNow();
  view.resize(132 * view.TermFont().CellWidth(), 144 * view.TermFont().CellHeight());
  QApplication::processEvents();
  view.viewport()->repaint();
  const auto start = Clock::now();
  for (int i = 0; i < repaints; ++i) view.viewport()->repaint();
  return Seconds(Clock::now() - start) * 1000.0 / repaints;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 100.0;
  const int repaints = argc > 2 ? std::atoi(argv[2]) : 50;
  const size_t total = static_cast<size_t>(megabytes * kMegabyte);
  const std::string pattern = OutputPattern();

  // The two cases alternate and the best of each counts, so that other load on the machine
  // weighs on neither side alone.
  double withoutWindow = 0;
  double withWindow = 0;
  int paints = 0;
  double paintCpu = 0;
  double workerAlone = 0;
  double workerShown = 0;
  for (int round = 0; round < kRounds; ++round) {
    {
      ostrane::CVT420Doc doc;
      ConfigureSession(doc);
      double worker;
      double gui;
      const double t = DeliverOutput(doc, pattern, total, worker, gui);
      withoutWindow = round == 0 ? t : std::min(withoutWindow, t);
      workerAlone = round == 0 ? worker : std::min(workerAlone, worker);
    }
    {
      ostrane::CVT420Doc doc;
      ConfigureSession(doc);
      ostrane::CVT420View view(doc);
      view.resize(800, 500);
      view.show();
      QApplication::processEvents();
      CPaintCounter counter;
      view.viewport()->installEventFilter(&counter);
      double worker;
      double gui;
      const double t = DeliverOutput(doc, pattern, total, worker, gui);
      workerShown = round == 0 ? worker : std::min(workerShown, worker);
      if (round == 0 || t < withWindow) {
        withWindow = t;
        paints = counter.paints;
        paintCpu = gui;
      }
    }
  }
  std::printf("output %.0f MB: no window %.3f s (%.1f MB/s), window %.3f s (%.1f MB/s)\n",
              megabytes, withoutWindow, megabytes / withoutWindow, withWindow,
              megabytes / withWindow);
  std::printf("window repaints during the output: %d (%.1f per second), GUI thread %.3f s CPU\n",
              paints, paints / withWindow, paintCpu);
  std::printf("worker thread CPU: no window %.3f s, window %.3f s\n", workerAlone, workerShown);
  std::printf("ratio output %.3f\n", withWindow / withoutWindow);
  const double repaint = RepaintMilliseconds(repaints);
  std::printf("full repaint of a 132 x 144 page: %.2f ms\n", repaint);
  std::printf("repaint_ms %.2f\n", repaint);
  return 0;
}
