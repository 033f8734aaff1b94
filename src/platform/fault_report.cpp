#include "platform/fault_report.h"

#include <fcntl.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace ostrane {

namespace {

constexpr char kTag[] = "Main";
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
// An access this close to the stack pointer is taken for a stack overflow.
constexpr uintptr_t kStackReach = 64 * 1024;
// The alternate stack the handler runs on; a stack overflow leaves no room on the normal one.
constexpr size_t kAltStackSize = 64 * 1024;
// The longest report file path the handler can use.
constexpr size_t kMaxReportPath = 4096;
// A report file larger than this is not one this program wrote.
constexpr size_t kMaxReportFile = 4096;

char gReportPath[kMaxReportPath];

// Appends text, keeping room for the final NUL.
struct Writer {
  char* buffer;
  size_t size;
  size_t length = 0;
  void Put(const char* text) {
    while (*text && length + 1 < size) buffer[length++] = *text++;
  }
  // At least eight hex digits, more when the value needs them.
  void Hex(uintptr_t value) {
    char digits[2 * sizeof(uintptr_t) + 1];
    int n = 0;
    do {
      digits[n++] = "0123456789ABCDEF"[value & 0xF];
      value >>= 4;
    } while (value != 0);
    while (n < 8) digits[n++] = '0';
    char text[sizeof digits + 1];
    for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    text[n] = '\0';
    Put("0x");
    Put(text);
  }
};

void WriteAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n <= 0) return;
    data += n;
    length -= static_cast<size_t>(n);
  }
}

FaultInfo Describe(int signal, const siginfo_t* info, const void* context) {
  FaultInfo fault;
  fault.dataAddress = reinterpret_cast<uintptr_t>(info->si_addr);
  uintptr_t stackPointer = 0;
#if defined(__x86_64__)
  const auto* uc = static_cast<const ucontext_t*>(context);
  fault.faultAddress = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
  stackPointer = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
  fault.write = (uc->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#elif defined(__aarch64__)
  const auto* uc = static_cast<const ucontext_t*>(context);
  fault.faultAddress = static_cast<uintptr_t>(uc->uc_mcontext.pc);
  stackPointer = static_cast<uintptr_t>(uc->uc_mcontext.sp);
#else
  (void)context;
  fault.faultAddress = fault.dataAddress;
#endif
  switch (signal) {
    case SIGSEGV: {
      const uintptr_t distance = fault.dataAddress > stackPointer
                                     ? fault.dataAddress - stackPointer
                                     : stackPointer - fault.dataAddress;
      fault.kind = stackPointer != 0 && distance < kStackReach ? FaultKind::kStackOverflow
                                                               : FaultKind::kAccessViolation;
      break;
    }
    case SIGBUS:
      fault.kind = FaultKind::kPageError;
      break;
    case SIGILL:
      fault.kind = FaultKind::kIllegalInstruction;
      break;
    case SIGFPE:
      fault.kind = info->si_code == FPE_INTDIV || info->si_code == FPE_FLTDIV
                       ? FaultKind::kDivideByZero
                       : FaultKind::kUnknown;
      break;
    default:
      break;
  }
  return fault;
}

void OnFault(int signal, siginfo_t* info, void* context) {
  static char report[kFaultReportCapacity];
  const size_t length =
      FormatFaultReport(Describe(signal, info, context), kTag, report, sizeof report);
  WriteAll(STDERR_FILENO, report, length);
  WriteAll(STDERR_FILENO, "\n", 1);
  if (gReportPath[0] != '\0') {
    const int fd = ::open(gReportPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
      WriteAll(fd, report, length);
      ::close(fd);
    }
  }
  // The default action ends the process, when the faulting instruction runs again or, for a
  // signal sent by kill, when the handler returns.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

size_t FormatFaultReport(const FaultInfo& fault, const char* tag, char* buffer, size_t size) {
  if (size == 0) return 0;
  Writer w{buffer, size};
  w.Put("Severe problem happened to Ostrane. Tag = \"");
  w.Put(tag);
  w.Put("\", \nError message: Address: ");
  w.Hex(fault.faultAddress);
  w.Put(" ");
  switch (fault.kind) {
    case FaultKind::kAccessViolation:
      w.Put("Access violation - ");
      w.Put(fault.write ? "write " : "read ");
      w.Hex(fault.dataAddress);
      break;
    case FaultKind::kPageError:
      w.Put("Page error");
      break;
    case FaultKind::kIllegalInstruction:
      w.Put("Illegal instruction");
      break;
    case FaultKind::kDivideByZero:
      w.Put("Divided by zero");
      break;
    case FaultKind::kStackOverflow:
      w.Put("Stack overflow");
      break;
    case FaultKind::kUnknown:
      w.Put("Unknown error");
      break;
  }
  w.Put(
      ".\nPlease report this problem to Kestrix technical support, saying what the program "
      "was doing when it happened.");
  buffer[w.length] = '\0';
  return w.length;
}

namespace {

// A thread's alternate signal stack; it is switched off before its memory goes at thread exit.
struct CThreadFaultStack {
  std::vector<char> memory;
  ~CThreadFaultStack() {
    if (memory.empty()) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    ::sigaltstack(&off, nullptr);
  }
};

}  // namespace

void InstallFaultStackForThread() {
  // A thread that already has one (a sanitizer's runtime installs its own) keeps it.
  stack_t current{};
  if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
  static thread_local CThreadFaultStack stack;
  if (stack.memory.empty()) stack.memory.resize(kAltStackSize);
  stack_t alt{};
  alt.ss_sp = stack.memory.data();
  alt.ss_size = stack.memory.size();
  ::sigaltstack(&alt, nullptr);
}

void InstallFaultHandlers(const std::string& reportPath) {
  // A path too long for the buffer is not cut (that would name another file): no report file.
  const size_t n = reportPath.size() < sizeof gReportPath ? reportPath.size() : 0;
  std::memcpy(gReportPath, reportPath.data(), n);
  gReportPath[n] = '\0';
  InstallFaultStackForThread();
  struct sigaction action {};
  action.sa_sigaction = &OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signal : kFaultSignals) ::sigaction(signal, &action, nullptr);
}

std::string TakeFaultReport(const std::string& reportPath) {
  std::ifstream in(reportPath, std::ios::binary);
  if (!in) return {};
  std::string text(kMaxReportFile, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  in.close();
  ::unlink(reportPath.c_str());
  return text;
}

}  // namespace ostrane
