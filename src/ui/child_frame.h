// CChildFrame: the window of one session inside the main window. It holds the session's view,
// asks before closing a connected session, offers to save changed settings, and ends the
// program when the last session closes with AutoExit on. Windows made by New Window share the
// document; only the last of them asks the questions.
#pragma once

#include <QMdiSubWindow>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>

#include "session/vt420_doc.h"
#include "ui/window_growth.h"

namespace ostrane {

class CMainFrame;
class CVT420View;

class CChildFrame : public QMdiSubWindow {
  Q_OBJECT

 public:
  CChildFrame(std::shared_ptr<CVT420Doc> doc, CMainFrame& main);
  ~CChildFrame() override;

  CVT420Doc& Document() { return *doc_; }
  const std::shared_ptr<CVT420Doc>& SharedDocument() const { return doc_; }
  CVT420View* View() const { return view_; }

  // The button page shown in the button bar while this window is active (0-3).
  int ButtonPage() const { return buttonPage_; }
  void SetButtonPage(int page);
  // Button i (0-7) of the current page: send its string, run it as script text or as a file.
  void RunButton(int indexOnPage);
  // A chat-line text: sent with CR, or CR LF when NewLine is not 0.
  void SendChatText(const QString& text);

  // The session file ("" for a new session).
  const QString& Path() const { return path_; }
  void SetPath(const QString& path);
  // Writes the session file, asking for a name first when there is none; false when not saved.
  bool Save();
  bool SaveAs();

  // The page's column count changed: the window's width changes by `pixels` so that the text
  // keeps its size, growing the main window within the screen when needed (only the main
  // window when this one is maximised). A page that goes back restores the width and place the
  // windows had. Where there is no room (a maximised main window, a small screen), and for a
  // window the user resized since it grew, the view fits its font to the size there is.
  void FitPageWidth(int pixels);

 signals:
  void titleChanged();
  void buttonsChanged();
  // The window accepted a close; maximized tells how it was shown until then.
  void closing(bool maximized);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Accepts the close, ignores it, or starts the disconnect that closes the window later.
  void DecideClose(QCloseEvent* event);
  bool WriteTo(const QString& path);
  // The connection is down: the settings question, then the window closes.
  bool Finish();
  int WindowsOfDocument() const;

  std::shared_ptr<CVT420Doc> doc_;
  CMainFrame& main_;
  CVT420View* view_ = nullptr;
  QString path_;
  int buttonPage_ = 0;
  bool closing_ = false;
  bool finished_ = false;
  // How the window grew for wider pages (moved left to stay within the main window).
  CWindowGrowth growth_;
};

}  // namespace ostrane
