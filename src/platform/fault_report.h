// Fault reports: a processor fault (bad memory access, illegal instruction, division by zero,
// stack overflow) ends the process with a readable report on standard error and in a report
// file, which the program shows the next time it starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ostrane {

enum class FaultKind : uint8_t {
  kAccessViolation,
  kPageError,
  kIllegalInstruction,
  kDivideByZero,
  kStackOverflow,
  kUnknown,
};

struct FaultInfo {
  FaultKind kind = FaultKind::kUnknown;
  uintptr_t faultAddress = 0;  // the instruction
  uintptr_t dataAddress = 0;   // access violations: the address touched
  bool write = false;          // access violations: a write rather than a read
};

// Room for any report FormatFaultReport makes.
inline constexpr size_t kFaultReportCapacity = 512;

// Writes the report text into buffer without allocating (safe inside a signal handler);
// returns its length, cut to size - 1 and NUL-terminated.
size_t FormatFaultReport(const FaultInfo& fault, const char* tag, char* buffer, size_t size);

// Installs handlers for SIGSEGV, SIGBUS, SIGILL and SIGFPE in the whole process, running on an
// alternate stack on this thread. The report also goes to reportPath (created 0600).
void InstallFaultHandlers(const std::string& reportPath);
// Gives the calling thread an alternate signal stack, so a stack overflow there is reported.
void InstallFaultStackForThread();

// The report an earlier run left at reportPath, removing the file; empty when there is none.
std::string TakeFaultReport(const std::string& reportPath);

}  // namespace ostrane
