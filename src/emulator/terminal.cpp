#include "emulator/terminal.h"

#include <algorithm>

namespace ostrane {

CTerminal::CTerminal() = default;
CTerminal::~CTerminal() = default;

void CTerminal::ReceiveBytes(const uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) ReceiveByte(data[i]);
  NotifyViews();
}

void CTerminal::NotifyViews() {
  int first, last;
  const bool rowsChanged = screen_.TakeChangedRows(first, last);
  const bool historyChanged = screen_.TakeHistoryChanged();
  for (ITerminalView* view : views_) {
    if (historyChanged)
      view->Relayout();
    else if (rowsChanged)
      view->InvalidateRows(first, last);
    view->CursorMoved();
  }
}

void CTerminal::AddView(ITerminalView* view) {
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CTerminal::RemoveView(ITerminalView* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void CTerminal::SetCapture(std::unique_ptr<ICaptureSink> capture) {
  capture_ = std::move(capture);
}

void CTerminal::WriteCaptureTrace(std::string_view text) {
  if (capture_ && settings_.Int(S::CaptureDebug)) capture_->Write(text);
}

void CTerminal::Reply(std::string_view bytes) {
  if (events_ && !bytes.empty())
    events_->SendToHost(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace ostrane
