#include "ui/button_bar.h"

#include <algorithm>

#include "settings/settings_set.h"

namespace ostrane {

namespace {

constexpr int kTop = 6;
constexpr int kMinButtonWidth = 40;
constexpr int kPageButtonWidth = 24;
constexpr int kButtonHeight = 24;

}  // namespace

CButtonBar::CButtonBar(QWidget* parent) : QWidget(parent) {
  previous_ = new QPushButton("<", this);
  next_ = new QPushButton(">", this);
  for (QPushButton* b : {previous_, next_}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->resize(kPageButtonWidth, kButtonHeight);
  }
  for (int i = 0; i < kButtonsPerPage; ++i) {
    auto* b = new QPushButton(this);
    b->setFocusPolicy(Qt::NoFocus);
    buttons_[static_cast<size_t>(i)] = b;
    connect(b, &QPushButton::clicked, this, [this, i] { emit buttonClicked(i); });
  }
  connect(previous_, &QPushButton::clicked, this, &CButtonBar::previousPage);
  connect(next_, &QPushButton::clicked, this, &CButtonBar::nextPage);
  Clear();
}

QSize CButtonBar::sizeHint() const {
  return {kPageButtonWidth * 2 + kButtonsPerPage * (kMinButtonWidth + 4) + 16,
          kButtonHeight + 2 * kTop};
}

void CButtonBar::ShowPage(const CSettingsSet& settings, int page) {
  for (int i = 0; i < kButtonsPerPage; ++i) {
    QPushButton* b = buttons_[static_cast<size_t>(i)];
    b->setText(QString::fromStdString(settings.ButtonCaption(page * kButtonsPerPage + i)));
    b->setEnabled(true);
  }
  previous_->setEnabled(page > 0);
  next_->setEnabled(page < kButtonPages - 1);
}

void CButtonBar::Clear() {
  for (QPushButton* b : buttons_) {
    b->setText(QString());
    b->setEnabled(false);
  }
  previous_->setEnabled(false);
  next_->setEnabled(false);
}

void CButtonBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = width();
  const int p = previous_->width();
  const int each = std::max(kMinButtonWidth, (w - 2 * p - 8) / kButtonsPerPage - 4);
  const int h = previous_->height();
  for (int i = 0; i < kButtonsPerPage; ++i)
    buttons_[static_cast<size_t>(i)]->setGeometry(p + (each + 4) * i + 8, kTop, each, h);
  previous_->move(4, kTop);
  next_->move(w - p - 4, kTop);
}

}  // namespace ostrane
