// CVT420View: mouse, selection, clipboard, find and keyboard.
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>
#include <algorithm>
#include <optional>

#include "session/clipboard_text.h"
#include "session/vt420_doc.h"
#include "ui/key_translation.h"
#include "ui/view_find_dialog.h"
#include "ui/vt420_view.h"

namespace ostrane {

namespace {

constexpr int kDragMs = 100;
constexpr int kPopupLift = 4;
constexpr char kTextNotFound[] = "Text not found.";
constexpr char kTextLinkRefused[] =
    "This link was not opened: only web, FTP, mail and file links are opened.";
constexpr char kTextLinkNotOpened[] = "The link could not be opened.";
constexpr char kTextLinkTipHint[] = "Ctrl+click to open the link";
constexpr int kLinkTipChars = 80;  // a longer address is shortened in its middle

int FloorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Ctrl with a letter or one of @ [ \ ] ^ _ types the control character, whatever text the
// platform attached to the key.
char16_t ControlCharacter(char16_t ch, bool ctrl) {
  if (!ctrl) return ch;
  if ((ch >= u'@' && ch <= u'_') || (ch >= u'a' && ch <= u'z')) return ch & 0x1F;
  return ch;
}

// The modifier a modifier key gives. The window system may report a modifier key's own press
// or release with the state from before it.
std::optional<Qt::KeyboardModifier> ModifierOfKey(int key) {
  if (key == Qt::Key_Control) return Qt::ControlModifier;
  if (key == Qt::Key_Shift) return Qt::ShiftModifier;
  return std::nullopt;
}

struct PopupItem {
  const char* text;
  ViewCommand command;
};

constexpr PopupItem kPopupTail[] = {
    {"&Close", ViewCommand::kClose},
    {"&Settings...", ViewCommand::kSettings},
    {"&Print...", ViewCommand::kPrint},
};
constexpr PopupItem kPopupClear[] = {
    {"Clear &Display", ViewCommand::kClearDisplay},
    {"Clear &History", ViewCommand::kClearHistory},
    {"Clear &All", ViewCommand::kClearAll},
};

}  // namespace

// ---- Selection, clipboard, find ----

QString CVT420View::SelectedText() {
  std::u16string text;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CTerminal& t = doc_.Terminal();
    text = selection_.Text(t.Screen(), t.Settings().Int(S::Columns),
                           t.Settings().Int(S::CopySpace) != 0);
  }
  return QString::fromStdU16String(text);
}

void CVT420View::Copy() {
  if (!selection_.Active()) return;
  QApplication::clipboard()->setText(SelectedText());
}

bool CVT420View::CanPaste() const {
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  return mime && mime->hasText();
}

void CVT420View::Paste() {
  PasteText(QApplication::clipboard()->text());
}

void CVT420View::PasteText(const QString& text) {
  if (text.isEmpty()) return;
  std::string bytes;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    bytes = EncodePaste(doc_.Terminal(), text.toStdU16String());
  }
  if (!bytes.empty()) doc_.Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void CVT420View::SelectAll() {
  int columns;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    columns = doc_.Terminal().Settings().Int(S::Columns);
  }
  selection_.SelectAll(LineCount(), columns);
  viewport()->update();
}

void CVT420View::Find() {
  CFindTextDialog dialog(find_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  find_ = dialog.Params();
  if (CanFindNext()) FindNext();
}

void CVT420View::FindNext() {
  if (find_.text.empty()) return;
  FindArea area;
  area.topLine = vpos_;
  area.belowLine = viewport()->height() / font_.CellHeight() + vpos_;
  std::optional<FindMatch> match;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CTerminal& t = doc_.Terminal();
    area.columns = t.Settings().Int(S::Columns);
    area.lineCount = t.Screen().HistoryCount() + t.Settings().Int(S::Lines) +
                     (t.Settings().Int(S::StatusLine) ? 1 : 0);
    match = FindText(t.Screen(), find_, selection_, area);
  }
  if (!match) {
    ShowMessage(QString::fromLatin1(kTextNotFound));
    return;
  }
  ShowMatch(*match);
}

void CVT420View::ShowMatch(const FindMatch& match) {
  selection_.SetStream(match.row, match.column, match.row, match.column + match.length - 1);
  const int shown = std::max(1, viewport()->height() / font_.CellHeight());
  if (match.row < vpos_)
    ScrollVertical(match.row);
  else if (match.row >= vpos_ + shown)
    ScrollVertical(match.row - shown + 1);
  viewport()->update();
}

void CVT420View::HoldScreen() {
  if (CTransport* transport = doc_.Transport()) transport->SetHold(!transport->IsHeld());
}

