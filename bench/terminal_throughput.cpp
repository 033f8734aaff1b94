// Terminal throughput: bytes per second through our terminal object and through libvterm, in
// the same run, on the same generated inputs fed in the same chunks. Both sides report damage to
// a recording view, as a real window would. Prints MB/s (10^6 bytes) for each side, the ratio
// ours/libvterm per input, and finally one "ratio <input> <value>" line per input.
//
// After the timed repetitions both screens are compared: a side that ends with other text or
// another cursor position, or that reported no damage or no cursor move to its view, has not done
// the work, and the run exits with status 1.

extern "C" {
#include <vterm.h>
}

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/screen_buffer.h"
#include "emulator/vt420_emulator.h"
#include "platform/code_page.h"
#include "platform/utf8_text.h"

namespace {

constexpr int kRows = 24;
constexpr int kColumns = 80;
constexpr double kMegabyte = 1e6;

struct Options {
  double scale = 1.0;
  size_t chunk = 2048;
  int repetitions = 3;
  std::string only;       // empty: every input
  bool oursOnly = false;  // for profilers: skip libvterm
  int termId = -1;        // -1: the default terminal type
};

// The terminal type our side runs as (--term-id), read when each terminal object is made.
int gTermId = -1;

// splitmix64: small, fast and the same sequence on every machine.
class CRandom {
 public:
  explicit CRandom(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [low, high].
  int Range(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
  }

 private:
  uint64_t state_;
};

// Lines of words, 20 to 80 columns (some exactly 80, which leaves a pending wrap before CR).
std::string MakePlainText(size_t target) {
  static constexpr std::string_view kPunctuation = ".,;:!?-()'\"/#";
  CRandom random(1);
  std::string out;
  out.reserve(target + 128);
  std::string line;
  while (true) {
    line.clear();
    const int width = random.Range(20, kColumns);
    while (static_cast<int>(line.size()) < width) {
      if (!line.empty()) line += ' ';
      const int length = random.Range(1, 10);
      for (int i = 0; i < length; ++i) {
        const int kind = random.Range(0, 19);
        if (kind < 15) {
          line += static_cast<char>('a' + random.Range(0, 25));
        } else if (kind < 17) {
          line += static_cast<char>('A' + random.Range(0, 25));
        } else if (kind < 19) {
          line += static_cast<char>('0' + random.Range(0, 9));
        } else {
          line += kPunctuation[static_cast<size_t>(random.Range(0, kPunctuation.size() - 1))];
        }
      }
    }
    line.resize(static_cast<size_t>(width));
    if (out.size() + line.size() + 2 > target) break;
    out += line;
    out += "\r\n";
  }
  return out;
}

// Cursor positioning, then runs of bold coloured text, each run closed by SGR 0.
std::string MakeDenseSgr(size_t target) {
  CRandom random(2);
  std::string out;
  out.reserve(target + 256);
  std::string block;
  char buffer[32];
  while (true) {
    block.clear();
    std::snprintf(buffer, sizeof buffer, "\x1b[%d;%dH", random.Range(1, kRows),
                  random.Range(1, kColumns));
    block += buffer;
    const int runs = random.Range(1, 6);
    for (int r = 0; r < runs; ++r) {
      std::snprintf(buffer, sizeof buffer, "\x1b[1;3%d;4%dm", random.Range(0, 7),
                    random.Range(0, 7));
      block += buffer;
      const int length = random.Range(1, 4);
      for (int i = 0; i < length; ++i) block += static_cast<char>(random.Range(0x21, 0x7E));
      block += "\x1b[0m";
    }
    if (out.size() + block.size() > target) break;
    out += block;
  }
  return out;
}

// As MakeDenseSgr with the colours of 256-colour and 24-bit programs: 38;5;n and 48;5;n from
// the whole palette, and now and then a 24-bit foreground.
std::string MakeDense256Sgr(size_t target) {
  CRandom random(4);
  std::string out;
  out.reserve(target + 256);
  std::string block;
  char buffer[48];
  while (true) {
    block.clear();
    std::snprintf(buffer, sizeof buffer, "\x1b[%d;%dH", random.Range(1, kRows),
                  random.Range(1, kColumns));
    block += buffer;
    const int runs = random.Range(1, 6);
    for (int r = 0; r < runs; ++r) {
      if (random.Range(0, 3) == 0)
        std::snprintf(buffer, sizeof buffer, "\x1b[38;2;%d;%d;%dm", random.Range(0, 255),
                      random.Range(0, 255), random.Range(0, 255));
      else
        std::snprintf(buffer, sizeof buffer, "\x1b[38;5;%d;48;5;%dm", random.Range(0, 255),
                      random.Range(0, 255));
      block += buffer;
      const int length = random.Range(1, 4);
      for (int i = 0; i < length; ++i) block += static_cast<char>(random.Range(0x21, 0x7E));
      block += "\x1b[0m";
    }
    if (out.size() + block.size() > target) break;
    out += block;
  }
  return out;
}

// Lines of words in Latin with accents, Cyrillic and CJK (two columns each), at most 80 columns,
// so no line wraps and no wide character meets the right margin.
std::string MakeMixedUtf8(size_t target) {
  CRandom random(3);
  std::string out;
  out.reserve(target + 512);
  std::string line;
  std::vector<char32_t> word;
  while (true) {
    line.clear();
    int columns = 0;
    const int width = random.Range(30, kColumns);
    while (true) {
      word.clear();
      int wordColumns = 0;
      const int script = random.Range(0, 9);
      if (script < 4) {
        const int length = random.Range(2, 9);
        for (int i = 0; i < length; ++i) {
          char32_t code;
          if (random.Range(0, 2) == 0) {
            // Latin-1 letters U+00C0..U+00FF without the multiplication and division signs.
            do code = static_cast<char32_t>(random.Range(0xC0, 0xFF));
            while (code == 0xD7 || code == 0xF7);
          } else {
            code = static_cast<char32_t>('a' + random.Range(0, 25));
          }
          word.push_back(code);
        }
        wordColumns = length;
      } else if (script < 7) {
        const int length = random.Range(2, 9);
        for (int i = 0; i < length; ++i)
          word.push_back(static_cast<char32_t>(random.Range(0x410, 0x44F)));
        wordColumns = length;
      } else {
        const int length = random.Range(1, 5);
        for (int i = 0; i < length; ++i)
          word.push_back(static_cast<char32_t>(random.Range(0x4E00, 0x9FA5)));
        wordColumns = 2 * length;
      }
      const int separator = columns == 0 ? 0 : 1;
      if (columns + separator + wordColumns > width) break;
      if (separator) line += ' ';
      for (char32_t code : word) ostrane::AppendUtf8(line, code);
      columns += separator + wordColumns;
    }
    if (out.size() + line.size() + 2 > target) break;
    out += line;
    out += "\r\n";
  }
  return out;
}

struct Input {
  const char* name;
  double megabytes;  // at scale 1
  std::string (*make)(size_t);
};

constexpr Input kInputs[] = {
    {"plain", 100, MakePlainText},
    {"sgr", 100, MakeDenseSgr},
    {"utf8", 20, MakeMixedUtf8},
    {"sgr256", 100, MakeDense256Sgr},
};

// Marks the right half of a wide character in a snapshot cell.
constexpr char32_t kRightHalf = 0xFFFFFFFF;

// The final screen, one code per cell; blanks as spaces.
struct ScreenSnapshot {
  std::vector<std::u32string> rows;
  int cursorRow = 0;
  int cursorColumn = 0;
  bool damageReported = false;  // changed rows told to the view, all within the screen
  bool cursorReported = false;
};

// A view as a window keeps it: the union of changed rows, and whether the cursor or the layout
// changed, until its next repaint.
class CRecordingView : public ostrane::ITerminalView {
 public:
  void InvalidateRows(int first, int last) override {
    if (!dirty_) {
      first_ = first;
      last_ = last;
      dirty_ = true;
    } else {
      first_ = std::min(first_, first);
      last_ = std::max(last_, last);
    }
  }
  void Relayout() override { relayout_ = true; }
  void CursorMoved() override { cursorMoved_ = true; }
  // Page rows run from 0 to the status line, one past the last row.
  bool DamageReported() const {
    return relayout_ || (dirty_ && first_ >= 0 && first_ <= last_ && last_ <= kRows);
  }
  bool CursorReported() const { return cursorMoved_; }

