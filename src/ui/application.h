// COstraneApp: the application object. It fixes where the profile lives, installs the fault
// handlers, creates the main window, interprets the command line and shows the window.
#pragma once

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "platform/profile.h"

namespace ostrane {

class CMainFrame;

inline constexpr char kFaultReportFile[] = "fault-report.txt";

// Qt's own settings (the file dialog's state) go to the program's configuration folder instead
// of ~/.config/QtProject.conf.
void KeepQtSettingsIn(const std::string& folder);

class COstraneApp : public QApplication {
  Q_OBJECT

 public:
  COstraneApp(int& argc, char** argv);
  ~COstraneApp() override;

  // Start-up; false ends the process.
  bool Start();
  // The message loop.
  int Run();

  CMainFrame* MainFrame() const { return mainFrame_.get(); }
  CProfile& Profile() { return *profile_; }
  // The command line's items (program name excluded); tests replace them before Start.
  void SetArguments(std::vector<std::string> items) { arguments_ = std::move(items); }
  // false: the window is not shown (tests).
  void SetShowWindow(bool show) { showWindow_ = show; }

 private:
  std::unique_ptr<CProfile> profile_;
  std::unique_ptr<CMainFrame> mainFrame_;
  std::vector<std::string> arguments_;
  bool showWindow_ = true;
  bool maximized_ = false;
};

}  // namespace ostrane
