// CVT420Emulator: the VT420-class terminal object. Received bytes go through the parser into the
// control functions, the character sets and the screen buffer; replies go to the events sink.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/charset_state.h"
#include "emulator/control_params.h"
#include "emulator/printer_controller_filter.h"
#include "emulator/rendition_memo.h"
#include "emulator/soft_font.h"
#include "emulator/terminal.h"
#include "emulator/vt_parser.h"
#include "emulator/xterm_palette.h"

namespace ostrane {

// What the terminal does with the next received byte: the parser's states, and the two side
// paths that take the raw stream for a while.
enum class ParserState : uint8_t {
  kGround = 0,
  kEscape = 1,
  kControlSequence = 2,
  kDeviceControl = 3,
  kPrinterController = 4,
  kZmodemDetect = 5,
  kHostString = 6,
};

enum class PrintMode : uint8_t { kNone = 0, kAutoPrint = 1, kPrinterController = 2 };

// The TermID of the xterm-compatible type: host strings, extended renditions, the alternate
// screen. The VT types (0-5) never take these paths.
inline constexpr int kXtermTermId = 6;

// One SGR parameter applied to an attribute word, by the VT rules.
uint16_t ApplyRenditionValue(uint16_t word, int32_t value);

// The parser's sink comes first among the bases, so its calls need no this-adjusting thunk.
class CVT420Emulator final : private IVtParserSink, public CTerminal {
 public:
  CVT420Emulator();
  ~CVT420Emulator() override;

  void Reset() override;
  void ReceiveByte(uint8_t byte) override;
  void ReceiveBytes(const uint8_t* data, size_t length) override;
  void KeyDown(int virtualKey, int repeat, bool extended, const KeyboardState& state) override;
  void KeyUp(int virtualKey) override;
  void KeyChar(char16_t ch) override;
  void ApplyChanges(CSettingsChange& change) override;
  char16_t TranslateChar(uint8_t byte) override;
  std::string EncodeChar(char16_t ch) const override;
  void SoftReset() override;

  // The "Clear Display" command: every page blank, the cursor at the top left.
  void ClearDisplay();

  ParserState State() const;
  PrintMode GetPrintMode() const { return printMode_; }
  bool StatusLineActive() const { return statusActive_; }
  const CCharsetState& Charsets() const { return charsets_; }
  const CSoftFont& SoftFont() const { return softFont_; }
  uint16_t CurrentAttribute() const { return attr_; }
  int TopMargin() const { return top_; }
  int BottomMargin() const { return bottom_; }
  int LeftMargin() const { return left_; }
  int RightMargin() const { return right_; }
  bool OriginMode() const { return originMode_; }
  const CellExtra& CurrentExtra() const { return extra_; }
  bool AlternateScreen() const { return altScreen_; }
  // The title the host set (OSC 0 or 2); empty until it sets one.
  const std::string& HostTitle() const { return hostTitle_; }
  // Colours the host set with OSC 4, 10, 11 and 12 (xterm type).
  const HostPalette& HostColours() const { return hostPalette_; }

 private:
  // The private members and the handler families live in the emulator's .cpp files.
  friend class CEmulatorDispatch;
  friend class CVtParserFor<CVT420Emulator>;

  // The parser's sink.
  void Print(const uint8_t* bytes, size_t length, bool ascii) override;
  bool GraphicC1() override;
  void Execute(uint8_t code) override;
  void EscDispatch(VtId id, const CControlParams& params) override;
  void CsiDispatch(VtId id, const CControlParams& params) override;
  bool RememberedRendition(uint64_t text) override;
  void SelectGraphicRendition(const CControlParams& params, std::optional<uint64_t> text) override;
  bool DcsHook(VtId id, const CControlParams& params) override;
  void DcsUnhook(VtId id, const CControlParams& params, std::string_view data) override;
  void OscDispatch(std::string_view data) override;
  void ColourCommand(int command, std::string_view text);
  uint32_t IndexedColour(int index) const;
  uint32_t DynamicColour(int which) const;

