#include "ui/keyboard_picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <bitset>
#include <cmath>

namespace ostrane {

namespace {

const QColor kCase(64, 64, 72);
const QColor kKeyEdge(96, 96, 96);
const QColor kKeyText(0, 0, 0);
const QColor kSelectedFrame(0, 0, 255);
// The picture is drawn at least at its own size and may grow with the window.
constexpr double kMinScale = 1.0;

}  // namespace

CKeyboardPicture::CKeyboardPicture(std::span<const KeyRect> keys, PictureSize size,
                                   std::function<int(int, int)> hitTest, QWidget* parent)
    : QWidget(parent), keys_(keys), size_(size), hitTest_(std::move(hitTest)) {
  setMouseTracking(false);
}

void CKeyboardPicture::SetLayout(std::span<const KeyRect> keys, PictureSize size,
                                 std::function<int(int, int)> hitTest) {
  keys_ = keys;
  size_ = size;
  hitTest_ = std::move(hitTest);
  updateGeometry();
  update();
}

void CKeyboardPicture::SetSelectedKey(int code) {
  selected_ = code;
  update();
}

QColor CKeyboardPicture::FaceColour(int code) const {
  if (code != 0 && code == pressed_ && overPressed_) return kKeyPressed;
  return colour_ ? colour_(code) : kKeyGrey;
}

QSize CKeyboardPicture::sizeHint() const {
  return QSize(size_.width * 3 / 2, size_.height * 3 / 2);
}

QSize CKeyboardPicture::minimumSizeHint() const {
  return QSize(size_.width, size_.height);
}

double CKeyboardPicture::Scale() const {
  return std::max(kMinScale, std::min(static_cast<double>(width()) / size_.width,
                                      static_cast<double>(height()) / size_.height));
}

QPointF CKeyboardPicture::Origin() const {
  const double s = Scale();
  return QPointF(std::max(0.0, (width() - size_.width * s) / 2),
                 std::max(0.0, (height() - size_.height * s) / 2));
}

int CKeyboardPicture::KeyAtWidget(QPointF position) const {
  const QPointF p = (position - Origin()) / Scale();
  return hitTest_(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

QPoint CKeyboardPicture::KeyCentre(int code) const {
  for (const KeyRect& k : keys_) {
    if (k.code != code) continue;
    const QPointF centre(k.x + k.width / 2.0, k.y + k.height / 2.0);
    return (Origin() + centre * Scale()).toPoint();
  }
  return QPoint(-1, -1);
}

void CKeyboardPicture::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = Scale();
  painter.translate(Origin());
  painter.scale(s, s);
  painter.fillRect(QRectF(0, 0, size_.width, size_.height), kCase);
  QFont font = painter.font();
  font.setPixelSize(6);
  painter.setFont(font);
  std::bitset<256> labelled;
  for (const KeyRect& k : keys_) {
    const QRectF face(k.x + 0.5, k.y + 0.5, k.width - 1, k.height - 1);
    painter.setPen(
        QPen(k.code == selected_ ? kSelectedFrame : kKeyEdge, k.code == selected_ ? 1.5 : 0.5));
    painter.setBrush(FaceColour(k.code));
    painter.drawRoundedRect(face, 2, 2);
    // A key of two rectangles (the L-shaped Return) is labelled once.
    if (!label_ || labelled[k.code]) continue;
    labelled[k.code] = true;
    painter.setPen(kKeyText);
    const QString text =
        painter.fontMetrics().elidedText(label_(k.code), Qt::ElideRight, std::max(4, k.width - 2));
    painter.drawText(face.adjusted(1, 1, -1, -1), Qt::AlignCenter | Qt::TextWordWrap, text);
  }
}

void CKeyboardPicture::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int code = KeyAtWidget(event->position());
  if (code == 0) return;
  pressed_ = code;
  overPressed_ = true;
  update();
  emit KeyPressed(code);
}

void CKeyboardPicture::mouseMoveEvent(QMouseEvent* event) {
  if (pressed_ == 0 || !(event->buttons() & Qt::LeftButton)) return;
  const bool over = KeyAtWidget(event->position()) == pressed_;
  if (over == overPressed_) return;
  overPressed_ = over;
  update();
}

void CKeyboardPicture::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || pressed_ == 0) return;
  // The pressed key counts wherever the pointer was let go.
  const int code = pressed_;
  pressed_ = 0;
  overPressed_ = false;
  update();
  emit KeyReleased(code);
}

}  // namespace ostrane
