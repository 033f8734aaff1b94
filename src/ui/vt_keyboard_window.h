// CVtKeyboardWindow: the "VT Keyboard" tool window. Clicking its keys types VT keys into the
// active session, with latching Ctrl, Shift and Caps Lock, so that keys a PC keyboard lacks can
// be typed with the mouse. It never takes the keyboard focus from the session.
#pragma once

#include <QWidget>
#include <functional>

#include "keyboard/key_command.h"
#include "session/keyboard_pictures.h"
#include "ui/keyboard_picture.h"

namespace ostrane {

class CVT420Doc;

struct VtKeyboardHooks {
  // The session typed into; nullptr when no session window is active.
  std::function<CVT420Doc*()> activeDocument;
  // The local functions of F1-F5 other than Break (hold screen, print page, settings).
  std::function<void(KeyCommand)> localFunction;
  // Gives the active session window the focus back; also receives keys typed here.
  std::function<void(QKeyEvent*)> forwardKey;
};

class CVtKeyboardWindow : public QWidget {
  Q_OBJECT

 public:
  explicit CVtKeyboardWindow(VtKeyboardHooks hooks, QWidget* parent = nullptr);

  CKeyboardPicture* Picture() const { return picture_; }
  const CVtKeyboardLatches& Latches() const { return latches_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Released(int vtKey);
  void Type(const CVtKeyboardLatches::Press& press);

  VtKeyboardHooks hooks_;
  CKeyboardPicture* picture_ = nullptr;
  CVtKeyboardLatches latches_;
};

// Short texts for the keys of the VT keyboard picture.
QString VtKeyLabel(int vtKey);

}  // namespace ostrane
