// CVT420View: the window of one session. It draws the session's screen, history and status
// line, keeps the scroll bars, selects and copies text, pastes, finds, reports the mouse to the
// host when asked to and hands the keyboard to the terminal's key map.
//
// The terminal calls the ITerminalView and ISessionView operations from its worker thread with
// its lock held; they only record what changed and post one flush to the GUI thread, which
// merges the changes and repaints at most about 60 times a second.
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "emulator/terminal_events.h"
#include "session/colour_resolver.h"
#include "session/find_text.h"
#include "session/mouse_report.h"
#include "session/selection.h"
#include "session/session_view.h"
#include "session/view_geometry.h"
#include "ui/term_font.h"
#include "ui/view_painter.h"

namespace ostrane {

class CVT420Doc;

// Items of the right-button menu that the main window carries out.
enum class ViewCommand {
  kClose,
  kSettings,
  kPrint,
  kClearDisplay,
  kClearHistory,
  kClearAll,
  kCapture
};

// Profile values the view reads (section "Window", and "popup" in section "window").
struct ViewProfile {
  bool verticalScroll = true;
  bool horizontalScroll = true;
  bool popupMenu = true;
};

class CVT420View : public QAbstractScrollArea, public ITerminalView, public ISessionView {
  Q_OBJECT

 public:
  explicit CVT420View(CVT420Doc& doc, QWidget* parent = nullptr);
  ~CVT420View() override;

  CVT420Doc& Document() { return doc_; }
  void SetProfile(const ViewProfile& profile);
  // The frame is closing: when the connection ends the view asks to be closed.
  void SetClosing(bool closing) { closing_ = closing; }
  // Whether a command of the right-button menu that the main window carries out is enabled.
  void SetCommandState(std::function<bool(ViewCommand)> enabled) {
    commandEnabled_ = std::move(enabled);
  }
  // Where messages ("Text not found.") go; by default a message box captioned "Secure Ostrane".
  void SetMessageHandler(std::function<void(const QString&)> handler);
  // What opens a link the user Ctrl+clicked; by default the desktop (QDesktopServices). False
  // when it could not be opened.
  void SetLinkOpener(std::function<bool(const QUrl&)> opener) { linkOpener_ = std::move(opener); }

  // The session window's title: the document's, with " - Disconnected" while disconnected.
  QString FrameTitle() const;
  // The main window's title while this session is active.
  QString MainTitle();

  // Command states for the menus.
  bool CanCopy() const { return selection_.Active(); }
  // The lock toggles as the last key press in this view saw them (the status-bar panes).
  bool CapsLockOn() const { return capsLock_; }
  bool NumLockOn() const { return numLock_; }
  bool CanPaste() const;
  bool CanFindNext() const { return !find_.text.empty(); }
  bool CanLargerFont();
  bool CanSmallerFont();
  bool IsHeld();

  const CSelection& Selection() const { return selection_; }
  const CTermFont& TermFont() const { return font_; }
  const FindParams& FindParameters() const { return find_; }
  void SetFindParameters(const FindParams& params) { find_ = params; }
  int VerticalPosition() const { return vpos_; }
  int HorizontalPosition() const { return hpos_; }
  // Lines shown: history, page lines and the status line when it is on.
  int LineCount();
  // Applies everything the terminal reported now instead of at the next frame.
  void FlushNow();

 public slots:
  void Copy();
  void Paste();
  void SelectAll();
  void Find();
  void FindNext();
  void ScrollPageUp();
  void ScrollPageDown();
  void ScrollToTop();
  void ScrollToBottom();
  void HoldScreen();
  void LargerFont();
  void SmallerFont();

 signals:
  void frameTitleChanged(const QString& title);
  void mainTitleChanged(const QString& title);
  // AutoClose, or the frame is closing: the connection has ended.
  void closeRequested();
  void buttonsChanged();
  void commandRequested(ViewCommand command);
  // The host rang the bell; the desktop's bell sounds.
  void bellRang();
  // The page's column count changed: the window would need `pixels` more width (less when
  // negative) for the text to keep its size. Sent before the view fits its font to its size.
  void pageWidthChanged(int pixels);

