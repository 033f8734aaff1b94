// Messages of printing.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

inline constexpr std::string_view kTextCannotSetupPrinter = "Cannot setup printer.";
inline constexpr std::string_view kTextCannotStartPrintJob = "Cannot start printer job.";
inline constexpr std::string_view kTextPrinterNotTakingOutput =
    "The printer is not taking the output. The print job was cancelled.";

// "Cannot initialize printer. Error code = %d".
inline std::string CannotInitializePrinterText(int error) {
  return "Cannot initialize printer. Error code = " + std::to_string(error);
}

}  // namespace ostrane
