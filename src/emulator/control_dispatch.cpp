// The dispatch tables: C0 and C1 controls, escape sequences and control sequences, one row per
// function with its DEC or ECMA-48 mnemonic.
#include <array>

#include "emulator/vt420_emulator.h"

namespace ostrane {

class CEmulatorDispatch {
 public:
  using Handler = void (*)(CVT420Emulator&, const CControlParams&);

  struct ControlRow {
    uint8_t code;
    const char* mnemonic;
    void (*handler)(CVT420Emulator&);
  };

  // intermediate: 0 = any intermediates, kNone = only with none, else that character present.
  static constexpr char kNone = '\x01';
  struct SequenceRow {
    uint8_t final;
    char intermediate;
    const char* mnemonic;
    Handler handler;  // nullptr: accepted, does nothing
  };

  static const ControlRow kControls[];
  static const SequenceRow kEscapes[];
  static const SequenceRow kSequences[];

  // `first` holds the first row of each final, so a search starts there.
  using FinalIndex = std::array<uint8_t, 256>;
  static FinalIndex IndexFinals(const SequenceRow* rows, size_t count) {
    FinalIndex index;
    index.fill(0xFF);
    for (size_t i = count; i-- > 0;) index[rows[i].final] = static_cast<uint8_t>(i);
    return index;
  }

