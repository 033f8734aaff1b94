#include "ui/vt_keyboard_window.h"

#include <QKeyEvent>
#include <QVBoxLayout>
#include <mutex>

#include "keyboard/key_codes.h"
#include "keyboard/vt_key_encoder.h"
#include "session/vt420_doc.h"

namespace ostrane {

namespace {

// Names too long for a key face, by VT key code.
struct ShortLabel {
  int vtKey;
  const char* text;
};
constexpr ShortLabel kShortLabels[] = {
    {71, "<X"},     {72, "Ret"},    {74, "Shift"},  {75, "Lock"}, {76, "Shift"}, {77, "Comp"},
    {78, "Alt"},    {79, "Alt"},    {80, "Comp"},   {82, "Ins"},  {83, "Rem"},   {84, "Sel"},
    {95, "0"},      {105, "-"},     {106, ","},     {107, "."},   {108, "Ent"},  {87, "\u2191"},
    {88, "\u2190"}, {89, "\u2193"}, {90, "\u2192"}, {70, ""},
};

}  // namespace

QString VtKeyLabel(int vtKey) {
  for (const ShortLabel& s : kShortLabels)
    if (s.vtKey == vtKey) return QString::fromUtf8(s.text);
  if (vtKey >= VtKey::kNumpad0 + 1 && vtKey <= VtKey::kNumpad0 + 9)
    return QString::number(vtKey - VtKey::kNumpad0);
  const std::string_view name = VtKeyName(vtKey);
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

CVtKeyboardWindow::CVtKeyboardWindow(VtKeyboardHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowDoesNotAcceptFocus), hooks_(std::move(hooks)) {
  setWindowTitle("VT Keyboard");
  // Clicking the keys leaves the session window active, with the keyboard focus.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  picture_ = new CKeyboardPicture(VtKeyboardKeys(), kVtKeyboardSize, VtKeyAt, this);
  picture_->setFocusPolicy(Qt::NoFocus);
  picture_->SetKeyLabel(VtKeyLabel);
  picture_->SetKeyColour(
      [this](int code) { return latches_.IsLatched(code) ? kKeyLatched : kKeyGrey; });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(picture_);
  connect(picture_, &CKeyboardPicture::KeyReleased, this, &CVtKeyboardWindow::Released);
}

void CVtKeyboardWindow::Released(int vtKey) {
  if (const auto press = latches_.Release(vtKey)) Type(*press);
  picture_->update();
}

void CVtKeyboardWindow::Type(const CVtKeyboardLatches::Press& press) {
  CVT420Doc* doc = hooks_.activeDocument ? hooks_.activeDocument() : nullptr;
  if (!doc) return;
  VtKeyOutput out;
  {
    std::lock_guard lock(doc->Terminal().Mutex());
    // The key map is not consulted and the controls keep their 7-bit form.
    out = EncodeVtKey(press.vtKey, press.flags, doc->Settings());
  }
  if (!out.bytes.empty()) {
    doc->Send(reinterpret_cast<const uint8_t*>(out.bytes.data()), out.bytes.size());
  } else if (out.command == KeyCommand::kBreak) {
    doc->SendBreak();
  } else if (out.command && hooks_.localFunction) {
    hooks_.localFunction(*out.command);
  }
  if (hooks_.forwardKey) hooks_.forwardKey(nullptr);
}

void CVtKeyboardWindow::keyPressEvent(QKeyEvent* event) {
  if (hooks_.forwardKey)
    hooks_.forwardKey(event);
  else
    QWidget::keyPressEvent(event);
}

}  // namespace ostrane
