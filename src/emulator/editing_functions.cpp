// Erasing, inserting and deleting characters, lines and columns, and the rectangle functions.
#include <algorithm>

#include "emulator/glyph_class.h"
#include "emulator/vt420_emulator.h"

namespace ostrane {

void CVT420Emulator::EraseInDisplay(int n) {
  PrepareErase();
  const int lines = screen_.Lines();
  const int columns = Columns();
  const int row = cursorRow_;
  if (statusActive_) {
    // The status line is one row: every form erases what the line form would.
    EraseInLine(n);
    return;
  }
  if (n <= 0) {
    if (row == 0 && cursorCol_ == 0 && settings_.Int(S::SaveAll))
      screen_.SaveScreenToHistory(columns);
    int first = row;
    if (cursorCol_ != 0) {
      screen_.EraseLines(row, 1, cursorCol_, columns - 1);
      first = row + 1;
    }
    screen_.EraseLines(first, lines - first, -1, -1);
  } else if (n == 1) {
    // Through the row's last position is the whole row (half of it on a double-size row).
    const int rowLast = screen_.PageRowSize(row) ? HalfRowLast() : columns - 1;
    if (cursorCol_ < rowLast) {
      screen_.EraseLines(row, 1, 0, cursorCol_);
      screen_.EraseLines(0, row, -1, -1);
    } else {
      screen_.EraseLines(0, row + 1, -1, -1);
    }
  } else {
    if (settings_.Int(S::SaveAll)) screen_.SaveScreenToHistory(columns);
    screen_.EraseLines(0, lines, -1, -1);
  }
}

void CVT420Emulator::EraseInLine(int n) {
  PrepareErase();
  const int last = Columns() - 1;
  if (n == 0)
    screen_.EraseLines(cursorRow_, 1, cursorCol_, last);
  else if (n == 1)
    screen_.EraseLines(cursorRow_, 1, 0, cursorCol_);
  else
    screen_.EraseLines(cursorRow_, 1, 0, last);
}

void CVT420Emulator::SelectiveEraseInDisplay(int n) {
  const int last = Columns() - 1;
  const int lines = screen_.Lines();
  if (n == 0) {
    screen_.SelectiveErase(cursorRow_, 1, cursorCol_, last);
    screen_.SelectiveErase(cursorRow_ + 1, lines - cursorRow_ - 1, 0, last);
  } else if (n == 1) {
    screen_.SelectiveErase(cursorRow_, 1, 0, cursorCol_);
    screen_.SelectiveErase(0, cursorRow_, 0, last);
  } else {
    screen_.SelectiveErase(0, lines, 0, last);
  }
}

void CVT420Emulator::SelectiveEraseInLine(int n) {
  const int last = Columns() - 1;
  if (n == 0)
    screen_.SelectiveErase(cursorRow_, 1, cursorCol_, last);
  else if (n == 1)
    screen_.SelectiveErase(cursorRow_, 1, 0, cursorCol_);
  else
    screen_.SelectiveErase(cursorRow_, 1, 0, last);
}

// Counts are clipped to the scrolling region so that the vacated rows never leave it.
void CVT420Emulator::InsertLines(int n) {
  PrepareErase();
  if (cursorRow_ < top_ || cursorRow_ > bottom_) return;
  n = std::clamp(n, 0, bottom_ - cursorRow_ + 1);
  int first, last;
  RegionColumns(first, last);
  screen_.MoveLines(cursorRow_, cursorRow_ + n, bottom_ - cursorRow_ - n + 1, first, last, true);
}

void CVT420Emulator::DeleteLines(int n) {
  PrepareErase();
  if (cursorRow_ < top_ || cursorRow_ > bottom_) return;
  n = std::clamp(n, 0, bottom_ - cursorRow_ + 1);
  int first, last;
  RegionColumns(first, last);
  screen_.MoveLines(cursorRow_ + n, cursorRow_, bottom_ - cursorRow_ - n + 1, first, last, true);
}

// Character and column edits work inside the left/right margins only: with the cursor outside
// them they do nothing.
void CVT420Emulator::InsertChars(int n) {
  PrepareErase();
  if (!InsideColumnMargins()) return;
  n = std::clamp(n, 0, right_ - cursorCol_ + 1);
  screen_.MoveCells(cursorRow_, 1, cursorCol_, right_ - n, cursorCol_ + n, true);
}

void CVT420Emulator::DeleteChars(int n) {
  PrepareErase();
  if (!InsideColumnMargins()) return;
  n = std::clamp(n, 0, right_ - cursorCol_ + 1);
  screen_.MoveCells(cursorRow_, 1, cursorCol_ + n, right_, cursorCol_, true);
}

void CVT420Emulator::EraseChars(int n) {
  PrepareErase();
  n = std::clamp(n, 0, kLineWidth);
  screen_.EraseLines(cursorRow_, 1, cursorCol_, cursorCol_ + n - 1);
}

void CVT420Emulator::InsertColumns(int n) {
  PrepareErase();
  if (!InsideColumnMargins()) return;
  n = std::clamp(n, 0, right_ - cursorCol_ + 1);
  screen_.MoveCells(top_, bottom_ - top_ + 1, cursorCol_, right_ - n, cursorCol_ + n, true);
}

void CVT420Emulator::DeleteColumns(int n) {
  PrepareErase();
  if (!InsideColumnMargins()) return;
  n = std::clamp(n, 0, right_ - cursorCol_ + 1);
  screen_.MoveCells(top_, bottom_ - top_ + 1, cursorCol_ + n, right_, cursorCol_, true);
}

namespace {

// A rectangle parameter: 1-based with the given default, made 0-based and kept in range.
int RectParam(const CControlParams& p, int i, int dflt) {
  return std::clamp(p.Param(i, dflt + 1), 0, kPageMemory + kLineWidth) - 1;
}

}  // namespace

// Applies the SGR parameters from `first` on to an attribute word.
namespace {

uint16_t WithField(uint16_t word, int shift, int value) {
  return static_cast<uint16_t>((word & ~(0xF << shift)) | ((value & 0xF) << shift));
}

uint16_t SwapColours(uint16_t word) {
  return static_cast<uint16_t>((word & 0x00FF) | ((word & 0x0F00) << 4) | ((word & 0xF000) >> 4));
}

}  // namespace

// One rendition value applied to an attribute word. Colours are stored as they are drawn, so
// reverse video swaps the two fields and bold brightens the foreground.
uint16_t ApplyRenditionValue(uint16_t w, int32_t v) {
  static constexpr uint8_t kForeground[8] = {0, 9, 10, 12, 11, 13, 14, 7};
  static constexpr uint8_t kBackground[8] = {0, 1, 2, 4, 3, 5, 6, 7};
  const bool reverse = w & attr::kReverse;
  const bool bold = w & attr::kBold;
  const int fg = (w >> 8) & 0xF;
  switch (v) {
    case 0:
      return attr::Reset(w);
    case 1:
      if (bold) return w;
      w |= attr::kBold;
      return fg >= 1 && fg <= 7 ? WithField(w, 8, fg + 8) : w;
    case 4:
      return w | attr::kUnderline;
    case 5:
      return w | attr::kBlink;
    case 7:
      return reverse ? w : static_cast<uint16_t>(SwapColours(w) | attr::kReverse);
    case 22:
      w &= static_cast<uint16_t>(~attr::kBold);
      return fg >= 9 ? WithField(w, 8, fg - 8) : w;
    case 24:
      return w & static_cast<uint16_t>(~attr::kUnderline);
    case 25:
      return w & static_cast<uint16_t>(~attr::kBlink);
    case 27:
      return reverse ? static_cast<uint16_t>(SwapColours(w) & ~attr::kReverse) : w;
    case 30:
    case 31:
    case 32:
    case 33:
    case 34:
    case 35:
    case 36:
    case 37:
    case 39: {
      const int c = v == 39 ? 7 : kForeground[v - 30];
      if (reverse) return WithField(w, 12, c);
      return WithField(w, 8, c == 7 && bold ? 15 : c);
    }
    case 40:
    case 41:
    case 42:
    case 43:
    case 44:
    case 45:
    case 46:
    case 47:
    case 49: {
      const int c = v == 49 ? 0 : kBackground[v - 40];
      if (!reverse) return WithField(w, 12, c);
      return WithField(w, 8, c == 7 && bold ? 15 : c);
    }
    default:
      return w;
  }
}

// The values from parameter `first` on, in order; none there reads as a single 0.
uint16_t CVT420Emulator::ApplyRendition(uint16_t w, const CControlParams& params, int first) const {
  const int count = params.Count();
  if (count <= first) return ApplyRenditionValue(w, 0);
  const int32_t* values = params.Values();
  for (int i = first; i < count; ++i) w = ApplyRenditionValue(w, values[i]);
  return w;
}

void CVT420Emulator::RectangleFunction(uint8_t final, const CControlParams& p) {
  const int page = screen_.CurrentPage();
  // DECFRA's rectangle follows its fill character.
  const int base = final == 'x' ? 1 : 0;
  const int top = std::max(RectParam(p, base, top_), 0);
  const int left = std::max(RectParam(p, base + 1, left_), 0);
  const int bottom = RectParam(p, base + 2, bottom_);
  const int right = RectParam(p, base + 3, right_);
  switch (final) {
    case 'r':
    case 't': {
      const bool change = final == 'r';
      const uint16_t value = ApplyRendition(change ? kDefaultAttr : 0, p, 4);
      auto apply = [&](int t, int l, int b, int r) {
        if (change)
          screen_.SetAttributes(t, l, b, r, value);
        else
          screen_.XorAttributes(t, l, b, r, value & 0x000F);
      };
      if (rectangleExtent_) {
        apply(top, left, bottom, right);
      } else if (top == bottom) {
        apply(top, left, top, right);
      } else if (top < bottom) {
        apply(top, left, top, right_);
        if (bottom - top > 1) apply(top + 1, left_, bottom - 1, right_);
        apply(bottom, left_, bottom, right);
      }
      break;
    }
    case 'v': {
      const int srcPage = p.Param(4, page + 1) - 1;
      const int dstTop = std::max(RectParam(p, 5, top_), 0);
      const int dstLeft = std::max(RectParam(p, 6, left_), 0);
      const int dstPage = p.Param(7, page + 1) - 1;
      // Only the part of the source on the page is copied, and only onto the page: destination
      // cells whose source lies past the last column keep what they hold.
      const int lastColumn = Columns() - 1;
      const int clippedRight = std::min({right, lastColumn, left + (lastColumn - dstLeft)});
      screen_.CopyRect(srcPage, top, left, bottom, clippedRight, dstPage, dstTop, dstLeft);
      break;
    }
    case 'x': {
      const int ch = p.Param(0, 32);
      if (ch < 0 || ch > 0xFF) break;
      const char16_t code = charsets_.TranslateChar(static_cast<uint8_t>(ch));
      if (code == 0) break;
      const GlyphClass cls = ClassifyGlyph(code, settings_.Int(S::DBCS) != 0);
      screen_.FillRect(top, left, bottom, right, cls.code,
                       static_cast<uint16_t>(attr_ | cls.glyph));
      break;
    }
    case 'z':
      screen_.EraseLines(top, bottom - top + 1, left, right);
      break;
    case '{':
      screen_.SelectiveErase(top, bottom - top + 1, left, right);
      break;
    default:
      break;
  }
}

}  // namespace ostrane