  static const SequenceRow* Find(const SequenceRow* rows, size_t count, const FinalIndex& first,
                                 uint8_t final, const CControlParams& p) {
    for (size_t i = first[final]; i < count; ++i) {
      const SequenceRow& row = rows[i];
      if (row.final != final) continue;
      if (row.intermediate == 0 || (row.intermediate == kNone && !p.HasAny()) ||
          (row.intermediate != kNone && p.Has(row.intermediate)))
        return &row;
    }
    return nullptr;
  }
};

using E = CVT420Emulator;
using P = CControlParams;

const CEmulatorDispatch::ControlRow CEmulatorDispatch::kControls[] = {
    {0x05, "ENQ", [](E& e) { e.AnswerBack(); }},
    {0x07, "BEL",
     [](E& e) {
       if (e.settings_.Int(S::WarningBell) && e.events_) e.events_->Bell();
     }},
    {0x08, "BS", [](E& e) { e.CursorLeft(1); }},
    {0x09, "HT", [](E& e) { e.HorizontalTab(); }},
    {0x0A, "LF", [](E& e) { e.LineFeed(false, 0x0A); }},
    {0x0B, "VT", [](E& e) { e.LineFeed(false, 0x0B); }},
    {0x0C, "FF", [](E& e) { e.LineFeed(false, 0x0C); }},
    {0x0D, "CR", [](E& e) { e.ReceivedCarriageReturn(); }},
    {0x0E, "SO", [](E& e) { e.charsets_.LockGL(1); }},
    {0x0F, "SI", [](E& e) { e.charsets_.LockGL(0); }},
    {0x18, "CAN",
     [](E& e) {
       e.EnterState(e.settings_.Int(S::AutoRecv) ? ParserState::kZmodemDetect
                                                 : ParserState::kGround);
     }},
    {0x1A, "SUB", [](E& e) { e.EnterState(ParserState::kGround); }},
    {0x1B, "ESC", [](E& e) { e.EnterState(ParserState::kEscape); }},
    {0x84, "IND", [](E& e) { e.CursorDown(1, true, true); }},
    {0x85, "NEL",
     [](E& e) {
       e.CursorDown(1, true, true);
       e.CarriageReturn();
     }},
    {0x88, "HTS", [](E& e) { e.SetTabStop(); }},
    {0x8D, "RI", [](E& e) { e.CursorUp(1, true); }},
    {0x8E, "SS2", [](E& e) { e.charsets_.SingleShift(2); }},
    {0x8F, "SS3", [](E& e) { e.charsets_.SingleShift(3); }},
    {0x90, "DCS", [](E& e) { e.EnterState(ParserState::kDeviceControl); }},
    {0x9A, "DECID", [](E& e) { e.SendPrimaryDeviceAttributes(); }},
    {0x9B, "CSI", [](E& e) { e.EnterState(ParserState::kControlSequence); }},
    {0x9C, "ST", [](E& e) { e.EnterState(ParserState::kGround); }},
};

const CEmulatorDispatch::SequenceRow CEmulatorDispatch::kEscapes[] = {
    {'7', kNone, "DECSC", [](E& e, const P&) { e.SaveCursor(); }},
    {'8', kNone, "DECRC", [](E& e, const P&) { e.RestoreCursor(); }},
    {'3', '#', "DECDHL", [](E& e, const P&) { e.screen_.SetLineSize(e.cursorRow_, 3); }},
    {'4', '#', "DECDHL", [](E& e, const P&) { e.screen_.SetLineSize(e.cursorRow_, 5); }},
    {'5', '#', "DECSWL", [](E& e, const P&) { e.screen_.SetLineSize(e.cursorRow_, 0); }},
    {'6', '#', "DECDWL", [](E& e, const P&) { e.screen_.SetLineSize(e.cursorRow_, 1); }},
    {'8', '#', "DECALN", nullptr},
    {'6', kNone, "DECBI", [](E& e, const P&) { e.CursorLeft(1); }},
    {'9', kNone, "DECFI", [](E& e, const P&) { e.CursorRight(1); }},
    {'=', kNone, "DECKPAM", [](E& e, const P&) { e.SetKeypadMode(0); }},
    {'>', kNone, "DECKPNM", [](E& e, const P&) { e.SetKeypadMode(1); }},
    {'D', kNone, "IND", [](E& e, const P&) { e.CursorDown(1, true, true); }},
    {'E', kNone, "NEL",
     [](E& e, const P&) {
       e.CursorDown(1, true, true);
       e.CarriageReturn();
     }},
    {'H', kNone, "HTS", [](E& e, const P&) { e.SetTabStop(); }},
    {'M', kNone, "RI", [](E& e, const P&) { e.CursorUp(1, true); }},
    {'N', kNone, "SS2", [](E& e, const P&) { e.charsets_.SingleShift(2); }},
    {'O', kNone, "SS3", [](E& e, const P&) { e.charsets_.SingleShift(3); }},
    {'n', kNone, "LS2", [](E& e, const P&) { e.charsets_.LockGL(2); }},
    {'o', kNone, "LS3", [](E& e, const P&) { e.charsets_.LockGL(3); }},
    {'~', kNone, "LS1R", [](E& e, const P&) { e.charsets_.LockGR(1); }},
    {'}', kNone, "LS2R", [](E& e, const P&) { e.charsets_.LockGR(2); }},
    {'|', kNone, "LS3R", [](E& e, const P&) { e.charsets_.LockGR(3); }},
    {'\\', kNone, "ST", nullptr},
    {'Z', kNone, "DECID", [](E& e, const P&) { e.SendPrimaryDeviceAttributes(); }},
    {'c', kNone, "RIS", nullptr},
    {'F', ' ', "S7C1T", nullptr},
    {'G', ' ', "S8C1T", nullptr},
    {'L', ' ', "ANSI level", nullptr},
    {'M', ' ', "ANSI level", nullptr},
    {'N', ' ', "ANSI level", nullptr},
    {']', kNone, "OSC", nullptr},
    {'^', kNone, "PM", nullptr},
    {'_', kNone, "APC", nullptr},
};

const CEmulatorDispatch::SequenceRow CEmulatorDispatch::kSequences[] = {
    {'@', 0, "ICH", [](E& e, const P& p) { e.InsertChars(p.Param(0, 1)); }},
    {'A', 0, "CUU", [](E& e, const P& p) { e.CursorUp(p.Param(0, 1), false); }},
    {'B', 0, "CUD", [](E& e, const P& p) { e.CursorDown(p.Param(0, 1), false, false); }},
    {'C', 0, "CUF", [](E& e, const P& p) { e.CursorRight(p.Param(0, 1)); }},
    {'D', 0, "CUB", [](E& e, const P& p) { e.CursorLeft(p.Param(0, 1)); }},
    {'H', 0, "CUP", [](E& e, const P& p) { e.MoveTo(p.Param(0, 1), p.Param(1, 1)); }},
    {'f', 0, "HVP", [](E& e, const P& p) { e.MoveTo(p.Param(0, 1), p.Param(1, 1)); }},
    {'J', '?', "DECSED", [](E& e, const P& p) { e.SelectiveEraseInDisplay(p.Param(0, 0)); }},
    {'J', 0, "ED", [](E& e, const P& p) { e.EraseInDisplay(p.Param(0, 0)); }},
    {'K', '?', "DECSEL", [](E& e, const P& p) { e.SelectiveEraseInLine(p.Param(0, 0)); }},
    {'K', 0, "EL", [](E& e, const P& p) { e.EraseInLine(p.Param(0, 0)); }},
    {'L', 0, "IL", [](E& e, const P& p) { e.InsertLines(p.Param(0, 1)); }},
    {'M', 0, "DL", [](E& e, const P& p) { e.DeleteLines(p.Param(0, 1)); }},
    {'P', ' ', "PPA",
     [](E& e, const P& p) {
       if (!p.Omitted(0)) e.SelectPageAbsolute(p.Param(0, 0), false);
     }},
    {'P', 0, "DCH", [](E& e, const P& p) { e.DeleteChars(p.Param(0, 1)); }},
    {'Q', ' ', "PPR", [](E& e, const P& p) { e.PageRelative(p.Param(0, 1), false); }},
    {'R', ' ', "PPB", [](E& e, const P& p) { e.PageRelative(-int64_t{p.Param(0, 1)}, false); }},
    {'S', 0, "SU", nullptr},
    {'T', 0, "SD", nullptr},
    {'U', 0, "NP", [](E& e, const P& p) { e.PageRelative(p.Param(0, 1), true); }},
    {'V', 0, "PP", [](E& e, const P& p) { e.PageRelative(-int64_t{p.Param(0, 1)}, true); }},
    {'X', 0, "ECH", [](E& e, const P& p) { e.EraseChars(p.Param(0, 1)); }},
    {'c', 0, "DA", [](E& e, const P&) { e.DeviceAttributes(); }},
    {'g', 0, "TBC", [](E& e, const P& p) { e.TabClear(p.Param(0, 0)); }},
    {'h', 0, "SM", [](E& e, const P&) { e.SetModes(true); }},
    {'l', 0, "RM", [](E& e, const P&) { e.SetModes(false); }},
    {'i', 0, "MC", [](E& e, const P&) { e.MediaCopy(); }},
    {'m', 0, "SGR", [](E& e, const P&) { e.SelectGraphicRendition(); }},
    {'n', 0, "DSR", [](E& e, const P&) { e.DeviceStatusReport(); }},
    {'p', '!', "DECSTR", [](E& e, const P&) { e.SoftReset(); }},
    {'p', '"', "DECSCL", nullptr},
    {'p', '$', "DECRQM", nullptr},
    {'p', '+', "DECSR", nullptr},
    {'q', '"', "DECSCA", [](E& e, const P&) { e.SelectCharacterProtection(); }},
    {'q', '*', "DECSR", [](E& e, const P&) { e.SoftReset(); }},
    {'q', '+', "DECELF", nullptr},
    {'r', '$', "DECCARA", [](E& e, const P&) { e.RectangleFunction('r'); }},
    {'r', kNone, "DECSTBM", [](E& e, const P&) { e.SetTopBottomMargins(); }},
    {'s', 0, "DECSLRM", [](E& e, const P&) { e.SetLeftRightMargins(); }},
    {'t', '$', "DECRARA", [](E& e, const P&) { e.RectangleFunction('t'); }},
    {'t', kNone, "DECSLPP",
     [](E& e, const P& p) {
       if (!p.Omitted(0)) e.ChangePageSize(p.Param(0, 0), -1);
     }},
    {'u', '$', "DECRQTSR", nullptr},
    {'u', '&', "DECRQUPSS", nullptr},
    {'w', '$', "DECRQPSR", nullptr},
    {'w', '&', "DECRQPSR", nullptr},
    {'v', '$', "DECCRA", [](E& e, const P&) { e.RectangleFunction('v'); }},
    {'x', '$', "DECFRA", [](E& e, const P&) { e.RectangleFunction('x'); }},
    {'x', '*', "DECSACE", [](E& e, const P& p) { e.rectangleExtent_ = p.Param(0, 0) == 2; }},
    {'y', 0, "DECRQCRA", nullptr},
    {'z', '$', "DECERA", [](E& e, const P&) { e.RectangleFunction('z'); }},
    {'z', '*', "DECINVM", nullptr},
    {'{', '$', "DECSERA", [](E& e, const P&) { e.RectangleFunction('{'); }},
    {'|', '$', "DECSCPP",
     [](E& e, const P& p) {
       if (!p.Omitted(0)) e.ChangePageSize(-1, p.Param(0, 0));
     }},
    {'|', '*', "DECSNLS", nullptr},
    {'}', '$', "DECSASD", [](E& e, const P& p) { e.SelectStatusDisplay(p.Param(0, 0)); }},
    {'}', '\'', "DECIC", [](E& e, const P& p) { e.InsertColumns(p.Param(0, 1)); }},
    {'}', '=', "", nullptr},
    {'~', '$', "DECSSDT", [](E& e, const P& p) { e.SelectStatusLineType(p.Param(0, 1)); }},
    {'~', '\'', "DECDC", [](E& e, const P& p) { e.DeleteColumns(p.Param(0, 1)); }},
};

void CVT420Emulator::ExecuteControl(uint8_t code) {
  // Index by code: C0 is 0x00-0x1F and C1 0x80-0x9F; built once from the table.
  static const auto kIndex = [] {
    std::array<const CEmulatorDispatch::ControlRow*, 256> index{};
    for (const auto& row : CEmulatorDispatch::kControls) index[row.code] = &row;
    return index;
  }();
  if (const auto* row = kIndex[code]) row->handler(*this);
}

void CVT420Emulator::DispatchEscape(uint8_t final) {
  using D = CEmulatorDispatch;
  static const D::FinalIndex kFirst = D::IndexFinals(D::kEscapes, std::size(D::kEscapes));
  if (charsets_.DispatchDesignation(params_, final, softFont_)) return;
  const auto* row = D::Find(D::kEscapes, std::size(D::kEscapes), kFirst, final, params_);
  if (row && row->handler) row->handler(*this, params_);
}

void CVT420Emulator::DispatchControlSequence(uint8_t final) {
  using D = CEmulatorDispatch;
  static const D::FinalIndex kFirst = D::IndexFinals(D::kSequences, std::size(D::kSequences));
  const auto* row = D::Find(D::kSequences, std::size(D::kSequences), kFirst, final, params_);
  if (row && row->handler) row->handler(*this, params_);
}

}  // namespace ostrane
