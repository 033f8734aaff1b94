// The dispatch tables of the terminal: C0 and C1 controls, escape sequences and control
// sequences, one row per function, keyed by its packed identifier and named by its DEC or
// ECMA-48 mnemonic. Reading them tells what the terminal supports; tests walk them.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "emulator/control_params.h"
#include "emulator/vt_id.h"

namespace ostrane {

class CVT420Emulator;

struct ControlRow {
  uint8_t code;
  const char* mnemonic;
  void (*handler)(CVT420Emulator&);
};

// How strictly a row's identifier must match.
enum class Match : uint8_t {
  kExact,
  // Also taken, when no row has the sequence's exact identifier, for the same final with any
  // markers or intermediates: a function listed without them ignores those present.
  kIgnoresIntermediates,
};

struct SequenceRow {
  VtId id;
  const char* mnemonic;
  void (*handler)(CVT420Emulator&, const CControlParams&);  // nullptr: accepted, does nothing
  Match match = Match::kExact;
};

// Finds the sequence row for an identifier: the row with exactly that identifier, else the
// final's row without intermediates when it ignores them. The rows of each final are chained,
// so a look-up compares only the few rows that share the final.
class CSequenceIndex {
 public:
  explicit CSequenceIndex(std::span<const SequenceRow> rows);
  const SequenceRow* Find(VtId id) const;

 private:
  static constexpr uint8_t kEnd = 0xFF;
  std::span<const SequenceRow> rows_;
  std::array<uint8_t, 256> first_;
  std::array<uint8_t, 256> next_;
  // The row of each final without markers or intermediates: the commonest look-up, in one step.
  std::array<uint8_t, 256> plain_;
};

class CEmulatorDispatch {
 public:
  static std::span<const ControlRow> Controls();
  static std::span<const SequenceRow> Escapes();
  static std::span<const SequenceRow> Sequences();

 private:
  static const ControlRow kControls[];
  static const SequenceRow kEscapes[];
  static const SequenceRow kSequences[];
};

}  // namespace ostrane
