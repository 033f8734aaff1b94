#include "ui/vt420_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

#include "session/view_geometry.h"
#include "session/vt420_doc.h"
#include "ui/frame_commands.h"

namespace ostrane {

namespace {

constexpr int kFrameMs = 16;  // repaints follow the terminal at most about 60 times a second
constexpr int kBlinkMs = 500;
constexpr int kCursorBlinkMs = 250;
constexpr int kWheelStep = 120;
constexpr int kUnderlineCursorHeight = 2;
constexpr char kDisconnected[] = " - Disconnected";
constexpr char kCaption[] = "Secure Ostrane";

int FloorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

CVT420View::CVT420View(CVT420Doc& doc, QWidget* parent) : QAbstractScrollArea(parent), doc_(doc) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::IBeamCursor);

  frameTimer_.setSingleShot(true);
  connect(&frameTimer_, &QTimer::timeout, this, &CVT420View::Flush);
  connect(&cursorTimer_, &QTimer::timeout, this, [this] {
    cursorBlinkOn_ = !cursorBlinkOn_;
    UpdateCursorCell();
  });
  connect(&blinkTimer_, &QTimer::timeout, this, &CVT420View::BlinkTimer);
  connect(&dragTimer_, &QTimer::timeout, this, &CVT420View::DragTimer);
  connect(this, &CVT420View::bellRang, this, [] { QApplication::beep(); });
  messageHandler_ = [this](const QString& text) {
    QMessageBox::information(this, QString::fromLatin1(kCaption), text);
  };
  linkOpener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  pending_.softFont = true;
  BuildFont();
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    doc_.Terminal().AddView(this);
  }
  ReadCursor();
  doc_.AddView(this);
  sinceFlush_.start();
}

CVT420View::~CVT420View() {
  doc_.RemoveView(this);
  std::lock_guard lock(doc_.Terminal().Mutex());
  doc_.Terminal().RemoveView(this);
}

void CVT420View::SetProfile(const ViewProfile& profile) {
  profile_ = profile;
  Layout(false);
}

void CVT420View::SetMessageHandler(std::function<void(const QString&)> handler) {
  messageHandler_ = std::move(handler);
}

QString CVT420View::FrameTitle() const {
  std::string hostTitle;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    hostTitle = doc_.Terminal().HostTitle();
  }
  // A title the host set names the session window while the connection lasts.
  QString title = QString::fromStdString(hostTitle.empty() ? doc_.Title() : hostTitle);
  const int cut = title.indexOf(QLatin1String(kDisconnected));
  if (cut >= 0) title.truncate(cut);
  if (disconnected_) title += QLatin1String(kDisconnected);
  return title;
}

QString CVT420View::MainTitle() {
  std::string name;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CSettingsSet& s = doc_.Terminal().Settings();
    name = doc_.Terminal().HostTitle();
    if (name.empty()) name = s.Str(S::Title);
    if (name.empty() && doc_.Transport()) name = doc_.Transport()->GetDisplayName();
  }
  // A maximised session window has no title bar of its own: its state shows here too.
  QString title = QString::fromStdString(name);
  if (disconnected_) title += QLatin1String(kDisconnected);
  return QString("%1 - %2").arg(title, AppTitle());
}

int CVT420View::LineCount() {
  std::lock_guard lock(doc_.Terminal().Mutex());
  const CTerminal& t = doc_.Terminal();
  return t.Screen().HistoryCount() + t.Settings().Int(S::Lines) +
         (t.Settings().Int(S::StatusLine) ? 1 : 0);
}

// ---- Notifications from the terminal (any thread, terminal lock held) ----

void CVT420View::InvalidateRows(int first, int last) {
  {
    std::lock_guard lock(pendingMutex_);
    if (pending_.first < 0) {
      pending_.first = first;
      pending_.last = last;
    } else {
      pending_.first = std::min(pending_.first, first);
      pending_.last = std::max(pending_.last, last);
    }
  }
  Schedule();
}