  // The xterm type's additions (xterm_functions.cpp).
  void UpdateTerminalType();
  // The rendition memo is shared by both rule sets; the xterm type's entries are kept apart by
  // a bit that no packed parameter text has (it holds at most seven bytes).
  uint64_t RenditionKey(uint64_t text) const { return xterm_ ? text | uint64_t{1} << 63 : text; }
  void XtermRendition(const CControlParams& params);
  // Sets or clears attr::kExtended of the current rendition as the extra holds anything.
  void MarkExtended();
  // Sets the foreground or background as the host means it: with reverse on it lands in the
  // other field. `nibble` is a palette index of the word, `extended` a colour:: value or 0.
  void SetHostColour(bool foreground, int nibble, uint32_t extended);
  size_t ExtendedColour(const CControlParams& params, int i, uint32_t& colour) const;
  void SetAlternateScreen(bool on, bool clear);
  // RIS of the xterm type: everything reset, the screen cleared, the cursor home.
  void FullReset();
  // Erased cells take the current background (the xterm type's terminal description says so).
  // It is worked out when something is about to be erased, not at every rendition.
  void UpdateEraseRendition();
  void PrepareErase() {
    if (xterm_) UpdateEraseRendition();
  }
  // Absolute row or column (1-based, as CUP counts them), the other coordinate kept.
  void CursorToColumn(int column);
  void CursorToRow(int row);
  void BackTab(int n);
  void RepeatCharacter(int n);
  void WindowOperation(const CControlParams& params);
  void SetHostTitle(std::string title);
  void TitleStack(bool push, int which);
  void SetCursorStyle(int n);
  void RequestMode(int number, bool isPrivate);
  void SendVersion();
  void RequestStatusString(std::string_view request);
  void RequestChecksum(const CControlParams& params);
  bool SetXtermMode(int number, bool set);

  // Received bytes through the side paths and the parser, without telling the views.
  void ReceiveChunk(const uint8_t* data, size_t length);
  void RawByte(uint8_t byte);
  void Route(const uint8_t* data, size_t length);
  // The parser in Ground and no side path taking the stream.
  void EnterGround();
  void CancelReceived();
  void PrinterControllerByte(uint8_t byte);
  void ZmodemDetectByte(uint8_t byte);
  void DisplayControlsByte(uint8_t byte);
  void DebugCaptureByte(uint8_t byte);
  // The caller knows that GL passes ASCII through; `plain`: PlainText() is known to hold, so
  // only the cursor's state is checked.
  size_t PrintAsciiRun(const uint8_t* data, size_t length, bool ascii, bool plain);
  // No capture, no insert mode, the main display and GL passing ASCII through: the state in
  // which a run of plain ASCII is written straight to the row.
  bool PlainText() const {
    return !capture_ && !insertMode_ && !statusActive_ && charsets_.GlIsIdentity();
  }
  // A run, or the rest of one, byte by byte where need be; `glPassesAscii`: already known
  // that GL passes plain ASCII through.
  void PrintMixed(const uint8_t* bytes, size_t length, bool ascii, bool glPassesAscii);
  size_t DecodeUtf8Sequence(const uint8_t* data, size_t length);
  // Keyboard: one press of a normalised PC key.
  void HandleKey(int pcKey, uint8_t flags, bool numLockOn);
  void SendKeyboardOutput(const std::string& bytes);

  int Columns() const;
  void RegionColumns(int& first, int& last) const;
  bool InsideColumnMargins() const { return cursorCol_ >= left_ && cursorCol_ <= right_; }
  // The last column the cursor can reach on its row: the right margin when the cursor is at or
  // left of it, else the last column; a double-width or double-height row holds half as many.
  int LastColumn() const {
    const int last = cursorCol_ <= right_ ? right_ : Columns() - 1;
    return screen_.PageRowSize(cursorRow_) ? std::min(last, HalfRowLast()) : last;
  }
  int HalfRowLast() const;
  // ESC # 3..6 on the cursor row; a cursor past the half a double-size row holds moves back.
  void SetCursorLineSize(int code);
  // Cursor primitives.
  void SetCursor(int row, int column);
  void MoveTo(int row, int column);
  void Home();
  void CursorUp(int n, bool scroll);
  void CursorDown(int n, bool scroll, bool toHistory);
  void CursorLeft(int n);
  void CursorRight(int n);
  void ScrollUp(int n, bool toHistory);
  void ScrollDown(int n);
  void CarriageReturn();
  void LineFeed(bool viaCR, uint8_t code);
  void SetMargins(int top, int bottom, int left, int right);
  void ChangePageSize(int lines, int columns);