 private:
  bool dirty_ = false;
  int first_ = 0;
  int last_ = 0;
  bool relayout_ = false;
  bool cursorMoved_ = false;
};

class COurTerminal {
 public:
  COurTerminal() {
    auto& settings = emu_.Settings();
    settings.SetInt(ostrane::CSettingsSet::FindKey("Lines"), kRows);
    settings.SetInt(ostrane::CSettingsSet::FindKey("Columns"), kColumns);
    // Wrap at the right margin and decode UTF-8, as libvterm does.
    settings.SetInt(ostrane::CSettingsSet::FindKey("AutoWrap"), 1);
    settings.SetInt(ostrane::CSettingsSet::FindKey("DBCS"), 1);
    settings.SetInt(ostrane::CSettingsSet::FindKey("DBCSSet"), 5);
    if (gTermId >= 0) settings.SetInt(ostrane::CSettingsSet::FindKey("TermID"), gTermId);
    emu_.Reset();
    emu_.AddView(&view_);
  }
  ~COurTerminal() { emu_.RemoveView(&view_); }

  // As the transport's worker delivers a chunk: under the terminal lock.
  void Feed(const uint8_t* data, size_t length) {
    std::lock_guard<std::mutex> lock(emu_.Mutex());
    emu_.ReceiveBytes(data, length);
  }