void CVT420View::Relayout() {
  {
    std::lock_guard lock(pendingMutex_);
    pending_.relayout = true;
  }
  Schedule();
}

void CVT420View::CursorMoved() {
  {
    std::lock_guard lock(pendingMutex_);
    pending_.cursor = true;
  }
  Schedule();
}

void CVT420View::FullRepaint() {
  {
    std::lock_guard lock(pendingMutex_);
    pending_.full = true;
    pending_.softFont = true;  // the terminal repaints everything when a soft font arrives
  }
  Schedule();
}

void CVT420View::ViewSettingsChanged(const CSettingsChange& change) {
  {
    std::lock_guard lock(pendingMutex_);
    CSettingsChange& p = pending_.settings;
    p.font |= change.font;
    p.layout |= change.layout;
    p.repaint |= change.repaint;
    p.cursor |= change.cursor;
    p.buttons |= change.buttons;
    p.title |= change.title;
  }
  Schedule();
}

void CVT420View::ConnectionChanged(bool ended) {
  QMetaObject::invokeMethod(
      this, [this, ended] { OnConnectionChanged(ended); }, Qt::QueuedConnection);
}

void CVT420View::Bell() {
  QMetaObject::invokeMethod(this, &CVT420View::bellRang, Qt::QueuedConnection);
}

void CVT420View::HostClipboard(const std::string& text) {
  QMetaObject::invokeMethod(
      this, [text] { QApplication::clipboard()->setText(QString::fromStdString(text)); },
      Qt::QueuedConnection);
}

void CVT420View::Schedule() {
  if (!flushPosted_.exchange(true))
    QMetaObject::invokeMethod(this, &CVT420View::Flush, Qt::QueuedConnection);
}

// ---- GUI thread ----

void CVT420View::Flush() {
  const qint64 elapsed = sinceFlush_.elapsed();
  if (elapsed < kFrameMs) {
    if (!frameTimer_.isActive()) frameTimer_.start(static_cast<int>(kFrameMs - elapsed));
    return;
  }
  FlushNow();
}

void CVT420View::FlushNow() {
  frameTimer_.stop();
  flushPosted_ = false;
  Pending p;
  {
    std::lock_guard lock(pendingMutex_);
    std::swap(p, pending_);
  }
  sinceFlush_.restart();
  if (p.settings.Any()) ApplySettingsChange(p.settings);
  int history = 0;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    history = doc_.Terminal().Screen().HistoryCount();
    if (p.softFont) {
      const CSoftFont& soft = doc_.Terminal().SoftFont();
      for (int code = 0x20; code <= 0x7F; ++code) {
        QImage& image = softFont_[static_cast<size_t>(code - 0x20)];
        const auto glyph = soft.Glyph(code);
        if (!glyph || glyph->width <= 0 || glyph->height <= 0) {
          image = QImage();
          continue;
        }
        image = QImage(glyph->width, glyph->height, QImage::Format_Mono);
        image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        const size_t bytes = std::min<size_t>(static_cast<size_t>(image.bytesPerLine()),
                                              static_cast<size_t>(glyph->strideBytes));
        for (int y = 0; y < glyph->height; ++y)
          std::memcpy(image.scanLine(y), glyph->bits + y * glyph->strideBytes, bytes);
      }
    }
  }
  if (p.relayout) {
    Layout(false);
    viewport()->update();
  } else if (p.full || p.softFont) {
    viewport()->update();
  } else if (p.first >= 0) {
    UpdateLines(history + p.first, history + p.last);
  }
  if (p.cursor) {
    UpdateCursorCell();
    ReadCursor();
    ScrollCursorIntoView();
    UpdateCursorCell();
  }
}

