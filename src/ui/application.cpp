#include "ui/application.h"

#include <QDir>
#include <QSettings>

#include "platform/fault_report.h"
#include "platform/paths.h"
#include "session/settings_templates.h"
#include "ui/main_frame.h"
#include "ui/qt_questions.h"

namespace ostrane {

namespace {

constexpr char kProfileFile[] = "ostrane.ini";

QString FolderFile(const std::string& folder, const char* name) {
  return QDir(QString::fromStdString(folder)).filePath(name);
}

}  // namespace

COstraneApp::COstraneApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Ostrane");
  setOrganizationName("Kestrix");
  for (int i = 1; i < argc; ++i) arguments_.emplace_back(argv[i]);
}

COstraneApp::~COstraneApp() {
  mainFrame_.reset();
}

void KeepQtSettingsIn(const std::string& folder) {
  const QString path = QString::fromStdString(folder);
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
      QSettings::setPath(format, scope, path);
}

bool COstraneApp::Start() {
  const std::string config = platform::ConfigFolder();
  QDir().mkpath(QString::fromStdString(config));
  KeepQtSettingsIn(config);
  EnsureDefaultTemplate();
  const QString reportPath = FolderFile(config, kFaultReportFile);
  const std::string earlierFault = TakeFaultReport(reportPath.toStdString());
  InstallFaultHandlers(reportPath.toStdString());
  profile_ = std::make_unique<CProfile>(FolderFile(config, kProfileFile).toStdString());

  mainFrame_ = std::make_unique<CMainFrame>(*profile_);
  maximized_ = profile_->GetInt("Window", "maximized", 0) != 0;
  if (!earlierFault.empty())
    ShowMessage(mainFrame_.get(), QString::fromStdString(earlierFault), MessageIcon::kStop);
  mainFrame_->OpenCommandLine(arguments_, maximized_);
  if (showWindow_) {
    if (maximized_)
      mainFrame_->showMaximized();
    else
      mainFrame_->show();
    mainFrame_->activateWindow();
  }
  return true;
}

int COstraneApp::Run() {
  return exec();
}

}  // namespace ostrane
