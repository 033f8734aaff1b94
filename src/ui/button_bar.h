// CButtonBar: the bar of eight session buttons between a previous-page and a next-page button.
// The buttons show the captions of the active session's current page.
#pragma once

#include <QPushButton>
#include <QWidget>
#include <array>

namespace ostrane {

class CSettingsSet;

inline constexpr int kButtonsPerPage = 8;
inline constexpr int kButtonPages = 4;

class CButtonBar : public QWidget {
  Q_OBJECT

 public:
  explicit CButtonBar(QWidget* parent = nullptr);

  // Shows the page's captions and enables the page buttons for the moves that are possible.
  void ShowPage(const CSettingsSet& settings, int page);
  // No active session: empty captions, everything disabled.
  void Clear();

  QPushButton* Button(int i) const { return buttons_[static_cast<size_t>(i)]; }
  QPushButton* PreviousButton() const { return previous_; }
  QPushButton* NextButton() const { return next_; }

  QSize sizeHint() const override;

 signals:
  void buttonClicked(int indexOnPage);
  void previousPage();
  void nextPage();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::array<QPushButton*, kButtonsPerPage> buttons_{};
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
};

}  // namespace ostrane
