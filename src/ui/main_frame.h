// CMainFrame: the one main window. It holds a session window per open session, the menus,
// toolbar, status bar, button bar and chat line; keeps the window layout in the profile and in
// session files; routes commands to the active session; and closes sessions in order.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "keyboard/keyboard_commands.h"
#include "platform/profile.h"
#include "session/new_connection_rules.h"
#include "session/window_placement.h"
#include "ui/frame_commands.h"
#include "ui/vt420_view.h"
#include "ui/vt_keyboard_window.h"
#include "ui/window_growth.h"

namespace ostrane {

class CButtonBar;
class CChatLine;
class CChildFrame;
class CQtQuestions;
class CSessionFrontEnd;
class CVT420Doc;
struct MacroSaveChoice;

inline constexpr char kTextCommandLineFailed[] =
    "Error while processing command line.\nPlease see help for command line infomation.";

// The program's icon, drawn so that it needs no file.
QIcon AppIcon();

class CMainFrame : public QMainWindow, public IMainWindowPlacement, public IKeyboardCommands {
  Q_OBJECT

 public:
  explicit CMainFrame(CProfile& profile, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // -E: session files are loaded and their transport created but not started.
  void SetOpenWithoutConnecting(bool on) { openWithoutConnecting_ = on; }

  // File New: the "default" template, the New Connection dialog, then the connection.
  CChildFrame* NewSession();
  // A session file (File Open, the recent files, the command line); nullptr when it fails.
  CChildFrame* OpenSessionFile(const QString& path);
  // A Telnet session to host and port with the "default" template.
  CChildFrame* NewTelnetSession(const QString& host, int port);
  // Runs a script file in the session (the command line's -S).
  void RunScriptFile(CChildFrame& frame, const QString& path);
  // Thread-safe: opens the session file on the GUI thread.
  void PostOpenSessionFile(const QString& path);
  // Carries out the program's command line (program name excluded): a session file with its
  // window layout, a Telnet host, a script. A refused command line is reported in a box with
  // its reason. maximized is set when an opened session file stores a layout.
  CChildFrame* OpenCommandLine(const std::vector<std::string>& items, bool& maximized);

  CChildFrame* ActiveChild() const;
  QList<CChildFrame*> Children() const;
  CQtQuestions& Questions() { return *questions_; }
  // The front end of a session's scripts and questions; nullptr for a document not opened here.
  CSessionFrontEnd* FrontEnd(const CVT420Doc& doc) const;
  // "Record Macro": starts a recording, or ends it and offers the macro to be saved.
  void RecordMacro(CChildFrame& frame);
  // Carries out the choices of "Save Recorded Macro" for the session.
  void SaveMacro(CChildFrame& frame, const MacroSaveChoice& choice);
  ViewProfile ViewProfileValues() const;

  // Commands by number, as menus, bars and key-map menu paths give them.
  QAction* Action(int command) const;
  void RunCommand(int command);
  void UpdateCommandStates();
  // "Menu: Item" (further ":" for submenus), blanks around segments ignored, "&" and the text
  // after a tab left out, without regard to case. 0 when it names no command.
  int ResolveMenuPath(const QString& path) const;

  // Session layout: the window rectangle and the bars of a session file.
  void ApplySessionLayout(const MainWindowPlacement& placement);
  std::optional<MainWindowPlacement> CurrentPlacement() override;

  // Called by a session window when its file was written.
  void DocumentSaved(CVT420Doc& doc, const QString& path);
  // A file dialog for session files; "" when cancelled.
  QString AskSessionFile(bool save, const QString& current);
  void RunViewCommand(CChildFrame& frame, ViewCommand command);
  // A right-button menu item is enabled as the command of the main window it stands for.
  bool ViewCommandEnabled(ViewCommand command);
  // Window > Cascade: usable windows offset by a title bar's height.
  void Cascade();
  // 80 x 24 cells of the session's font plus the window's frame, within the area.
  QSize UsableSize(CChildFrame& frame) const;
  // Where a session window at `window` goes when it wants `extra` more width: the main window
  // grows within the screen when the area is too narrow, and the session window moves left as
  // far as it must to stay inside.
  QRect WidenSessionWindow(const QRect& window, int extra);
  // The session area grows by up to `extra` pixels, as far as the screen allows and unless the
  // main window is maximised.
  void GrowSessionArea(int extra);
  // A session window went back to its width: the main window goes back to its own once no
  // session window needs the room it gained.
  void ReleaseSessionRoom();
  QMenu* WindowMenu() const { return windowMenu_; }
  // "Settings...": the sheet for the active session, or for the "default" template when no
  // session is open.
  void OpenSettings();
  // "VT Keyboard": made on first use, then shown or hidden.
  void ToggleVtKeyboard();
  CVtKeyboardWindow* VtKeyboard() const { return vtKeyboard_; }

  // IKeyboardCommands: keys of the active session asking for commands.
  void RunMenuCommand(std::string_view path) override;
  void LocalFunction(KeyCommand command) override;
  void MarginBell() override;

  QMdiArea* MdiArea() const { return mdi_; }
  CButtonBar* ButtonBar() const { return buttonBar_; }
  CChatLine* ChatLine() const { return chatLine_; }
  QToolBar* ButtonBarDock() const { return buttonBarDock_; }
  QToolBar* ChatLineDock() const { return chatLineDock_; }
  QToolBar* MainToolBar() const { return toolBar_; }
  QLabel* CursorPane() const { return cursorPane_; }
  QLabel* CapsPane() const { return capsPane_; }
  QLabel* NumPane() const { return numPane_; }
  QLabel* PrintingPane() const { return printingPane_; }
  const QStringList& RecentFiles() const { return recentFiles_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildBars();
  void ApplyProfile();
  void WriteProfile();
  CChildFrame* AddFrame(std::shared_ptr<CVT420Doc> doc, const QString& path);
  void PrepareDocument(const std::shared_ptr<CVT420Doc>& doc);
  // Frees the front ends of sessions that have gone, outside any dialog of theirs.
  void ReleaseFrontEnds();
  void ActiveChanged();
  void RefreshButtons();
  void RefreshStatus();
  QString IdleMessage();
  void LayoutChanged(CChildFrame* child);
  void RefreshTitle();
  void AddRecentFile(const QString& path);
  void RefreshRecentFiles();
  void MoveButtonPage(int delta);
  void RefreshWindowTitles();
  void RefreshWindowList();
  void RememberConnectedHosts();
  // "Send ZModem": the files chosen in "Send File" go to the host as one batch.
  void SendZModem(CVT420Doc& doc);
  void ShowAbout();

  CProfile& profile_;
  std::unique_ptr<CQtQuestions> questions_;
  std::vector<std::pair<std::weak_ptr<CVT420Doc>, std::unique_ptr<CSessionFrontEnd>>> frontEnds_;
  bool openWithoutConnecting_ = false;
  QMdiArea* mdi_ = nullptr;
  std::map<int, QAction*> actions_;
  QMenu* connectionMenu_ = nullptr;
  QAction* recentPlaceholder_ = nullptr;
  QList<QAction*> recentActions_;
  QStringList recentFiles_;
  QToolBar* toolBar_ = nullptr;
  QToolBar* buttonBarDock_ = nullptr;
  QToolBar* chatLineDock_ = nullptr;
  CButtonBar* buttonBar_ = nullptr;
  CChatLine* chatLine_ = nullptr;
  QLabel* cursorPane_ = nullptr;
  QLabel* capsPane_ = nullptr;
  QLabel* numPane_ = nullptr;
  QLabel* printingPane_ = nullptr;
  QTimer statusTimer_;
  bool shownOnce_ = false;
  QMenu* windowMenu_ = nullptr;
  QList<QAction*> windowActions_;
  bool closedWasMaximized_ = false;     // the window closed last was maximised
  QPointer<CChildFrame> focusedChild_;  // the session whose view last took the focus
  bool chatChosen_ = false;             // the user put the focus into the chat line
  std::vector<std::pair<QPointer<CChildFrame>, RememberedHost>> pendingHosts_;
  // How the main window grew for wider session windows (moved left to stay on the screen).
  CWindowGrowth growth_;
  // The title the window shows; the MDI area's own title merging is undone.
  QString title_;
  QPointer<CVtKeyboardWindow> vtKeyboard_;
};

}  // namespace ostrane