void CVT420View::ApplySettingsChange(const CSettingsChange& change) {
  if (change.layout) {
    int columns;
    {
      std::lock_guard lock(doc_.Terminal().Mutex());
      columns = doc_.Terminal().Settings().Int(S::Columns);
    }
    // The window may change its width first, so that fitting the font below keeps its size.
    if (layoutColumns_ > 0 && columns != layoutColumns_)
      emit pageWidthChanged((columns - layoutColumns_) * font_.CellWidth());
  }
  if (change.font) {
    BuildFont();
    Layout(false);
    viewport()->update();
  }
  if (change.layout) {
    Layout(true);
    viewport()->update();
  }
  if (change.repaint) viewport()->update();
  if (change.layout || change.repaint || change.cursor) {
    UpdateCursorCell();
    ReadCursor();
    if (change.layout || change.repaint) ScrollCursorIntoView();
    if (hasFocus()) focusInEvent(nullptr);
    UpdateCursorCell();
  }
  if (change.buttons) emit buttonsChanged();
  if (change.title) {
    emit mainTitleChanged(MainTitle());
    emit frameTitleChanged(FrameTitle());
  }
}

void CVT420View::OnConnectionChanged(bool ended) {
  if (ended) {
    bool autoClose;
    {
      std::lock_guard lock(doc_.Terminal().Mutex());
      autoClose = doc_.Terminal().Settings().Int(S::AutoClose) != 0;
    }
    if (autoClose || closing_) {
      emit closeRequested();
      return;
    }
  }
  disconnected_ = ended;
  emit frameTitleChanged(FrameTitle());
}

// ---- Font and layout ----

void CVT420View::BuildFont() {
  QString face;
  int points;
  bool bold;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CSettingsSet& s = doc_.Terminal().Settings();
    const FontSetChoice set = ChooseFontSet(s);
    face = QString::fromStdString(s.Str(set.name));
    points = s.Int(set.size);
    bold = s.Int(set.bold) != 0;
  }
  font_.Create(face, points, bold, logicalDpiY());
}

void CVT420View::Layout(bool fit) {
  if (inLayout_) return;
  inLayout_ = true;
  int lines, columns, rows, history;
  bool fitFont;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CTerminal& t = doc_.Terminal();
    lines = t.Settings().Int(S::Lines);
    columns = t.Settings().Int(S::Columns);
    rows = lines + (t.Settings().Int(S::StatusLine) ? 1 : 0);
    history = t.Screen().HistoryCount();
    fitFont = t.Settings().Int(S::FitFont) != 0;
  }
  if (lines > 0) {
    layoutColumns_ = columns;
    // The whole widget is the client area with the space of shown bars added back.
    if (fit && fitFont) FitFont(width(), height());
    ScrollLayoutInput in;
    in.clientWidth = width();
    in.clientHeight = height();
    in.cellWidth = font_.CellWidth();
    in.cellHeight = font_.CellHeight();
    in.columns = columns;
    in.rows = rows;
    in.historyCount = history;
    in.barWidth = in.barHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    in.allowVertical = profile_.verticalScroll;
    in.allowHorizontal = profile_.horizontalScroll;
    // Output that scrolls calls for a layout after every chunk; most change nothing.
    if (!(in == lastLayout_)) {
      lastLayout_ = in;
      const ScrollLayout out = ComputeScrollLayout(in);
      vbar_ = out.vertical;
      hbar_ = out.horizontal;
      setVerticalScrollBarPolicy(vbar_ ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      setHorizontalScrollBarPolicy(hbar_ ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      QScrollBar* v = verticalScrollBar();
      v->setRange(0, vbar_ ? out.verticalMax : 0);
      v->setPageStep(std::max(1, out.clientHeight / font_.CellHeight()));
      QScrollBar* h = horizontalScrollBar();
      h->setRange(0, hbar_ ? out.horizontalMax : 0);
      h->setPageStep(std::max(1, out.clientWidth / font_.CellWidth()));
    }
    vpos_ = verticalScrollBar()->value();
    hpos_ = horizontalScrollBar()->value();
  }
  inLayout_ = false;
}

void CVT420View::FitFont(int width, int height) {
  if (width <= 0 || height <= 0) return;
  QString face;
  int rows, columns, sizePosition, current;
  bool bold;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CSettingsSet& s = doc_.Terminal().Settings();
    const FontSetChoice set = ChooseFontSet(s);
    face = QString::fromStdString(s.Str(set.name));
    bold = s.Int(set.bold) != 0;
    sizePosition = set.size;
    current = s.Int(set.size);
    rows = s.Int(S::Lines) + (s.Int(S::StatusLine) ? 1 : 0);
    columns = s.Int(S::Columns);
  }
  const int dpi = logicalDpiY();
  const int points = FitFontPoints(width, height, rows, columns, dpi, [&](int size) {
    return CTermFont::MeasureCell(face, size, bold, dpi);
  });
  if (points != current) {
    std::lock_guard lock(doc_.Terminal().Mutex());
    doc_.Terminal().Settings().SetInt(sizePosition, points);
  }
  if (points != font_.Points() || current != points) BuildFont();
  viewport()->update();
  UpdateCursorCell();
}

