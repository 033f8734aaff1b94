// CSessionFrontEnd: what the desktop program does for one session's scripts, questions and
// file transfers. It
// owns the session's question object, so that closing the session dismisses only that
// session's dialogs, and outlives the session (the main window frees it after the document).
#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <string_view>

#include "session/script_front_end.h"
#include "ui/qt_questions.h"
#include "ui/transfer_front_end_qt.h"

namespace ostrane {

class CMainFrame;

class CSessionFrontEnd : public QObject, public IScriptFrontEnd {
  Q_OBJECT

 public:
  CSessionFrontEnd(CMainFrame& main, const CQtQuestions& handlers);

  CQtQuestions& Questions() { return questions_; }
  CTransferFrontEndQt& Transfers() { return transfers_; }

  bool PostMenuCommand(std::string_view path) override;
  bool LoadSession(const std::string& path) override;
  void PlaySound(const std::string& path) override;
  void ReportScriptError(const std::string& report, bool routine) override;
  void DismissQuestions() override { questions_.Dismiss(); }

 private:
  CMainFrame& main_;
  CQtQuestions questions_;
  CTransferFrontEndQt transfers_;
};

}  // namespace ostrane
