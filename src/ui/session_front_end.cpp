#include "ui/session_front_end.h"

#include <QProcess>

#include "ui/child_frame.h"
#include "ui/main_frame.h"

namespace ostrane {

namespace {

// Sound players tried in order; the first that starts plays the file.
constexpr const char* kSoundPlayers[] = {"paplay", "aplay", "pw-play"};

}  // namespace

CSessionFrontEnd::CSessionFrontEnd(CMainFrame& main, const CQtQuestions& handlers)
    : main_(main), questions_(&main, &handlers), transfers_(&main, questions_) {}

bool CSessionFrontEnd::PostMenuCommand(std::string_view path) {
  const QString text = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
  const int command = questions_.OnGuiThread([this, text] { return main_.ResolveMenuPath(text); });
  if (command == 0) return false;
  QMetaObject::invokeMethod(
      &main_, [main = &main_, command] { main->RunCommand(command); }, Qt::QueuedConnection);
  return true;
}

bool CSessionFrontEnd::LoadSession(const std::string& path) {
  const QString file = QString::fromStdString(path);
  return questions_.OnGuiThread([this, file] { return main_.OpenSessionFile(file) != nullptr; });
}

void CSessionFrontEnd::PlaySound(const std::string& path) {
  for (const char* player : kSoundPlayers)
    if (QProcess::execute(player, {QString::fromStdString(path)}) >= 0) return;
}

void CSessionFrontEnd::ReportScriptError(const std::string& report, bool routine) {
  MessageQuestion q;
  q.text = report;
  if (routine) {
    // A receive routine must not wait for the user.
    q.icon = MessageIcon::kNone;
    questions_.PostMessage(q);
    return;
  }
  q.icon = MessageIcon::kStop;
  questions_.AskMessage(q);
}

}  // namespace ostrane