void CVT420View::ChangeFontSize(int delta) {
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    CSettingsSet& s = doc_.Terminal().Settings();
    const FontSetChoice set = ChooseFontSet(s);
    const int size = s.Int(set.size) + delta;
    if (size < kMinFontPoints || size > kMaxFontPoints) return;
    s.SetInt(set.size, size);
    s.SetInt(S::FitFont, 0);
  }
  // The font size is a setting the session file keeps: closing asks to save it.
  doc_.SetModified(true);
  BuildFont();
  Layout(false);
  viewport()->update();
  ReadCursor();
}

bool CVT420View::CanLargerFont() {
  std::lock_guard lock(doc_.Terminal().Mutex());
  const CSettingsSet& s = doc_.Terminal().Settings();
  return s.Int(ChooseFontSet(s).size) < kMaxFontPoints;
}

bool CVT420View::CanSmallerFont() {
  std::lock_guard lock(doc_.Terminal().Mutex());
  const CSettingsSet& s = doc_.Terminal().Settings();
  return s.Int(ChooseFontSet(s).size) > kMinFontPoints;
}

void CVT420View::LargerFont() {
  ChangeFontSize(+1);
}
void CVT420View::SmallerFont() {
  ChangeFontSize(-1);
}

// ---- Painting ----

void CVT420View::paintEvent(QPaintEvent* event) {
  const QRect area = event->rect();
  const int cw = font_.CellWidth();
  const int ch = font_.CellHeight();
  int columns, lineCount;
  CColourResolver colours;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CTerminal& t = doc_.Terminal();
    const CScreenBuffer& screen = t.Screen();
    columns = std::clamp(t.Settings().Int(S::Columns), 1, kLineWidth);
    lineCount = screen.HistoryCount() + t.Settings().Int(S::Lines) +
                (t.Settings().Int(S::StatusLine) ? 1 : 0);
    colours = CColourResolver(t.Settings());
    colours.SetHostPalette(doc_.Terminal().HostColours());
    const int first = FloorDiv(area.top(), ch) + vpos_;
    const int last = std::min(area.bottom() / ch + vpos_, lineCount - 1);
    rows_.resize(static_cast<size_t>(std::max(last - first + 1, 0)));
    for (int line = first; line <= last; ++line) {
      ViewRow& row = rows_[static_cast<size_t>(line - first)];
      row.line = line;
      const auto view = screen.GetLine(line);
      if (!view) {
        row.sizeCode = 0;
        row.chars.fill(kBlankChar);
        row.attrs.fill(kDefaultAttr);
        row.hasExtras = false;
        continue;
      }
      row.sizeCode = view->sizeCode;
      std::memcpy(row.chars.data(), view->chars, sizeof row.chars);
      std::memcpy(row.attrs.data(), view->attrs, sizeof row.attrs);
      row.hasExtras = view->extras != nullptr;
      if (row.hasExtras) std::copy_n(view->extras, kLineWidth, row.extras.begin());
    }
  }
  QPainter painter(viewport());
  painter.setFont(font_.Font());
  CViewPainter rowPainter(font_, colours, softFont_, columns, blinkShown_);
  const int x = -hpos_ * cw;
  for (const ViewRow& row : rows_)
    rowPainter.DrawRow(painter, row, x, (row.line - vpos_) * ch,
                       selection_.ColumnsOnRow(row.line, columns));

  const QColor background = QColor::fromRgb(static_cast<QRgb>(colours.WindowBackground()));
  const int right = x + columns * cw;
  if (right <= area.right())
    painter.fillRect(QRect(right, area.top(), area.right() - right + 1, area.height()), background);
  const int bottom = (lineCount - vpos_) * ch;
  if (bottom <= area.bottom())
    painter.fillRect(QRect(area.left(), bottom, area.width(), area.bottom() - bottom + 1),
                     background);

  if (hasFocus() && cursorVisible_ && (!cursorBlink_ || cursorBlinkOn_)) {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(CursorRect(), QColor::fromRgb(static_cast<QRgb>(CursorXor(colours))));
  }
}