bool CVT420View::IsHeld() {
  const CTransport* transport = doc_.Transport();
  return transport && transport->IsHeld();
}

void CVT420View::ShowMessage(const QString& text) {
  if (messageHandler_) messageHandler_(text);
}

// ---- Mouse ----

QPoint CVT420View::CellAt(QPoint pos) const {
  return {FloorDiv(pos.x(), font_.CellWidth()) + hpos_,
          FloorDiv(pos.y(), font_.CellHeight()) + vpos_};
}

int CVT420View::MouseMode() {
  std::lock_guard lock(doc_.Terminal().Mutex());
  return doc_.Terminal().Settings().Int(S::MouseSupport);
}

void CVT420View::Report(MouseEvent event, QPoint pos, Qt::MouseButtons held) {
  const QPoint cell = CellAt(pos);
  std::string bytes;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CTerminal& t = doc_.Terminal();
    MouseGeometry geometry;
    geometry.historyCount = t.Screen().HistoryCount();
    geometry.lines = t.Settings().Int(S::Lines);
    geometry.columns = t.Settings().Int(S::Columns);
    bytes = mouse_.Report(t.Settings().Int(S::MouseSupport), event, {cell.x(), cell.y()}, geometry,
                          {(held & Qt::LeftButton) != 0, (held & Qt::RightButton) != 0});
  }
  if (!bytes.empty()) doc_.Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

namespace {

int HostButton(Qt::MouseButton button) {
  return button == Qt::LeftButton ? 0 : button == Qt::MiddleButton ? 1 : 2;
}

int HeldButton(Qt::MouseButtons held) {
  if (held & Qt::LeftButton) return 0;
  if (held & Qt::MiddleButton) return 1;
  if (held & Qt::RightButton) return 2;
  return -1;
}

}  // namespace

bool CVT420View::HostMouseReport(HostMouseEvent event, QPoint pos, Qt::KeyboardModifiers mods) {
  if (mods & Qt::ShiftModifier) return false;
  event.alt = (mods & Qt::AltModifier) != 0;
  event.control = (mods & Qt::ControlModifier) != 0;
  const QPoint cell = CellAt(pos);
  std::string bytes;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CTerminal& t = doc_.Terminal();
    const HostMouse mode = t.HostMouseMode();
    if (mode.tracking == MouseTracking::kOff) return false;
    MouseGeometry geometry;
    geometry.historyCount = t.Screen().HistoryCount();
    geometry.lines = t.Settings().Int(S::Lines);
    geometry.columns = t.Settings().Int(S::Columns);
    bytes = mouse_.HostReport(mode, event, {cell.x(), cell.y()}, geometry);
  }
  if (!bytes.empty()) doc_.Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}

void CVT420View::SendFocusReport(bool in) {
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    if (!doc_.Terminal().FocusEvents()) return;
  }
  const char* report = in ? "\x1b[I" : "\x1b[O";
  doc_.Send(reinterpret_cast<const uint8_t*>(report), 3);
}

namespace {

// The only schemes a host's link may open: anything else could start a program on this machine.
constexpr const char* kLinkSchemes[] = {"http", "https", "ftp", "mailto", "file"};

bool LinkMayOpen(const QUrl& url) {
  if (!url.isValid()) return false;
  const QString scheme = url.scheme().toLower();
  return std::any_of(std::begin(kLinkSchemes), std::end(kLinkSchemes),
                     [&scheme](const char* allowed) { return scheme == allowed; });
}

}  // namespace

QString CVT420View::LinkAt(QPoint pos) {
  const QPoint cell = CellAt(pos);
  std::lock_guard lock(doc_.Terminal().Mutex());
  const CScreenBuffer& screen = doc_.Terminal().Screen();
  const auto line = screen.GetLine(cell.y());
  // A double-width line shows each cell over two columns.
  const int column = line && line->sizeCode != 0 ? cell.x() / 2 : cell.x();
  if (!line || column < 0 || column >= kLineWidth) return {};
  const CellExtra* extra = line->ExtraAt(column);
  if (!extra || extra->link == 0) return {};
  const std::string_view uri = screen.Links().Uri(extra->link);
  return QString::fromUtf8(uri.data(), static_cast<qsizetype>(uri.size()));
}

bool CVT420View::OpenLinkAt(QPoint pos) {
  const QString target = LinkAt(pos);
  if (target.isEmpty()) return false;
  const QUrl url(target, QUrl::StrictMode);
  if (!LinkMayOpen(url)) {
    ShowMessage(QString::fromLatin1(kTextLinkRefused));
    return true;
  }
  if (!linkOpener_(url)) ShowMessage(QString::fromLatin1(kTextLinkNotOpened));
  return true;
}

