// The numbered message texts of the session and its transports, and the unnumbered ones.
#pragma once

#include <string_view>

namespace ostrane {

namespace Msg {
enum Id : int {
  kAbortConnecting = 1001,
  kStillConnected = 1002,
  kCannotConnect = 1029,
  kRestartNeeded = 1030,
  kSaveModified = 1040,
  // Numbers of this program's own messages start at 2001.
  kHostStoppedReading = 2001,
};
}  // namespace Msg

inline constexpr std::string_view kTextCannotCreateFile = "Cannot create the file.";
inline constexpr std::string_view kTextCannotLoadScript = "Cannot load script file.";

// The text of a numbered message; empty for an unknown number.
std::string_view MessageText(int id);

}  // namespace ostrane