// The cursor inverts its cell. A cursor colour the host set is reached exactly where the cell
// shows its background, and the text under it keeps a colour of its own.
uint32_t CVT420View::CursorXor(const CColourResolver& colours) const {
  const std::optional<uint32_t> cursor = colours.HostCursor();
  if (!cursor) return 0xFFFFFF;
  uint32_t background = colours.WindowBackground();
  const auto row = std::find_if(rows_.begin(), rows_.end(),
                                [this](const ViewRow& r) { return r.line == cursorLine_; });
  if (row != rows_.end() && cursorColumn_ >= 0 && cursorColumn_ < kLineWidth) {
    const uint16_t word = row->attrs[static_cast<size_t>(cursorColumn_)];
    background = colours.Resolve(word, row->ExtraAt(cursorColumn_), false, true).background;
  }
  return *cursor ^ background;
}

void CVT420View::UpdateLines(int firstLine, int lastLine) {
  const int ch = font_.CellHeight();
  const int top = (firstLine - vpos_) * ch;
  const int bottom = (lastLine - vpos_ + 1) * ch;
  const QRect rect = QRect(0, top, viewport()->width(), bottom - top) & viewport()->rect();
  if (!rect.isEmpty()) viewport()->update(rect);
}

// ---- Cursor ----

void CVT420View::ReadCursor() {
  std::lock_guard lock(doc_.Terminal().Mutex());
  const CTerminal& t = doc_.Terminal();
  const CSettingsSet& s = t.Settings();
  cursorLine_ = t.Screen().HistoryCount() + t.CursorRow();
  cursorColumn_ = t.CursorColumn();
  cursorDouble_ = t.Screen().LineSizeAt(cursorLine_) != 0;
  cursorVisible_ = s.Int(S::CursorVisible) != 0;
  cursorType_ = s.Int(S::CursorType);
  cursorBlink_ = s.Int(S::CursorBlink) != 0;
}

QRect CVT420View::CursorRect() const {
  const int cw = font_.CellWidth();
  const int ch = font_.CellHeight();
  const int x = (cursorColumn_ - hpos_) * cw * (cursorDouble_ ? 2 : 1);
  const int y = (cursorLine_ - vpos_) * ch;
  if (cursorType_ == 1)
    return QRect(x, y + ch - kUnderlineCursorHeight, cw, kUnderlineCursorHeight);
  if (cursorType_ == 2) return QRect(x, y, kUnderlineCursorHeight, ch);  // bar
  return QRect(x, y, cw, ch);
}

void CVT420View::UpdateCursorCell() {
  const QRect r = CursorRect();
  viewport()->update(
      QRect(r.left(), (cursorLine_ - vpos_) * font_.CellHeight(), r.width(), font_.CellHeight()));
}

void CVT420View::ScrollCursorIntoView() {
  int history;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    history = doc_.Terminal().Screen().HistoryCount();
  }
  const int shown = std::max(1, viewport()->height() / font_.CellHeight());
  if (cursorLine_ < vpos_)
    ScrollVertical(cursorLine_);
  else if (cursorLine_ < vpos_ + shown && vpos_ < history)
    ScrollVertical(history);
  else if (cursorLine_ >= vpos_ + shown)
    ScrollVertical(std::max(cursorLine_ - shown + 1, history));
  const int shownColumns = std::max(1, viewport()->width() / font_.CellWidth());
  if (cursorColumn_ < hpos_)
    ScrollHorizontal(cursorColumn_);
  else if (cursorColumn_ >= hpos_ + shownColumns)
    ScrollHorizontal(cursorColumn_ - shownColumns + 1);
}