void CVT420View::UpdateLinkCursor(Qt::KeyboardModifiers modifiers) {
  const bool overLink =
      hoverPos_ && (modifiers & (Qt::ControlModifier | Qt::ShiftModifier)) == Qt::ControlModifier &&
      !LinkAt(*hoverPos_).isEmpty();
  if (overLink == linkCursor_) return;
  linkCursor_ = overLink;
  viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void CVT420View::ShowLinkTip(const QHelpEvent& event) {
  const QString target = LinkAt(event.pos());
  if (target.isEmpty()) {
    QToolTip::hideText();
    return;
  }
  // The address comes from the host: escaped, so that it shows as the characters it holds and
  // never as markup; a long one loses its middle rather than running off the screen.
  const QFontMetrics metrics(QToolTip::font());
  const QString shown =
      metrics.elidedText(target, Qt::ElideMiddle, metrics.averageCharWidth() * kLinkTipChars);
  const QString tip = QStringLiteral("<p style=\"white-space:pre\">%1<br>%2</p>")
                          .arg(shown.toHtmlEscaped(), tr(kTextLinkTipHint).toHtmlEscaped());
  const QPoint cell = CellAt(event.pos());
  const QRect area((cell.x() - hpos_) * font_.CellWidth(), (cell.y() - vpos_) * font_.CellHeight(),
                   font_.CellWidth(), font_.CellHeight());
  QToolTip::showText(event.globalPos(), tip, viewport(), area);
}

bool CVT420View::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::ToolTip:
      ShowLinkTip(*static_cast<QHelpEvent*>(event));
      return true;
    case QEvent::Leave:
      hoverPos_.reset();
      UpdateLinkCursor(Qt::NoModifier);
      break;
    default:
      break;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

void CVT420View::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  // Ctrl+click on a link opens it, before the host's mouse reports or a block selection.
  if (event->button() == Qt::LeftButton &&
      (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) == Qt::ControlModifier &&
      OpenLinkAt(pos))
    return;
  if (HostMouseReport({HostMouseAction::kPress, HostButton(event->button())}, pos,
                      event->modifiers()))
    return;
  const bool reporting = MouseMode() != 0;
  if (event->button() == Qt::LeftButton) {
    if (selection_.Active()) {
      const int first = selection_.StartRow();
      const int last = selection_.EndRow();
      selection_.Clear();
      UpdateLines(first, last);
    }
    if (reporting && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
      Report(MouseEvent::kLeftDown, pos, event->buttons());
      return;
    }
    const QPoint cell = CellAt(pos);
    selection_.BeginDrag(cell.y(), cell.x(), (event->modifiers() & Qt::ControlModifier) != 0);
    dragAnchorRow_ = selection_.CurrentRow();
    dragTimer_.start(kDragMs);
  } else if (event->button() == Qt::RightButton) {
    if (reporting)
      Report(MouseEvent::kRightDown, pos, event->buttons());
    else if (profile_.popupMenu)
      ShowPopup(event->globalPosition().toPoint() - QPoint(0, kPopupLift));
  } else if (event->button() == Qt::MiddleButton && !reporting) {
    // The X habit: the middle button pastes the primary selection.
    if (QApplication::clipboard()->supportsSelection())
      PasteText(QApplication::clipboard()->text(QClipboard::Selection));
  }
}

void CVT420View::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (!selection_.Dragging() &&
      HostMouseReport({HostMouseAction::kRelease, HostButton(event->button())}, pos,
                      event->modifiers()))
    return;
  const bool reporting = MouseMode() != 0;
  if (event->button() == Qt::LeftButton) {
    if (reporting && !selection_.Dragging()) {
      Report(MouseEvent::kLeftUp, pos, event->buttons());
      return;
    }
    selection_.EndDrag();
    dragTimer_.stop();
    bool autoCopy;
    {
      std::lock_guard lock(doc_.Terminal().Mutex());
      autoCopy = doc_.Terminal().Settings().Int(S::AutoCopy) != 0;
    }
    if (selection_.Active()) {
      // Selecting sets the X primary selection; the clipboard only with AutoCopy or Copy.
      if (QApplication::clipboard()->supportsSelection())
        QApplication::clipboard()->setText(SelectedText(), QClipboard::Selection);
      if (autoCopy) Copy();
    }
  } else if (event->button() == Qt::RightButton && reporting) {
    Report(MouseEvent::kRightUp, pos, event->buttons());
  }
}

