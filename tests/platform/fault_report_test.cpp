#include "platform/fault_report.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace ostrane {
namespace {

std::string Format(FaultKind kind, uintptr_t at, uintptr_t data = 0, bool write = false) {
  char buffer[kFaultReportCapacity];
  const size_t n = FormatFaultReport({kind, at, data, write}, "Main", buffer, sizeof buffer);
  return std::string(buffer, n);
}

TEST(FaultReport, TextNamesTheFaultAndItsAddresses) {
  const std::string head = "Severe problem happened to Ostrane. Tag = \"Main\", \nError message: ";
  std::string text = Format(FaultKind::kAccessViolation, 0x401000, 0x10, true);
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_NE(text.find("Address: 0x00401000 Access violation - write 0x00000010."),
            std::string::npos);
  EXPECT_NE(Format(FaultKind::kAccessViolation, 0x7FFF12345678, 0x20)
                .find("Address: 0x7FFF12345678 Access violation - read 0x00000020."),
            std::string::npos);
  EXPECT_NE(Format(FaultKind::kPageError, 1).find("Page error."), std::string::npos);
  EXPECT_NE(Format(FaultKind::kIllegalInstruction, 1).find("Illegal instruction."),
            std::string::npos);
  EXPECT_NE(Format(FaultKind::kDivideByZero, 1).find("Divided by zero."), std::string::npos);
  EXPECT_NE(Format(FaultKind::kStackOverflow, 1).find("Stack overflow."), std::string::npos);
  EXPECT_NE(Format(FaultKind::kUnknown, 1).find("Unknown error."), std::string::npos);
  EXPECT_NE(text.find("technical support"), std::string::npos);
}

TEST(FaultReport, SmallBufferIsCutAndTerminated) {
  char buffer[16];
  const size_t n = FormatFaultReport({}, "Main", buffer, sizeof buffer);
  EXPECT_EQ(n, 15u);
  EXPECT_EQ(buffer[15], '\0');
}

// A child process that installs the handlers and then faults; the parent reads the report file.
std::string ReportOfChildFault(void (*fault)()) {
  const std::string path =
      (std::filesystem::path(std::getenv("OSTRANE_HOME")) / "fault-report.txt").string();
  std::filesystem::remove(path);
  const pid_t pid = fork();
  if (pid == 0) {
    // The sanitizers' own handlers would report first.
    InstallFaultHandlers(path);
    fault();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  return TakeFaultReport(path);
}

volatile int* volatile gNull = nullptr;

TEST(FaultReport, HandlerWritesTheReportAndEndsTheProcess) {
  const std::string text = ReportOfChildFault([] { *gNull = 1; });
  EXPECT_NE(text.find("Severe problem happened to Ostrane."), std::string::npos);
#if defined(__x86_64__)
  EXPECT_NE(text.find("Access violation - write 0x00000000"), std::string::npos) << text;
#endif
  const std::string killed = ReportOfChildFault([] { raise(SIGILL); });
  EXPECT_NE(killed.find("Illegal instruction"), std::string::npos) << killed;
  // The report is taken once.
  EXPECT_EQ(TakeFaultReport(
                (std::filesystem::path(std::getenv("OSTRANE_HOME")) / "fault-report.txt").string()),
            "");
}

}  // namespace
}  // namespace ostrane