void CVT420View::focusInEvent(QFocusEvent* event) {
  if (event) {
    QAbstractScrollArea::focusInEvent(event);
    SendFocusReport(true);
  }
  ReadCursor();
  cursorBlinkOn_ = true;
  if (cursorVisible_ && cursorBlink_)
    cursorTimer_.start(kCursorBlinkMs);
  else
    cursorTimer_.stop();
  UpdateCursorCell();
}

void CVT420View::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  SendFocusReport(false);
  cursorTimer_.stop();
  UpdateCursorCell();
}

// ---- Scrolling ----

void CVT420View::scrollContentsBy(int dx, int dy) {
  vpos_ = verticalScrollBar()->value();
  hpos_ = horizontalScrollBar()->value();
  if (inLayout_) return;
  viewport()->scroll(dx * font_.CellWidth(), dy * font_.CellHeight());
}

void CVT420View::ScrollVertical(int position) {
  if (vbar_) verticalScrollBar()->setValue(position);
}

void CVT420View::ScrollHorizontal(int position) {
  if (hbar_) horizontalScrollBar()->setValue(position);
}

void CVT420View::ScrollPageUp() {
  ScrollVertical(vpos_ - std::max(1, viewport()->height() / font_.CellHeight() - 1));
}

void CVT420View::ScrollPageDown() {
  ScrollVertical(vpos_ + std::max(1, viewport()->height() / font_.CellHeight() - 1));
}

void CVT420View::ScrollToTop() {
  ScrollVertical(0);
}

void CVT420View::ScrollToBottom() {
  ScrollVertical(verticalScrollBar()->maximum());
}

// Each notch scrolls the desktop's configured number of lines.
void CVT420View::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / kWheelStep;
  if (steps != 0) {
    const HostMouseEvent wheel{steps > 0 ? HostMouseAction::kWheelUp : HostMouseAction::kWheelDown};
    const QPoint pos = event->position().toPoint();
    if (HostMouseReport(wheel, pos, event->modifiers())) {
      for (int i = 1; i < std::abs(steps); ++i) HostMouseReport(wheel, pos, event->modifiers());
      event->accept();
      return;
    }
  }
  const int lines = std::max(1, QApplication::wheelScrollLines());
  wheelRemainder_ += event->angleDelta().y();
  while (wheelRemainder_ >= kWheelStep) {
    ScrollVertical(vpos_ - lines);
    wheelRemainder_ -= kWheelStep;
  }
  while (wheelRemainder_ <= -kWheelStep) {
    ScrollVertical(vpos_ + lines);
    wheelRemainder_ += kWheelStep;
  }
  event->accept();
}

void CVT420View::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Layout(true);
}

void CVT420View::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  if (shown_) return;
  shown_ = true;
  bool maximize;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    maximize = doc_.Terminal().Settings().Int(S::Maximize) != 0;
  }
  BuildFont();
  // A maximised frame lays the view out when it resizes it.
  if (!maximize) Layout(true);
  // A second window of a session (New Window) opens on the page with the cursor, not at the top
  // of the history.
  ReadCursor();
  ScrollCursorIntoView();
  blinkShown_ = true;
  blinkTimer_.start(kBlinkMs);
}

void CVT420View::BlinkTimer() {
  bool blinking;
  {
    std::lock_guard lock(doc_.Terminal().Mutex());
    const CTerminal& t = doc_.Terminal();
    if (!t.Settings().Int(S::BlinkText)) return;
    blinking = t.Screen().HasBlink(vpos_, viewport()->height() / font_.CellHeight() + 1);
  }
  blinkShown_ = !blinkShown_;
  if (blinking) viewport()->update();
}

}  // namespace ostrane
