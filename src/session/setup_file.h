// Setup files: one session's settings set and key map in the binary "OSN V3.00 Setup File"
// form, used for session files and settings templates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ostrane {

class CKeyMap;
class CSettingsSet;

enum class SetupFileStatus {
  kOk,
  kCannotOpen,      // the file could not be opened or read
  kNotSetupFile,    // the first text is no known magic
  kEarlierVersion,  // "OSN V2.01 Setup File" or "OSN V2.50 Setup File"
  kFormatError,     // a type mismatch, a size beyond its entry, a bad reserved byte
  kTruncated,       // the file ends inside a record
  kCannotWrite,
};

inline constexpr std::string_view kSetupFileMagic = "OSN V3.00 Setup File";

// Shown before the open fails when the file comes from an earlier version.
inline constexpr std::string_view kTextEarlierVersion =
    "The file you are loading is saved by a previous version of Ostrane, and its format isn't "
    "supported by this version of Ostrane. Please use session file converter to convert it to "
    "new format.\n\nThe converter, OSNConv, comes with Secure Ostrane 3 and is installed beside "
    "the program; run it on the old file and open the file it writes.";
// Shown when a session file cannot be opened.
inline constexpr std::string_view kTextUnexpectedFormat = "Unexpected file format.";

// A short reason for a status, for the headless tools' error messages.
std::string_view SetupFileStatusText(SetupFileStatus status);

// Reads a setup file into settings and keyMap, in place: what was read before an error stays.
SetupFileStatus ReadSetup(std::span<const uint8_t> bytes, CSettingsSet& settings, CKeyMap& keyMap);
SetupFileStatus ReadSetupFile(const std::string& path, CSettingsSet& settings, CKeyMap& keyMap);

// The main window's placement (when there is a main window) is stored into settings first.
std::string WriteSetup(CSettingsSet& settings, const CKeyMap& keyMap);
// Writes the file anew; a failed write leaves any earlier file at path as it was.
SetupFileStatus WriteSetupFile(const std::string& path, CSettingsSet& settings,
                               const CKeyMap& keyMap);

}  // namespace ostrane