  ScreenSnapshot Snapshot() const {
    ScreenSnapshot snapshot;
    const ostrane::CScreenBuffer& screen = emu_.Screen();
    for (int row = 0; row < kRows; ++row) {
      std::u32string cells;
      const auto line = screen.GetPageRow(row);
      for (int column = 0; line && column < kColumns; ++column) {
        const uint16_t code = line->chars[column];
        cells += code == 0 ? U' ' : static_cast<char32_t>(code);
        if ((line->attrs[column] & ostrane::attr::kGlyphMask) == ostrane::attr::kGlyphWide &&
            column + 1 < kColumns) {
          cells += kRightHalf;
          ++column;
        }
      }
      snapshot.rows.push_back(std::move(cells));
    }
    snapshot.cursorRow = emu_.CursorRow();
    snapshot.cursorColumn = emu_.CursorColumn();
    snapshot.damageReported = view_.DamageReported();
    snapshot.cursorReported = view_.CursorReported();
    return snapshot;
  }

 private:
  ostrane::CVT420Emulator emu_;
  CRecordingView view_;
};

// libvterm with its screen layer, merging damage per scroll and flushed once per chunk, the way
// a view built on it repaints. Lines scrolled off go to a scrollback ring of the size our
// terminal keeps, so both sides keep history.
class CVtermTerminal {
 public:
  static constexpr size_t kScrollback = 800;

  CVtermTerminal() : scrollback_(kScrollback * kColumns) {
    vt_ = vterm_new(kRows, kColumns);
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    static const VTermScreenCallbacks callbacks = {
        .damage = &CVtermTerminal::Damage,
        .moverect = &CVtermTerminal::MoveRect,
        .movecursor = &CVtermTerminal::MoveCursor,
        .settermprop = nullptr,
        .bell = nullptr,
        .resize = nullptr,
        .sb_pushline = &CVtermTerminal::PushLine,
        .sb_popline = nullptr,
    };
    vterm_screen_set_callbacks(screen_, &callbacks, this);
    vterm_screen_set_damage_merge(screen_, VTERM_DAMAGE_SCROLL);
    vterm_screen_reset(screen_, 1);
  }
  ~CVtermTerminal() { vterm_free(vt_); }
  CVtermTerminal(const CVtermTerminal&) = delete;
  CVtermTerminal& operator=(const CVtermTerminal&) = delete;

  // libvterm garbles a UTF-8 sequence split between two writes when text precedes it in the
  // first (U+FFFD, sometimes an extra cell), so an incomplete sequence at the end of a chunk is
  // held back and written whole with the start of the next.
  void Feed(const uint8_t* data, size_t length) {
    while (!carry_.empty() && length > 0 && carry_.size() < SequenceLength(carry_[0]) &&
           (*data & 0xC0) == 0x80) {
      carry_ += static_cast<char>(*data++);
      --length;
    }
    if (!carry_.empty()) {
      if (length == 0 && carry_.size() < SequenceLength(carry_[0])) return;
      vterm_input_write(vt_, carry_.data(), carry_.size());
      carry_.clear();
    }
    const size_t keep = IncompleteTail(data, length);
    vterm_input_write(vt_, reinterpret_cast<const char*>(data), length - keep);
    carry_.assign(reinterpret_cast<const char*>(data) + length - keep, keep);
    vterm_screen_flush_damage(screen_);
  }

  ScreenSnapshot Snapshot() const {
    ScreenSnapshot snapshot;
    for (int row = 0; row < kRows; ++row) {
      std::u32string cells;
      for (int column = 0; column < kColumns; ++column) {
        VTermScreenCell cell;
        vterm_screen_get_cell(screen_, VTermPos{row, column}, &cell);
        cells += cell.chars[0] == 0 ? U' ' : static_cast<char32_t>(cell.chars[0]);
        if (cell.width == 2 && column + 1 < kColumns) {
          cells += kRightHalf;
          ++column;
        }
      }
      snapshot.rows.push_back(std::move(cells));
    }
    VTermPos cursor;
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &cursor);
    snapshot.cursorRow = cursor.row;
    snapshot.cursorColumn = cursor.col;
    snapshot.damageReported = damaged_ && damage_.start_row >= 0 && damage_.end_row <= kRows &&
                              damage_.start_col >= 0 && damage_.end_col <= kColumns;
    snapshot.cursorReported = cursorMoved_;
    return snapshot;
  }

