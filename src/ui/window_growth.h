// CWindowGrowth: how far a window was widened, and moved left, for wider pages, so that the
// narrower page gives exactly that back. A window the user resized since no longer has the size
// it grew to: its growth is forgotten and the next widening starts afresh.
#pragma once

#include <QSize>
#include <optional>

namespace ostrane {

class CWindowGrowth {
 public:
  struct Growth {
    int width = 0;
    int shift = 0;  // moved left by this much to stay within its bounds
  };

  // The window, `before` in size, became `width` wider and moved `shift` to the left, ending at
  // `after`.
  void Grew(QSize before, int width, int shift, QSize after) {
    if (!grown_ || grown_->size != before) grown_ = Grown{};
    grown_->growth.width += width;
    grown_->growth.shift += shift;
    grown_->size = after;
  }
  // What to give back while the window has the size it grew to; nothing (and forgotten) once
  // it has another.
  std::optional<Growth> Current(QSize size) {
    if (grown_ && grown_->size != size) grown_.reset();
    if (!grown_) return std::nullopt;
    return grown_->growth;
  }
  void Forget() { grown_.reset(); }

 private:
  struct Grown {
    Growth growth;
    QSize size;
  };
  std::optional<Grown> grown_;
};

}  // namespace ostrane
