// CKeyboardPicture: a keyboard drawn by the program from a table of key rectangles, scaled to
// the widget, with each key's face colour chosen by its owner. A left press on a key makes it
// the pressed key; the release reports the pressed key wherever the pointer went meanwhile.
#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <span>

#include "session/keyboard_pictures.h"

namespace ostrane {

inline const QColor kKeyGrey(192, 192, 192);
inline const QColor kKeyLatched(255, 0, 0);
inline const QColor kKeyPressed(255, 255, 0);

class CKeyboardPicture : public QWidget {
  Q_OBJECT

 public:
  // hitTest gives the key code at a point in picture coordinates (0 for none).
  CKeyboardPicture(std::span<const KeyRect> keys, PictureSize size,
                   std::function<int(int, int)> hitTest, QWidget* parent = nullptr);

  void SetLayout(std::span<const KeyRect> keys, PictureSize size,
                 std::function<int(int, int)> hitTest);
  // The face colour of a key that is not being pressed; grey when not set.
  void SetKeyColour(std::function<QColor(int)> colour) { colour_ = std::move(colour); }
  // The text on a key.
  void SetKeyLabel(std::function<QString(int)> label) { label_ = std::move(label); }
  // A key drawn with a frame as the current choice; 0 for none.
  void SetSelectedKey(int code);
  int SelectedKey() const { return selected_; }
  int PressedKey() const { return pressed_; }
  bool PointerOverPressed() const { return overPressed_; }
  // The face colour a key is drawn with now.
  QColor FaceColour(int code) const;
  // Widget coordinates of the centre of the key's first rectangle (tests, accessibility).
  QPoint KeyCentre(int code) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void KeyPressed(int code);
  void KeyReleased(int code);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  double Scale() const;
  QPointF Origin() const;
  int KeyAtWidget(QPointF position) const;

  std::span<const KeyRect> keys_;
  PictureSize size_;
  std::function<int(int, int)> hitTest_;
  std::function<QColor(int)> colour_;
  std::function<QString(int)> label_;
  int selected_ = 0;
  int pressed_ = 0;
  bool overPressed_ = false;
};

}  // namespace ostrane