 private:
  void Record(const VTermRect& rect) {
    if (!damaged_) {
      damage_ = rect;
      damaged_ = true;
      return;
    }
    damage_.start_row = std::min(damage_.start_row, rect.start_row);
    damage_.start_col = std::min(damage_.start_col, rect.start_col);
    damage_.end_row = std::max(damage_.end_row, rect.end_row);
    damage_.end_col = std::max(damage_.end_col, rect.end_col);
  }
  static int Damage(VTermRect rect, void* user) {
    static_cast<CVtermTerminal*>(user)->Record(rect);
    return 1;
  }
  // A view repaints the destination of a scroll rather than blitting it.
  static int MoveRect(VTermRect dest, VTermRect /*src*/, void* user) {
    static_cast<CVtermTerminal*>(user)->Record(dest);
    return 1;
  }
  static int MoveCursor(VTermPos /*pos*/, VTermPos /*oldpos*/, int /*visible*/, void* user) {
    static_cast<CVtermTerminal*>(user)->cursorMoved_ = true;
    return 1;
  }
  static int PushLine(int cols, const VTermScreenCell* cells, void* user) {
    auto* self = static_cast<CVtermTerminal*>(user);
    const size_t count = static_cast<size_t>(std::min(cols, kColumns));
    std::copy(cells, cells + count,
              self->scrollback_.begin() + static_cast<ptrdiff_t>(self->nextLine_ * kColumns));
    self->nextLine_ = (self->nextLine_ + 1) % kScrollback;
    return 1;
  }

  static size_t SequenceLength(char lead) {
    const auto byte = static_cast<uint8_t>(lead);
    if (byte >= 0xF0) return 4;
    if (byte >= 0xE0) return 3;
    if (byte >= 0xC0) return 2;
    return 1;
  }
  // Bytes at the end that begin a UTF-8 sequence without finishing it.
  static size_t IncompleteTail(const uint8_t* data, size_t length) {
    for (size_t back = 1; back <= 3 && back <= length; ++back) {
      const uint8_t byte = data[length - back];
      if ((byte & 0xC0) == 0x80) continue;
      const bool incomplete = byte >= 0xC0 && SequenceLength(static_cast<char>(byte)) > back;
      return incomplete ? back : 0;
    }
    return 0;
  }