  // Character output and controls.
  void OutputChar(char16_t code);
  void HorizontalTab();
  void ReceivedCarriageReturn();

  // Escape and control-sequence functions.
  void SaveCursor();
  void RestoreCursor();
  void EraseInDisplay(int n);
  void EraseInLine(int n);
  void SelectiveEraseInDisplay(int n);
  void SelectiveEraseInLine(int n);
  void InsertLines(int n);
  void DeleteLines(int n);
  void InsertChars(int n);
  void DeleteChars(int n);
  void EraseChars(int n);
  void SetModes(const CControlParams& params, bool set, bool isPrivate);
  void SelectPageAbsolute(int page, bool homeCursor);
  void PageRelative(int64_t delta, bool homeCursor);
  void SetTabStop();
  void SetKeypadMode(int numeric);
  uint16_t ApplyRendition(uint16_t word, const CControlParams& params, int first) const;
  void MediaCopy(int n);
  void DeviceStatusReport(int n);
  void SetTopBottomMargins(const CControlParams& params);
  void SetLeftRightMargins(const CControlParams& params);
  void SelectCharacterProtection(int n);
  void RectangleFunction(uint8_t final, const CControlParams& params);
  void InsertColumns(int n);
  void DeleteColumns(int n);
  void SelectStatusDisplay(int n);
  void SelectStatusLineType(int n);
  void TabClear(int n);
  void SendPrimaryDeviceAttributes();
  void SendSecondaryDeviceAttributes();
  void SendUnitId();
  void AnswerBack();

  struct SavedCursor {
    explicit SavedCursor(CSettingsSet& settings) : charsets(settings) {}
    int row = 0;
    int column = 0;
    int cursorVisible = 1;
    int cursorType = 0;
    uint16_t attribute = 0x0700;
    CellExtra extra;
    CCharsetState charsets;
  };

  CVtParserFor<CVT420Emulator> parser_{*this};
  // A side path that takes the raw stream instead of the parser.
  enum class Diversion : uint8_t { kNone, kPrinterController, kZmodemDetect };
  Diversion diversion_ = Diversion::kNone;
  uint8_t zmodemMatched_ = 0;
  CPrinterControllerFilter printerFilter_;

  CCharsetState charsets_{settings_};
  CSoftFont softFont_;
  bool wrapPending_ = false;
  // PlainText() as Print last found it. Only a control function, a setting or a capture can
  // change its answer, and none of those is a rendition: every other call of the parser, the
  // byte-by-byte print path and each new chunk clear it.
  bool plainText_ = false;
  uint16_t attr_ = 0x0700;
  CRenditionMemo renditions_;
  // xterm type only: the extra colours and styles of what is printed (attr::kExtended is set in
  // attr_ exactly while it is not empty), the alternate screen and its saved cursor.
  bool xterm_ = false;
  CellExtra extra_;
  bool altScreen_ = false;
  std::string hostTitle_;
  // Titles saved by the host (CSI 22 t), the newest last.
  std::vector<std::string> titleStack_;
  HostPalette hostPalette_;
  // The last graphic character printed, for REP.
  char16_t lastChar_ = 0;
  bool insertMode_ = false;
  int top_ = 0;
  int bottom_ = 23;
  int left_ = 0;
  int right_ = 79;
  bool originMode_ = false;
  bool rectangleExtent_ = true;
  PrintMode printMode_ = PrintMode::kNone;
  SavedCursor saved_{settings_};
  // The saved cursor of the screen not shown: each screen has its own.
  SavedCursor otherSaved_{settings_};
  bool statusActive_ = false;
  int statusColumn_ = 0;
  int mainRow_ = 0;
  int mainColumn_ = 0;
  // Set by a key press the key map left alone: the character it makes is to be sent.
  bool charPending_ = false;
};

// Compiled once, in the emulator's own file, beside the sink calls it inlines.
extern template class CVtParserFor<CVT420Emulator>;

}  // namespace ostrane
