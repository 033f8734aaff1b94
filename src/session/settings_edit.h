// The rules of the settings dialog that need no window: how an edited copy goes back into an
// open session, and the lists whose entries do not store their own index.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "keyboard/key_map.h"
#include "settings/settings_set.h"

namespace ostrane {

// Copies into live what the user changed: every integer, text, array element and binary byte
// where edited differs from snapshot (the session's settings when the dialog opened). Modes the
// host set meanwhile differ from the snapshot in live, not in edited, so they stay. Each copy
// goes through live's change hook, which raises the groups of change. True when anything was
// copied.
bool ApplyEditedSettings(const CSettingsSet& snapshot, const CSettingsSet& edited,
                         CSettingsSet& live, CSettingsChange& change);
// The user's key map (direct table and entries) of edited replaces live's when it differs from
// snapshot; keys the host defined for the session stay. True when it was replaced.
bool ApplyEditedKeyMap(const CKeyMap& snapshot, const CKeyMap& edited, CKeyMap& live);

// "Page Arrangement": choice i stores Pages and Lines.
struct PageArrangement {
  int pages;
  int lines;
  const char* text;
};
inline constexpr PageArrangement kPageArrangements[] = {
    {6, 24, "24 Lines, 6 Pages"}, {5, 25, "25 Lines, 5 Pages"}, {4, 36, "36 Lines, 4 Pages"},
    {3, 48, "48 Lines, 3 Pages"}, {2, 72, "72 Lines, 2 Pages"}, {1, 144, "144 Lines, 1 Page"},
};
// The choice shown for the stored Pages (6 - Pages); -1 for a value no choice has.
int PageArrangementIndex(int pages);

// "Terminal ID": eight entries for the seven TermID values; the VT520 entry answers as a VT420,
// the closest identity this terminal has.
inline constexpr const char* kTermIdChoices[] = {"VT520 ID", "VT420 ID",           "VT320 ID",
                                                 "VT220 ID", "VT102 ID",           "VT101 ID",
                                                 "VT100 ID", "xterm (256 colours)"};
int TermIdOfChoice(int index);
int TermIdChoice(int termId);  // -1 for a value outside 0..6

// The character sets offered as primary and secondary sets: ASCII and the 8-bit sets. The DEC
// sets are designated by the host and stand for these choices, so they are not offered.
inline constexpr int kCharsetChoices[] = {0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
int CharsetChoice(int code);  // -1 for a code not in the list

// The parity list ("No Parity", "Even", "Odd", "Mark", "Space") and the serial line's values.
int ParityOfChoice(int index);
int ParityChoice(int parity);

// "COMn" (any case, n decimal) to the port index n - 1, at least 0; nullopt for other text.
std::optional<int> SerialPortIndex(std::string_view text);
std::string SerialPortName(int index);

}  // namespace ostrane