void CVT420View::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  hoverPos_ = pos;
  UpdateLinkCursor(event->modifiers());
  HostMouseEvent move{HostMouseAction::kMove};
  move.heldButton = HeldButton(event->buttons());
  if (!selection_.Dragging() && HostMouseReport(move, pos, event->modifiers())) return;
  if (selection_.Dragging()) {
    if (event->buttons() & Qt::LeftButton) DragTo(pos);
  } else if (MouseMode() != 0) {
    Report(MouseEvent::kMove, pos, event->buttons());
  }
}

void CVT420View::DragTo(QPoint pos) {
  const QRect client = viewport()->rect();
  if (pos.x() < 0 && hbar_)
    ScrollHorizontal(hpos_ - 1);
  else if (pos.x() >= client.width() && hbar_)
    ScrollHorizontal(hpos_ + 1);
  if (pos.y() < 0 && vbar_)
    ScrollVertical(vpos_ - 1);
  else if (pos.y() >= client.height() && vbar_)
    ScrollVertical(vpos_ + 1);
  const int oldRow = selection_.CurrentRow();
  const QPoint cell = CellAt(pos);
  if (!selection_.DragTo(cell.y(), cell.x())) return;
  const int newRow = selection_.CurrentRow();
  UpdateLines(std::min({oldRow, newRow, dragAnchorRow_}),
              std::max({oldRow, newRow, dragAnchorRow_}));
}

void CVT420View::DragTimer() {
  if (!selection_.Dragging()) {
    dragTimer_.stop();
    return;
  }
  const QPoint pos = viewport()->mapFromGlobal(QCursor::pos());
  if (!viewport()->rect().contains(pos)) DragTo(pos);
}

void CVT420View::ShowPopup(QPoint globalPos) {
  QMenu menu(this);
  menu.addAction(tr("&Copy"), this, &CVT420View::Copy)->setEnabled(CanCopy());
  menu.addAction(tr("&Paste"), this, &CVT420View::Paste)->setEnabled(CanPaste());
  menu.addSeparator();
  // The items the main window carries out are enabled as its own commands are.
  auto add = [&](const PopupItem& item) {
    QAction* action =
        menu.addAction(tr(item.text), this, [this, item] { emit commandRequested(item.command); });
    if (commandEnabled_) action->setEnabled(commandEnabled_(item.command));
  };
  for (const PopupItem& item : kPopupTail) add(item);
  menu.addSeparator();
  for (const PopupItem& item : kPopupClear) add(item);
  menu.addAction(tr("&Larger Font"), this, &CVT420View::LargerFont)->setEnabled(CanLargerFont());
  menu.addAction(tr("&Smaller Font"), this, &CVT420View::SmallerFont)->setEnabled(CanSmallerFont());
  menu.addSeparator();
  add({"Ca&pture...", ViewCommand::kCapture});
  menu.exec(globalPos);
}

// ---- Keyboard ----

bool CVT420View::event(QEvent* event) {
  // Every key reaches the key map before any shortcut of the menus.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  return QAbstractScrollArea::event(event);
}

bool CVT420View::focusNextPrevChild(bool) {
  return false;
}

void CVT420View::keyPressEvent(QKeyEvent* event) {
  const PlatformKey key = TranslateKey(event->key(), event->modifiers(), event->nativeVirtualKey());
  const KeyboardState state = TranslateKeyboardState(*event);
  capsLock_ = state.capsLock;
  numLock_ = state.numLock;
  const QString text = event->text();
  // A typed character removes the selection.
  if (!text.isEmpty() && !state.alt && selection_.Active()) {
    const int first = selection_.StartRow();
    const int last = selection_.EndRow();
    selection_.Clear();
    UpdateLines(first, last);
  }
  if (const auto modifier = ModifierOfKey(event->key()))
    UpdateLinkCursor(event->modifiers() | *modifier);
  doc_.KeyDown(key.virtualKey, 1, key.extended, state);
  // The window system makes no character of an Alt combination.
  if (!state.alt)
    for (QChar ch : text) doc_.KeyChar(ControlCharacter(ch.unicode(), state.ctrl));
  event->accept();
}

void CVT420View::keyReleaseEvent(QKeyEvent* event) {
  if (const auto modifier = ModifierOfKey(event->key()))
    UpdateLinkCursor(event->modifiers() & ~*modifier);
  const PlatformKey key = TranslateKey(event->key(), event->modifiers(), event->nativeVirtualKey());
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    doc_.Terminal().KeyUp(key.virtualKey);
  }
  event->accept();
}

}  // namespace ostrane