  VTerm* vt_ = nullptr;
  VTermScreen* screen_ = nullptr;
  VTermRect damage_{};
  bool damaged_ = false;
  bool cursorMoved_ = false;
  std::vector<VTermScreenCell> scrollback_;
  size_t nextLine_ = 0;
  std::string carry_;
};

// Seconds to feed the whole input in chunks to a fresh terminal; the terminal's construction
// and reset are not timed.
template <typename Terminal>
double FeedSeconds(const std::string& input, size_t chunk, ScreenSnapshot& snapshot) {
  const auto* data = reinterpret_cast<const uint8_t*>(input.data());
  Terminal terminal;
  const auto start = std::chrono::steady_clock::now();
  for (size_t offset = 0; offset < input.size(); offset += chunk) {
    terminal.Feed(data + offset, std::min(chunk, input.size() - offset));
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  snapshot = terminal.Snapshot();
  return elapsed.count();
}

std::string RowText(const std::u32string& cells) {
  std::string text;
  for (char32_t code : cells) {
    if (code != kRightHalf) ostrane::AppendUtf8(text, code);
  }
  return text;
}

// Prints why the two final screens differ; true when they agree.
bool SameScreen(const char* name, const ScreenSnapshot& ours, const ScreenSnapshot& theirs) {
  bool same = true;
  for (const auto& [side, snapshot] : {std::pair{"ours", &ours}, std::pair{"libvterm", &theirs}}) {
    if (!snapshot->damageReported) {
      std::printf("check %s: %s reported no damage, or damage outside the screen\n", name, side);
      same = false;
    }
    if (!snapshot->cursorReported) {
      std::printf("check %s: %s never reported the cursor moving\n", name, side);
      same = false;
    }
  }
  if (ours.cursorRow != theirs.cursorRow || ours.cursorColumn != theirs.cursorColumn) {
    std::printf("check %s: cursor ours (%d,%d) libvterm (%d,%d)\n", name, ours.cursorRow,
                ours.cursorColumn, theirs.cursorRow, theirs.cursorColumn);
    same = false;
  }
  for (int row = 0; row < kRows; ++row) {
    const std::u32string& mine = ours.rows[static_cast<size_t>(row)];
    const std::u32string& other = theirs.rows[static_cast<size_t>(row)];
    if (mine != other) {
      std::printf("check %s: row %d differs\n  ours     |%s|\n  libvterm |%s|\n", name, row,
                  RowText(mine).c_str(), RowText(other).c_str());
      same = false;
      break;
    }
  }
  return same;
}

void Usage() {
  std::fprintf(
      stderr,
      "usage: terminal_throughput [--scale X] [--chunk BYTES] [--reps N] [--input NAME]"
      " [--term-id N] [--ours-only]\n"
      "  --scale X     input sizes times X (default 1: plain 100 MB, sgr 100 MB, utf8 20 MB)\n"
      "  --chunk BYTES bytes per delivery to each terminal (default 2048)\n"
      "  --reps N      timed repetitions, the best counts (default 3)\n"
      "  --input NAME  only plain, sgr, utf8 or sgr256\n"
      "  --term-id N   our side runs as terminal type N (6: xterm-256color)\n"
      "  --ours-only   skip libvterm (for profiling our side)\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--scale" && hasValue) {
      options.scale = std::strtod(argv[++i], nullptr);
      if (!(options.scale > 0 && options.scale <= 100)) return false;
    } else if (arg == "--chunk" && hasValue) {
      const long chunk = std::strtol(argv[++i], nullptr, 10);
      if (chunk < 1 || chunk > (1 << 24)) return false;
      options.chunk = static_cast<size_t>(chunk);
    } else if (arg == "--reps" && hasValue) {
      options.repetitions = static_cast<int>(std::strtol(argv[++i], nullptr, 10));
      if (options.repetitions < 1 || options.repetitions > 100) return false;
    } else if (arg == "--input" && hasValue) {
      options.only = argv[++i];
      if (std::none_of(std::begin(kInputs), std::end(kInputs),
                       [&](const Input& input) { return options.only == input.name; })) {
        return false;
      }
    } else if (arg == "--term-id" && hasValue) {
      options.termId = static_cast<int>(std::strtol(argv[++i], nullptr, 10));
      if (options.termId < 0 || options.termId > 6) return false;
    } else if (arg == "--ours-only") {
      options.oursOnly = true;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    Usage();
    return 2;
  }
  ostrane::platform::SetSystemCodePage(ostrane::platform::kCodePageUtf8);
  gTermId = options.termId;

  std::printf("chunk %zu bytes, best of %d, MB = 10^6 bytes\n", options.chunk, options.repetitions);
  std::printf("%-6s %12s %12s %14s %10s\n", "input", "bytes", "ours MB/s", "libvterm MB/s",
              "ours/vt");
  std::vector<std::pair<const char*, double>> ratios;
  bool allSame = true;
  for (const Input& input : kInputs) {
    if (!options.only.empty() && options.only != input.name) continue;
    const auto target = static_cast<size_t>(input.megabytes * kMegabyte * options.scale);
    const std::string bytes = input.make(target);
    const double megabytes = static_cast<double>(bytes.size()) / kMegabyte;

    // The two sides take turns, so a change in the machine's speed during the run falls on both.
    double ourBest = 0;
    double theirBest = 0;
    ScreenSnapshot ours;
    ScreenSnapshot theirs;
    for (int rep = 0; rep < options.repetitions; ++rep) {
      const double ourSeconds = FeedSeconds<COurTerminal>(bytes, options.chunk, ours);
      if (rep == 0 || ourSeconds < ourBest) ourBest = ourSeconds;
      if (options.oursOnly) continue;
      const double theirSeconds = FeedSeconds<CVtermTerminal>(bytes, options.chunk, theirs);
      if (rep == 0 || theirSeconds < theirBest) theirBest = theirSeconds;
    }
    const double ourRate = megabytes / ourBest;
    if (options.oursOnly) {
      std::printf("%-6s %12zu %12.1f\n", input.name, bytes.size(), ourRate);
      continue;
    }
    const double theirRate = megabytes / theirBest;
    const double ratio = ourRate / theirRate;
    std::printf("%-6s %12zu %12.1f %14.1f %10.3f\n", input.name, bytes.size(), ourRate, theirRate,
                ratio);
    std::fflush(stdout);
    ratios.emplace_back(input.name, ratio);
    allSame = SameScreen(input.name, ours, theirs) && allSame;
  }
  for (const auto& [name, ratio] : ratios) std::printf("ratio %s %.3f\n", name, ratio);
  return allSame ? 0 : 1;
}
