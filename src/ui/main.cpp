// Stand-in program: one session window for the Telnet host named on the command line (host or
// host:port), or a local loop without one. Replaced by the main window's program.
#include <QApplication>
#include <QString>

#include "session/vt420_doc.h"
#include "ui/vt420_view.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ostrane::CVT420Doc doc;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    ostrane::CSettingsSet& s = doc.Terminal().Settings();
    if (argc > 1) {
      const QString address = QString::fromLocal8Bit(argv[1]);
      const int colon = address.lastIndexOf(QLatin1Char(':'));
      s.SetInt(ostrane::S::HostType, 0);
      s.SetStr(ostrane::S::HostName,
               address.left(colon < 0 ? address.size() : colon).toStdString());
      if (colon >= 0) s.SetInt(ostrane::S::Port, address.mid(colon + 1).toInt());
    } else {
      s.SetInt(ostrane::S::HostType, 2);
    }
  }
  ostrane::CVT420View view(doc);
  QObject::connect(&view, &ostrane::CVT420View::frameTitleChanged, &view, &QWidget::setWindowTitle);
  QObject::connect(&view, &ostrane::CVT420View::closeRequested, &app, &QApplication::quit);
  view.resize(660, 420);
  view.show();
  doc.StartNewSession();
  view.setWindowTitle(view.FrameTitle());
  const int result = app.exec();
  doc.QueryDisconnect(false);
  return result;
}
