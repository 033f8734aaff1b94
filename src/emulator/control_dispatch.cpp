// The dispatch tables and the emulator's side of the parser's dispatch calls.
#include "emulator/control_dispatch.h"

#include <algorithm>

#include "emulator/vt420_emulator.h"

namespace ostrane {

using E = CVT420Emulator;
using P = CControlParams;
constexpr Match kLoose = Match::kIgnoresIntermediates;

const ControlRow CEmulatorDispatch::kControls[] = {
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
    // The parser has already aborted any sequence; with AutoRecv on, "B00" may follow.
    {0x18, "CAN", [](E& e) { e.CancelReceived(); }},
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
    {0x9A, "DECID", [](E& e) { e.SendPrimaryDeviceAttributes(); }},
};

const SequenceRow CEmulatorDispatch::kEscapes[] = {
    {VtId("7"), "DECSC", [](E& e, const P&) { e.SaveCursor(); }},
    {VtId("8"), "DECRC", [](E& e, const P&) { e.RestoreCursor(); }},
    {VtId("#3"), "DECDHL", [](E& e, const P&) { e.SetCursorLineSize(3); }},
    {VtId("#4"), "DECDHL", [](E& e, const P&) { e.SetCursorLineSize(5); }},
    {VtId("#5"), "DECSWL", [](E& e, const P&) { e.SetCursorLineSize(0); }},
    {VtId("#6"), "DECDWL", [](E& e, const P&) { e.SetCursorLineSize(1); }},
    {VtId("#8"), "DECALN", nullptr},
    {VtId("6"), "DECBI", [](E& e, const P&) { e.CursorLeft(1); }},
    {VtId("9"), "DECFI", [](E& e, const P&) { e.CursorRight(1); }},
    {VtId("="), "DECKPAM", [](E& e, const P&) { e.SetKeypadMode(0); }},
    {VtId(">"), "DECKPNM", [](E& e, const P&) { e.SetKeypadMode(1); }},
    {VtId("D"), "IND", [](E& e, const P&) { e.CursorDown(1, true, true); }},
    {VtId("E"), "NEL",
     [](E& e, const P&) {
       e.CursorDown(1, true, true);
       e.CarriageReturn();
     }},
    {VtId("H"), "HTS", [](E& e, const P&) { e.SetTabStop(); }},
    {VtId("M"), "RI", [](E& e, const P&) { e.CursorUp(1, true); }},
    {VtId("N"), "SS2", [](E& e, const P&) { e.charsets_.SingleShift(2); }},
    {VtId("O"), "SS3", [](E& e, const P&) { e.charsets_.SingleShift(3); }},
    {VtId("n"), "LS2", [](E& e, const P&) { e.charsets_.LockGL(2); }},
    {VtId("o"), "LS3", [](E& e, const P&) { e.charsets_.LockGL(3); }},
    {VtId("~"), "LS1R", [](E& e, const P&) { e.charsets_.LockGR(1); }},
    {VtId("}"), "LS2R", [](E& e, const P&) { e.charsets_.LockGR(2); }},
    {VtId("|"), "LS3R", [](E& e, const P&) { e.charsets_.LockGR(3); }},
    {VtId("\\"), "ST", nullptr},
    {VtId("Z"), "DECID", [](E& e, const P&) { e.SendPrimaryDeviceAttributes(); }},
    // The VT types take RIS as a no-op; the xterm type resets fully.
    {VtId("c"), "RIS",
     [](E& e, const P&) {
       if (e.xterm_) e.FullReset();
     }},
    {VtId(" F"), "S7C1T", nullptr},
    {VtId(" G"), "S8C1T", nullptr},
    {VtId(" L"), "ACS", nullptr},  // ANSI conformance levels 1, 2 and 3
    {VtId(" M"), "ACS", nullptr},
    {VtId(" N"), "ACS", nullptr},
    // Not string introducers here: the bytes after them are ordinary input.
    {VtId("]"), "OSC", nullptr},
    {VtId("^"), "PM", nullptr},
    {VtId("_"), "APC", nullptr},
};

const SequenceRow CEmulatorDispatch::kSequences[] = {
    {VtId("@"), "ICH", [](E& e, const P& p) { e.InsertChars(p.Param(0, 1)); }, kLoose},
    {VtId("A"), "CUU", [](E& e, const P& p) { e.CursorUp(p.Param(0, 1), false); }, kLoose},
    {VtId("B"), "CUD", [](E& e, const P& p) { e.CursorDown(p.Param(0, 1), false, false); }, kLoose},
    {VtId("C"), "CUF", [](E& e, const P& p) { e.CursorRight(p.Param(0, 1)); }, kLoose},
    {VtId("D"), "CUB", [](E& e, const P& p) { e.CursorLeft(p.Param(0, 1)); }, kLoose},
    {VtId("H"), "CUP", [](E& e, const P& p) { e.MoveTo(p.Param(0, 1), p.Param(1, 1)); }, kLoose},
    {VtId("f"), "HVP", [](E& e, const P& p) { e.MoveTo(p.Param(0, 1), p.Param(1, 1)); }, kLoose},
    {VtId("J"), "ED", [](E& e, const P& p) { e.EraseInDisplay(p.Param(0, 0)); }, kLoose},
    {VtId("?J"), "DECSED", [](E& e, const P& p) { e.SelectiveEraseInDisplay(p.Param(0, 0)); }},
    {VtId("K"), "EL", [](E& e, const P& p) { e.EraseInLine(p.Param(0, 0)); }, kLoose},
    {VtId("?K"), "DECSEL", [](E& e, const P& p) { e.SelectiveEraseInLine(p.Param(0, 0)); }},
    {VtId("L"), "IL", [](E& e, const P& p) { e.InsertLines(p.Param(0, 1)); }, kLoose},
    {VtId("M"), "DL", [](E& e, const P& p) { e.DeleteLines(p.Param(0, 1)); }, kLoose},
    {VtId(" P"), "PPA",
     [](E& e, const P& p) {
       if (!p.Omitted(0)) e.SelectPageAbsolute(p.Param(0, 0), false);
     }},
    {VtId("P"), "DCH", [](E& e, const P& p) { e.DeleteChars(p.Param(0, 1)); }, kLoose},
    {VtId(" Q"), "PPR", [](E& e, const P& p) { e.PageRelative(p.Param(0, 1), false); }},
    {VtId(" R"), "PPB", [](E& e, const P& p) { e.PageRelative(-int64_t{p.Param(0, 1)}, false); }},
    // SU and SD act only for the xterm type; the VT types accept and ignore them.
    {VtId("S"), "SU",
     [](E& e, const P& p) {
       if (e.xterm_) e.ScrollUp(p.Param(0, 1), false);
     },
     kLoose},
    {VtId("T"), "SD",
     [](E& e, const P& p) {
       if (e.xterm_) e.ScrollDown(p.Param(0, 1));
     },
     kLoose},
    {VtId("U"), "NP", [](E& e, const P& p) { e.PageRelative(p.Param(0, 1), true); }, kLoose},
    {VtId("V"), "PP", [](E& e, const P& p) { e.PageRelative(-int64_t{p.Param(0, 1)}, true); }, kLoose},
    {VtId("X"), "ECH", [](E& e, const P& p) { e.EraseChars(p.Param(0, 1)); }, kLoose},
    {VtId("c"), "DA1", [](E& e, const P&) { e.SendPrimaryDeviceAttributes(); }, kLoose},
    {VtId(">c"), "DA2", [](E& e, const P&) { e.SendSecondaryDeviceAttributes(); }},
    {VtId("=c"), "DA3", [](E& e, const P&) { e.SendUnitId(); }},
    {VtId("g"), "TBC", [](E& e, const P& p) { e.TabClear(p.Param(0, 0)); }, kLoose},
    {VtId("h"), "SM", [](E& e, const P& p) { e.SetModes(p, true, false); }, kLoose},
    {VtId("?h"), "SM", [](E& e, const P& p) { e.SetModes(p, true, true); }},  // DEC private
    {VtId("l"), "RM", [](E& e, const P& p) { e.SetModes(p, false, false); }, kLoose},
    {VtId("?l"), "RM", [](E& e, const P& p) { e.SetModes(p, false, true); }},
    {VtId("i"), "MC", [](E& e, const P& p) { e.MediaCopy(p.Param(0, 0)); }, kLoose},
    {VtId("?i"), "MC", [](E& e, const P& p) { e.MediaCopy(-p.Param(0, 0)); }},  // DEC private
    {VtId("m"), "SGR", [](E& e, const P& p) { e.SelectGraphicRendition(p, std::nullopt); }, kLoose},
    {VtId("n"), "DSR", [](E& e, const P& p) { e.DeviceStatusReport(p.Param(0, 0)); }},
    {VtId("!p"), "DECSTR", [](E& e, const P&) { e.SoftReset(); }},
    {VtId("\"p"), "DECSCL", nullptr},
    {VtId("$p"), "DECRQM",
     [](E& e, const P& p) {
       if (e.xterm_) e.RequestMode(p.Param(0, 0), false);
     }},
    {VtId("?$p"), "DECRQM",  // DEC private modes
     [](E& e, const P& p) {
       if (e.xterm_) e.RequestMode(p.Param(0, 0), true);
     }},
    {VtId("+p"), "DECSR", nullptr},
    {VtId("\"q"), "DECSCA", [](E& e, const P& p) { e.SelectCharacterProtection(p.Param(0, 0)); }},
    {VtId("*q"), "DECSTR", [](E& e, const P&) { e.SoftReset(); }},  // answered as a soft reset
    {VtId("+q"), "DECELF", nullptr},
    {VtId("$r"), "DECCARA", [](E& e, const P& p) { e.RectangleFunction('r', p); }},
    {VtId("r"), "DECSTBM", [](E& e, const P& p) { e.SetTopBottomMargins(p); }},
    {VtId("s"), "DECSLRM", [](E& e, const P& p) { e.SetLeftRightMargins(p); }, kLoose},
    {VtId("$t"), "DECRARA", [](E& e, const P& p) { e.RectangleFunction('t', p); }},
    {VtId("t"), "DECSLPP",  // the xterm type's window operations below 24
     [](E& e, const P& p) {
       if (e.xterm_)
         e.WindowOperation(p);
       else if (!p.Omitted(0))
         e.ChangePageSize(p.Param(0, 0), -1);
     }},
    {VtId("$u"), "DECRQTSR", nullptr},
    {VtId("&u"), "DECRQUPSS", nullptr},
    {VtId("$w"), "DECRQPSR", nullptr},
    {VtId("$v"), "DECCRA", [](E& e, const P& p) { e.RectangleFunction('v', p); }},
    {VtId("$x"), "DECFRA", [](E& e, const P& p) { e.RectangleFunction('x', p); }},
    {VtId("*x"), "DECSACE", [](E& e, const P& p) { e.rectangleExtent_ = p.Param(0, 0) == 2; }},
    {VtId("*y"), "DECRQCRA",
     [](E& e, const P& p) {
       if (e.xterm_) e.RequestChecksum(p);
     }},
    {VtId("y"), "DECTST", nullptr, kLoose},
    {VtId("$z"), "DECERA", [](E& e, const P& p) { e.RectangleFunction('z', p); }},
    {VtId("*z"), "DECINVM", nullptr},
    {VtId("${"), "DECSERA", [](E& e, const P& p) { e.RectangleFunction('{', p); }},
    {VtId("$|"), "DECSCPP",
     [](E& e, const P& p) {
       if (!p.Omitted(0)) e.ChangePageSize(-1, p.Param(0, 0));
     }},
    {VtId("*|"), "DECSNLS", nullptr},
    {VtId("$}"), "DECSASD", [](E& e, const P& p) { e.SelectStatusDisplay(p.Param(0, 0)); }},
    {VtId("'}"), "DECIC", [](E& e, const P& p) { e.InsertColumns(p.Param(0, 1)); }},
    {VtId("$~"), "DECSSDT", [](E& e, const P& p) { e.SelectStatusLineType(p.Param(0, 1)); }},
    {VtId("'~"), "DECDC", [](E& e, const P& p) { e.DeleteColumns(p.Param(0, 1)); }},
    // Functions only the xterm type has; the VT types ignore them as before.
    {VtId("G"), "CHA",
     [](E& e, const P& p) {
       if (e.xterm_) e.CursorToColumn(p.Param(0, 1));
     }},
    {VtId("`"), "HPA",
     [](E& e, const P& p) {
       if (e.xterm_) e.CursorToColumn(p.Param(0, 1));
     }},
    {VtId("a"), "HPR",
     [](E& e, const P& p) {
       if (e.xterm_) e.CursorRight(p.Param(0, 1));
     }},
    {VtId("d"), "VPA",
     [](E& e, const P& p) {
       if (e.xterm_) e.CursorToRow(p.Param(0, 1));
     }},
    {VtId("e"), "VPR",
     [](E& e, const P& p) {
       if (e.xterm_) e.CursorDown(p.Param(0, 1), false, false);
     }},
    {VtId("E"), "CNL",
     [](E& e, const P& p) {
       if (!e.xterm_) return;
       e.CursorDown(p.Param(0, 1), false, false);
       e.CarriageReturn();
     }},
    {VtId("F"), "CPL",
     [](E& e, const P& p) {
       if (!e.xterm_) return;
       e.CursorUp(p.Param(0, 1), false);
       e.CarriageReturn();
     }},
    {VtId("I"), "CHT",
     [](E& e, const P& p) {
       if (!e.xterm_) return;
       for (int n = std::clamp(p.Param(0, 1), 0, kLineWidth); n > 0; --n) e.HorizontalTab();
     }},
    {VtId("Z"), "CBT",
     [](E& e, const P& p) {
       if (e.xterm_) e.BackTab(p.Param(0, 1));
     }},
    {VtId("b"), "REP",
     [](E& e, const P& p) {
       if (e.xterm_) e.RepeatCharacter(p.Param(0, 1));
     }},
    {VtId(" q"), "DECSCUSR",
     [](E& e, const P& p) {
       if (e.xterm_) e.SetCursorStyle(p.Param(0, 0));
     }},
    {VtId(">q"), "XTVERSION",
     [](E& e, const P&) {
       if (e.xterm_) e.SendVersion();
     }},
};

std::span<const ControlRow> CEmulatorDispatch::Controls() {
  return kControls;
}
std::span<const SequenceRow> CEmulatorDispatch::Escapes() {
  return kEscapes;
}
std::span<const SequenceRow> CEmulatorDispatch::Sequences() {
  return kSequences;
}

CSequenceIndex::CSequenceIndex(std::span<const SequenceRow> rows) : rows_(rows) {
  first_.fill(kEnd);
  next_.fill(kEnd);
  plain_.fill(kEnd);
  for (size_t i = rows.size(); i-- > 0;) {
    const uint8_t final = rows[i].id.Final();
    next_[i] = first_[final];
    first_[final] = static_cast<uint8_t>(i);
    if (!rows[i].id.HasPrefix()) plain_[final] = static_cast<uint8_t>(i);
  }
}

const SequenceRow* CSequenceIndex::Find(VtId id) const {
  // Without a prefix only the final's own row can match, exactly.
  if (!id.HasPrefix()) return plain_[id.Final()] == kEnd ? nullptr : &rows_[plain_[id.Final()]];
  const SequenceRow* tolerant = nullptr;
  for (uint8_t i = first_[id.Final()]; i != kEnd; i = next_[i]) {
    const SequenceRow& row = rows_[i];
    if (row.id == id) return &row;
    if (!row.id.HasPrefix() && row.match == Match::kIgnoresIntermediates) tolerant = &row;
  }
  return tolerant;
}

void CVT420Emulator::Execute(uint8_t code) {
  plainText_ = false;
  // Index by code: C0 is 0x00-0x1F and C1 0x80-0x9F; built once from the table.
  static const auto kIndex = [] {
    std::array<const ControlRow*, 256> index{};
    for (const auto& row : CEmulatorDispatch::Controls()) index[row.code] = &row;
    return index;
  }();
  if (const auto* row = kIndex[code]) row->handler(*this);
}

void CVT420Emulator::EscDispatch(VtId id, const CControlParams& params) {
  plainText_ = false;
  static const CSequenceIndex kIndex(CEmulatorDispatch::Escapes());
  if (id.HasPrefix() && charsets_.DispatchDesignation(params, id.Final(), softFont_)) return;
  const SequenceRow* row = kIndex.Find(id);
  if (row && row->handler) row->handler(*this, params);
}

void CVT420Emulator::CsiDispatch(VtId id, const CControlParams& params) {
  // A cursor position, the commonest sequence after renditions, changes nothing Print checks.
  if (!(id == VtId("H"))) plainText_ = false;
  static const CSequenceIndex kIndex(CEmulatorDispatch::Sequences());
  const SequenceRow* row = kIndex.Find(id);
  // The xterm type takes only exact matches: its hosts send many marked sequences of their own
  // ("CSI > 4 ; 2 m", "CSI ? 4 m") that must not act as the unmarked function.
  if (xterm_ && row && !(row->id == id)) return;
  if (row && row->handler) row->handler(*this, params);
}

}  // namespace ostrane
