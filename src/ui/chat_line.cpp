#include "ui/chat_line.h"

#include <QApplication>

namespace ostrane {

namespace {

constexpr int kLeft = 4;
constexpr int kTop = 4;
constexpr int kGap = 8;

}  // namespace

CChatLine::CChatLine(QWidget* parent) : QWidget(parent) {
  field_ = new QLineEdit(this);
  send_ = new QPushButton("Send", this);
  // The button must not take the focus, or "Send" could never find it in the field.
  send_->setFocusPolicy(Qt::NoFocus);
  setMinimumHeight(std::max(field_->sizeHint().height(), send_->sizeHint().height()) + 2 * kTop);
  connect(send_, &QPushButton::clicked, this, &CChatLine::Send);
  connect(field_, &QLineEdit::returnPressed, this, &CChatLine::Send);
}

void CChatLine::Send() {
  if (QApplication::focusWidget() != field_) {
    field_->setFocus(Qt::OtherFocusReason);
    return;
  }
  const QString text = field_->text();
  field_->clear();
  emit textEntered(text);
}

void CChatLine::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int buttonWidth = send_->sizeHint().width();
  const int height = field_->sizeHint().height();
  send_->setGeometry(kLeft, kTop, buttonWidth, height);
  // The field reaches to 8 pixels before the bar's right edge.
  const int left = kLeft + buttonWidth + kLeft;
  field_->setGeometry(left, kTop, std::max(0, width() - left - kGap), height);
}

}  // namespace ostrane