  // ITerminalView and ISessionView: any thread, terminal lock held, never blocking.
 public:
  void InvalidateRows(int first, int last) override;
  void Relayout() override;
  void CursorMoved() override;
  void ViewSettingsChanged(const CSettingsChange& change) override;
  void FullRepaint() override;
  void ConnectionChanged(bool ended) override;
  void Bell() override;
  void HostClipboard(const std::string& text) override;

 protected:
  bool event(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // What the terminal reported since the last flush.
  struct Pending {
    int first = -1;
    int last = -1;
    bool relayout = false;
    bool cursor = false;
    bool full = false;
    bool softFont = false;
    CSettingsChange settings;
  };

  void Schedule();
  void Flush();
  void ApplySettingsChange(const CSettingsChange& change);
  void OnConnectionChanged(bool ended);

  void BuildFont();
  void Layout(bool fit);
  void FitFont(int width, int height);
  void ChangeFontSize(int delta);
  void UpdateLines(int firstLine, int lastLine);
  void UpdateCursorCell();
  QRect CursorRect() const;
  uint32_t CursorXor(const CColourResolver& colours) const;
  void ScrollCursorIntoView();
  void ScrollVertical(int position);
  void ScrollHorizontal(int position);
  void ReadCursor();
  void ShowMatch(const FindMatch& match);

  QPoint CellAt(QPoint pos) const;
  // The target of the link on the text at pos; empty when there is none.
  QString LinkAt(QPoint pos);
  // Ctrl+click on linked text: opens the link's target when its scheme is one the desktop may
  // open, else says it was refused. False when the cell has no link.
  bool OpenLinkAt(QPoint pos);
  // The pointing hand over linked text while Ctrl is held, as Ctrl+click opens it.
  void UpdateLinkCursor(Qt::KeyboardModifiers modifiers);
  // The link's address under the pointer, as plain text.
  void ShowLinkTip(const QHelpEvent& event);
  void DragTo(QPoint pos);
  void DragTimer();
  void Report(MouseEvent event, QPoint pos, Qt::MouseButtons held);
  // Sends the mouse report the host asked for (xterm type); false when it asked for none or
  // Shift is held, so the event selects text as usual.
  bool HostMouseReport(HostMouseEvent event, QPoint pos, Qt::KeyboardModifiers modifiers);
  // Tells the host about the focus when it asked for that.
  void SendFocusReport(bool in);
  int MouseMode();
  void ShowPopup(QPoint pos);
  QString SelectedText();
  void PasteText(const QString& text);
  void ShowMessage(const QString& text);

  void BlinkTimer();

  CVT420Doc& doc_;
  CTermFont font_;
  ViewProfile profile_;
  std::function<void(const QString&)> messageHandler_;
  std::function<bool(const QUrl&)> linkOpener_;
  std::function<bool(ViewCommand)> commandEnabled_;

  std::mutex pendingMutex_;
  Pending pending_;
  std::atomic<bool> flushPosted_{false};
  QTimer frameTimer_;
  QElapsedTimer sinceFlush_;

  // Scroll and layout.
  int vpos_ = 0;
  int hpos_ = 0;
  bool vbar_ = false;
  bool hbar_ = false;
  bool inLayout_ = false;
  ScrollLayoutInput lastLayout_;  // what the scroll bars were last computed from
  int layoutColumns_ = 0;         // the column count the view was last laid out for
  bool shown_ = false;

  // Cursor, as last read from the terminal.
  int cursorLine_ = 0;
  int cursorColumn_ = 0;
  bool cursorDouble_ = false;
  bool cursorBlinkOn_ = true;
  bool cursorVisible_ = true;
  int cursorType_ = 0;
  bool cursorBlink_ = true;
  bool capsLock_ = false;
  bool numLock_ = false;
  QTimer cursorTimer_;

  bool blinkShown_ = true;
  QTimer blinkTimer_;
  QTimer dragTimer_;

  SoftFontImages softFont_;
  CSelection selection_;
  CMouseReporter mouse_;
  FindParams find_;
  int wheelRemainder_ = 0;
  int dragAnchorRow_ = 0;
  std::optional<QPoint> hoverPos_;  // where the pointer is over the text
  bool linkCursor_ = false;
  std::vector<ViewRow> rows_;  // lines copied for one paint

  bool disconnected_ = false;
  bool closing_ = false;
};

}  // namespace ostrane
