// ostrane-cli: runs one session without a window. It connects, plays the --send, --until,
// --script and ZModem steps in order, and prints the final screen as JSON; questions are
// answered from its options. Script errors are printed to stderr; one in a --script step ends
// the run with 3. A failed transfer ends the run with 1 and its reason on stderr.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/vt420_emulator.h"
#include "platform/profile.h"
#include "platform/serial_devices.h"
#include "print/print_devices.h"
#include "session/host_address.h"
#include "session/new_connection_rules.h"
#include "session/screen_json.h"
#include "session/script_front_end.h"
#include "session/session_view.h"
#include "session/settings_templates.h"
#include "session/setup_file.h"
#include "session/transfer_front_end.h"
#include "session/transport_factory.h"
#include "session/vt420_doc.h"
#include "settings/control_string.h"
#include "settings/message_texts.h"
#include "settings/question_interface.h"
#include "settings/setting_assignment.h"
#include "ssh/ssh_questions.h"
#include "transport/transport.h"

namespace ostrane {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kUsage[] =
    "usage: ostrane-cli [--template NAME] [--set Key=Value]... [FILE.OSN | host[:port]]\n"
    "                   [--send TEXT | --until TEXT | --script FILE | --zmodem-wait |\n"
    "                    --zmodem-send FILE]... [--answer TEXT]...\n"
    "                   [--for SECONDS] [--attrs]\n"
    "                   [--user NAME] [--password TEXT] [--key-password TEXT]\n"
    "                   [--identity OPENSSH-PRIVATE-KEY-FILE] [--save-password yes|no]\n"
    "                   [--host-key accept|reject]\n"
    "                   [--capture FILE | --capture-debug FILE]\n"
    "       ostrane-cli --set HostType=1 [--set Speed=N]... DEVICE [steps]...\n"
    "       ostrane-cli --set HostType=3 --modem DEVICE NUMBER [steps]...\n"
    "       ostrane-cli --set HostType=7 [--command COMMAND] [steps]...\n";

// Without --for a run ends after this long.
constexpr double kDefaultSeconds = 30.0;
// How often a wait looks at the screen for text drawn there without arriving as such.
constexpr std::chrono::milliseconds kScreenCheckInterval{100};
// Exit status of a run whose --script step ended with a script error.
constexpr int kScriptErrorStatus = 3;

struct Step {
  enum class Kind { kSend, kUntil, kScript, kZmodemWait, kZmodemSend } kind;
  std::string text;                // in the control-string notation; a file path for kScript
  std::vector<std::string> files;  // kZmodemSend: one batch
};

struct CliOptions {
  std::vector<std::string> assignments;
  std::optional<std::string> templateName;
  std::optional<std::string> target;
  std::vector<Step> steps;
  // Answers of the scripts' input boxes, in order.
  std::vector<std::string> answers;
  double seconds = kDefaultSeconds;
  bool attributes = false;
  // Answers to the SSH questions.
  std::string user;
  std::optional<std::string> password;
  std::optional<std::string> keyPassword;
  // An OpenSSH private key to log in with; --key-password is then its passphrase.
  std::optional<std::string> identity;
  // "Save Password" ticked: the password is remembered (see the settings in the output).
  bool savePassword = false;
  bool acceptHostKey = false;
  // Capture of the session's output from the start; debug capture writes every byte by name.
  std::optional<std::string> capturePath;
  bool captureDebug = false;
  // The device of the Hayes modem a HostType 3 session dials through.
  std::optional<std::string> modemDevice;
  // The command a local shell (HostType 7) runs instead of the login shell.
  std::optional<std::string> command;
};

// The usual port of each connection kind, for a target given without one.
struct DefaultPort {
  TransportKind kind;
  int port;
};
constexpr DefaultPort kDefaultPorts[] = {
    {TransportKind::kTelnet, 23},
    {TransportKind::kSsh2, 22},
    {TransportKind::kSsh1, 22},
};

int Usage(const std::string& problem) {
  std::fprintf(stderr, "ostrane-cli: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

// Options that take a value, and what they do with it.
struct ValueOption {
  const char* name;
  bool (*apply)(CliOptions& options, const char* value);
};

constexpr ValueOption kValueOptions[] = {
    {"--set",
     [](CliOptions& o, const char* v) {
       o.assignments.emplace_back(v);
       return true;
     }},
    {"--template",
     [](CliOptions& o, const char* v) {
       o.templateName = v;
       return true;
     }},
    {"--send",
     [](CliOptions& o, const char* v) {
       o.steps.push_back({Step::Kind::kSend, v, {}});
       return true;
     }},
    {"--until",
     [](CliOptions& o, const char* v) {
       o.steps.push_back({Step::Kind::kUntil, v, {}});
       return true;
     }},
    {"--script",
     [](CliOptions& o, const char* v) {
       o.steps.push_back({Step::Kind::kScript, v, {}});
       return *v != '\0';
     }},
    {"--zmodem-send",
     [](CliOptions& o, const char* v) {
       // Consecutive sends form one batch.
       if (o.steps.empty() || o.steps.back().kind != Step::Kind::kZmodemSend)
         o.steps.push_back({Step::Kind::kZmodemSend, {}, {}});
       o.steps.back().files.emplace_back(v);
       return *v != '\0';
     }},
    {"--modem",
     [](CliOptions& o, const char* v) {
       o.modemDevice = v;
       return *v != '\0';
     }},
    {"--command",
     [](CliOptions& o, const char* v) {
       o.command = v;
       return *v != '\0';
     }},
    {"--answer",
     [](CliOptions& o, const char* v) {
       o.answers.emplace_back(v);
       return true;
     }},
    {"--for",
     [](CliOptions& o, const char* v) {
       char* end = nullptr;
       o.seconds = std::strtod(v, &end);
       return *end == '\0' && std::isfinite(o.seconds) && o.seconds > 0;
     }},
    {"--user",
     [](CliOptions& o, const char* v) {
       o.user = v;
       return true;
     }},
    {"--password",
     [](CliOptions& o, const char* v) {
       o.password = v;
       return true;
     }},
    {"--key-password",
     [](CliOptions& o, const char* v) {
       o.keyPassword = v;
       return true;
     }},
    {"--save-password",
     [](CliOptions& o, const char* v) {
       o.savePassword = std::string_view(v) == "yes";
       return o.savePassword || std::string_view(v) == "no";
     }},
    {"--identity",
     [](CliOptions& o, const char* v) {
       o.identity = v;
       return *v != '\0';
     }},
    {"--capture",
     [](CliOptions& o, const char* v) {
       o.capturePath = v;
       o.captureDebug = false;
       return *v != '\0';
     }},
    {"--capture-debug",
     [](CliOptions& o, const char* v) {
       o.capturePath = v;
       o.captureDebug = true;
       return *v != '\0';
     }},
    {"--host-key",
     [](CliOptions& o, const char* v) {
       o.acceptHostKey = std::string_view(v) == "accept";
       return o.acceptHostKey || std::string_view(v) == "reject";
     }},
};

std::optional<int> ParseArguments(int argc, char** argv, CliOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--attrs") {
      options.attributes = true;
      continue;
    }
    if (arg == "--zmodem-wait") {
      options.steps.push_back({Step::Kind::kZmodemWait, {}, {}});
      continue;
    }
    const auto* option = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                      [&](const ValueOption& o) { return arg == o.name; });
    if (option != std::end(kValueOptions)) {
      if (i + 1 >= argc) return Usage(std::string(arg) + " needs a value");
      if (!option->apply(options, argv[++i]))
        return Usage("bad value for " + std::string(arg) + ": " + argv[i]);
    } else if (!arg.empty() && arg[0] != '-' && !options.target) {
      options.target = std::string(arg);
    } else {
      return Usage("bad argument: " + std::string(arg));
    }
  }
  return std::nullopt;
}

// Answers the session's questions: yes to closing, every stop message is an error to report,
// and the SSH questions from the options.
class CCliQuestions : public ISshQuestions {
 public:
  explicit CCliQuestions(const CliOptions& options) : options_(options) {}

  MessageAnswer AskMessage(const MessageQuestion& question) override {
    if (question.buttons == MessageButtons::kYesNo ||
        question.buttons == MessageButtons::kYesNoCancel)
      return MessageAnswer::kYes;
    // Banners and notices are not failures.
    if (question.icon == MessageIcon::kInformation) return MessageAnswer::kOk;
    std::lock_guard lock(mutex_);
    if (std::find(errors_.begin(), errors_.end(), question.text) == errors_.end())
      errors_.push_back(question.text);
    return MessageAnswer::kOk;
  }
  std::optional<std::string> ChooseFile(const FileQuestion&) override { return std::nullopt; }
  std::vector<std::string> Errors() {
    std::lock_guard lock(mutex_);
    return errors_;
  }

  // The same answer is given a few times (a server may refuse a method and ask again), then
  // the login is given up rather than repeated for ever.
  // A key file given for SSH1 is passed on all the same: the login then says why it is not used.
  std::optional<SshAuthorizationAnswer> AskAuthorization(const std::string&, int,
                                                         const std::string& user,
                                                         SshKeyFiles) override {
    if (++authorizations_ > kMaxAnswers ||
        (!options_.password && !options_.keyPassword && !options_.identity))
      return std::nullopt;
    SshAuthorizationAnswer a;
    a.user = options_.user.empty() ? user : options_.user;
    if (options_.identity) {
      a.usePublicKey = true;
      a.identityFile = *options_.identity;
      a.password = options_.keyPassword.value_or("");
      return a;
    }
    a.usePublicKey = options_.keyPassword.has_value();
    a.savePassword = !a.usePublicKey && options_.savePassword;
    a.password = a.usePublicKey ? *options_.keyPassword : *options_.password;
    return a;
  }
  std::optional<SshPasswordChangeAnswer> AskPasswordChange(const std::string&, const std::string&,
                                                           bool) override {
    return std::nullopt;
  }
  bool AskNewHostKey(const SshHostKeyQuestion&) override { return options_.acceptHostKey; }
  std::optional<std::string> AskKeyPassword(const std::string&, bool retry) override {
    if (retry) return std::nullopt;
    return options_.keyPassword;
  }
  std::optional<std::string> AskKeyCreation(const std::string&) override {
    return options_.keyPassword;
  }
  // Hidden prompts get the password; shown ones an empty line.
  std::optional<std::vector<std::string>> AskKeyboardInteractive(
      const SshKeyboardQuestion& question) override {
    if (++promptRounds_ > kMaxPromptRounds) return std::nullopt;
    std::vector<std::string> answers;
    for (const SshPrompt& p : question.prompts) {
      if (!p.echo && !options_.password) return std::nullopt;
      answers.push_back(p.echo ? std::string() : *options_.password);
    }
    return answers;
  }

 private:
  static constexpr int kMaxAnswers = 3;
  static constexpr int kMaxPromptRounds = 8;
  const CliOptions& options_;
  int authorizations_ = 0;
  int promptRounds_ = 0;
  std::mutex mutex_;
  std::vector<std::string> errors_;
};

// The scripts' dialogs: every message box is answered OK, input boxes take the --answer texts
// in order (empty once they are used up), file choices are cancelled.
class CCliScriptQuestions : public IQuestions {
 public:
  explicit CCliScriptQuestions(std::vector<std::string> answers) : answers_(std::move(answers)) {}
  MessageAnswer AskMessage(const MessageQuestion&) override { return MessageAnswer::kOk; }
  std::optional<std::string> ChooseFile(const FileQuestion&) override { return std::nullopt; }
  std::optional<std::string> AskText(const TextQuestion&) override {
    std::lock_guard lock(mutex_);
    if (next_ >= answers_.size()) return std::string();
    return answers_[next_++];
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> answers_;
  size_t next_ = 0;
};

// What scripts ask of the program around the session: there are no menus, no other sessions
// and no sound here; error reports go to stderr as they come.
class CCliScriptFrontEnd : public IScriptFrontEnd {
 public:
  bool PostMenuCommand(std::string_view) override { return false; }
  bool LoadSession(const std::string&) override { return false; }
  void PlaySound(const std::string&) override {}
  void ReportScriptError(const std::string& report, bool) override {
    std::lock_guard lock(mutex_);
    std::fprintf(stderr, "%s\n", EscapeControls(report).c_str());
  }
  void DismissQuestions() override {}

 private:
  std::mutex mutex_;
};

// Keeps what was sent, and looks for the awaited text in what is received. The search runs on
// the worker as data arrives, so the main thread is woken only by a match or the end of the
// connection, not by every chunk.
class CCliMonitor : public ISessionMonitor, public ISessionView {
 public:
  void Sent(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    sent_.append(reinterpret_cast<const char*>(data), length);
  }
  void Received(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    received_.append(reinterpret_cast<const char*>(data), length);
    if (!needle_.empty() && !matched_ && Search()) changed_.notify_all();
    // Bytes before the search position can no longer start a match; the cap bounds what is
    // kept while nothing is awaited.
    if (searchFrom_ > kKeepReceived || received_.size() > 2 * kKeepReceived) {
      const size_t drop = needle_.empty() ? received_.size() - kKeepReceived : searchFrom_;
      received_.erase(0, drop);
      searchFrom_ -= std::min(searchFrom_, drop);
    }
  }
  void ConnectionChanged(bool ended) override {
    {
      std::lock_guard lock(mutex_);
      ended_ = ended;
    }
    changed_.notify_all();
  }
  // A headless session has no bell to ring.
  void Bell() override {}
  // From now on looks for text in the bytes received since the last match.
  void Expect(std::string text) {
    std::lock_guard lock(mutex_);
    needle_ = std::move(text);
    matched_ = false;
    Search();
  }
  // Waits for the awaited text, the end of the connection or the deadline.
  bool WaitForMatch(Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [this] { return matched_ || ended_; });
    return matched_;
  }
  // Waits until check() holds, the connection ended or the deadline passed, checking every
  // few milliseconds; returns check().
  template <class Check>
  bool Poll(Clock::time_point deadline, Check check) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (check()) return true;
      if (ended_ || Clock::now() >= deadline) return false;
      changed_.wait_until(lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(20)));
    }
  }
  std::string Sent() {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  bool Ended() {
    std::lock_guard lock(mutex_);
    return ended_;
  }

 private:
  static constexpr size_t kKeepReceived = 1 << 20;

  // A match consumes the bytes up to its end, so the next wait starts after it.
  bool Search() {
    const size_t at = received_.find(needle_, searchFrom_);
    if (at == std::string::npos) {
      if (received_.size() >= needle_.size())
        searchFrom_ = std::max(searchFrom_, received_.size() - needle_.size() + 1);
      return false;
    }
    received_.erase(0, at + needle_.size());
    searchFrom_ = 0;
    matched_ = true;
    return true;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::string sent_;
  std::string received_;
  size_t searchFrom_ = 0;
  std::string needle_;
  bool matched_ = false;
  bool ended_ = false;
};

// Follows the session's transfers: progress as one updating line on stderr when that is a
// terminal, failed files and notices as lines, and the outcome of each transfer in order so a
// step can wait for the one it started or the next one.
class CCliTransfers : public ITransferFrontEnd {
 public:
  struct Result {
    XferOutcome outcome;
    std::string message;
  };

  CCliTransfers() : showProgress_(::isatty(STDERR_FILENO) == 1) {}

  void TransferStarted(XferDirection) override {
    std::lock_guard lock(mutex_);
    ++started_;
  }
  void TransferProgress(const XferProgress& p) override {
    if (!showProgress_) return;
    std::lock_guard lock(mutex_);
    std::string left = p.secondsLeft < 0
                           ? ""
                           : ", " + std::to_string(static_cast<long>(p.secondsLeft)) + " s left";
    std::fprintf(stderr, "\r\033[K%s: %llu of %llu bytes, %.0f KiB/s%s",
                 EscapeControls(p.fileName).c_str(), static_cast<unsigned long long>(p.bytesDone),
                 static_cast<unsigned long long>(p.fileSize), p.bytesPerSecond / 1024,
                 left.c_str());
    std::fflush(stderr);
    lineOpen_ = true;
  }
  void TransferFileEnded(const std::string& name, bool complete,
                         const std::string& message) override {
    if (complete) return;
    PrintLine(name + ": " + message);
  }
  void TransferNotice(const std::string& text) override { PrintLine(text); }
  void OpenReceiveFolder(const std::string&) override {}
  void TransferEnded(XferOutcome outcome, const std::string& message) override {
    {
      std::lock_guard lock(mutex_);
      if (lineOpen_) std::fputc('\n', stderr);
      lineOpen_ = false;
      results_.push_back({outcome, message});
    }
    ended_.notify_all();
  }

  // The number of the transfer a wait is for: the one running, or else the next to start.
  size_t Awaited() {
    std::lock_guard lock(mutex_);
    return results_.size() < started_ ? results_.size() + 1 : started_ + 1;
  }
  // The result of transfer number n, once it has ended, waiting at most a short while.
  std::optional<Result> WaitFor(size_t n, std::chrono::milliseconds slice) {
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, slice, [&] { return results_.size() >= n; });
    if (results_.size() < n) return std::nullopt;
    return results_[n - 1];
  }
  size_t Started() {
    std::lock_guard lock(mutex_);
    return started_;
  }
  bool AnyStarted(size_t n) {
    std::lock_guard lock(mutex_);
    return started_ >= n;
  }
  // Failures of transfers no step waited for.
  std::vector<std::string> UnreportedFailures(size_t reportedUpTo) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> failures;
    for (size_t i = reportedUpTo; i < results_.size(); ++i)
      if (results_[i].outcome != XferOutcome::kSucceeded) failures.push_back(results_[i].message);
    return failures;
  }

 private:
  void PrintLine(const std::string& text) {
    std::lock_guard lock(mutex_);
    std::fprintf(stderr, "%s%s\n", lineOpen_ ? "\r\033[K" : "", EscapeControls(text).c_str());
    lineOpen_ = false;
  }

  const bool showProgress_;
  std::mutex mutex_;
  std::condition_variable ended_;
  size_t started_ = 0;
  std::vector<Result> results_;
  bool lineOpen_ = false;
};

std::string ScreenText(CVT420Doc& doc) {
  std::lock_guard lock(doc.Terminal().Mutex());
  const CVT420Emulator& t = doc.Terminal();
  const int columns = t.Settings().Int(S::Columns);
  std::string text;
  for (int row = 0; row < t.Screen().Lines(); ++row) {
    if (const auto line = t.Screen().GetPageRow(row)) text += LineToText(*line, columns);
    text += '\n';
  }
  return text;
}

// Error texts can come from the peer (a disconnect reason, a banner): shown escaped.
int Fail(const std::string& text) {
  std::fprintf(stderr, "%s\n", EscapeControls(text).c_str());
  return 1;
}

// Runs a script file in the session as the user would and waits for its end. Nothing when it
// ended well; otherwise the run's exit status (its report is already on stderr).
std::optional<int> RunScriptStep(CVT420Doc& doc, const std::string& path,
                                 Clock::time_point deadline) {
  const std::shared_ptr<script::CScript> s = doc.RunScriptFile(path);
  if (!s) {
    doc.QueryDisconnect(false);
    return Fail(std::string(kTextCannotLoadScript) + " " + path);
  }
  if (!s->WaitFinished(deadline)) {
    s->RequestStop();
    doc.QueryDisconnect(false);
    return Fail("Timed out running the script " + path + ".");
  }
  if (!s->Error()) return std::nullopt;
  doc.QueryDisconnect(false);
  return kScriptErrorStatus;
}

// Waits for transfer number n to end. Nothing when it succeeded; otherwise the exit status,
// with the reason on stderr.
std::optional<int> WaitForTransfer(CVT420Doc& doc, CCliTransfers& transfers, CCliMonitor& monitor,
                                   size_t n, Clock::time_point deadline) {
  for (;;) {
    if (const auto result = transfers.WaitFor(n, kScreenCheckInterval)) {
      doc.ReapTransfer();
      if (result->outcome == XferOutcome::kSucceeded) return std::nullopt;
      doc.QueryDisconnect(false);
      return Fail(result->message);
    }
    // A transfer under way ends by itself when the connection goes; none will start then.
    if ((!transfers.AnyStarted(n) && monitor.Ended()) || Clock::now() >= deadline) break;
  }
  const bool ended = monitor.Ended();
  doc.QueryDisconnect(false);
  return Fail(ended ? "The connection ended while waiting for a transfer."
                    : "Timed out waiting for a transfer.");
}

// Serial lines and modems name a device or a telephone number, not a host.
bool LineKindRequested(const CliOptions& options) {
  if (options.modemDevice) return true;
  for (auto a = options.assignments.rbegin(); a != options.assignments.rend(); ++a)
    if (a->rfind("HostType=", 0) == 0) return *a == "HostType=1" || *a == "HostType=3";
  return false;
}

bool IsLineKind(int hostType) {
  return hostType == static_cast<int>(TransportKind::kSerial) ||
         hostType == static_cast<int>(TransportKind::kModem);
}

// What a line transport wrote on the screen (the modem's "Busy"), one line each, for stderr.
void PrintScreenLines(CVT420Doc& doc) {
  const std::string text = ScreenText(doc);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string row = text.substr(start, end - start);
    row.erase(row.find_last_not_of(' ') + 1);
    if (!row.empty()) std::fprintf(stderr, "%s\n", EscapeControls(row).c_str());
    start = end + 1;
  }
}

int Run(const CliOptions& options) {
  const Clock::time_point deadline =
      Clock::now() +
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
  // The questions and the monitor outlive the document, whose worker calls them until it ends.
  CCliQuestions questions(options);
  CCliScriptQuestions scriptQuestions(options.answers);
  CCliScriptFrontEnd scriptFrontEnd;
  CCliMonitor monitor;
  CCliTransfers transfers;
  // Printer-controller and auto-print output go to a CUPS queue or a port as the settings say;
  // a printer that cannot be opened is an error of the run.
  CSystemPrintDevices printDevices([&questions](const std::string& text) {
    MessageQuestion q;
    q.text = text;
    q.icon = MessageIcon::kStop;
    questions.AskMessage(q);
  });
  CVT420Doc doc;
  doc.SetPrintDevices(&printDevices);
  doc.SetTransferFrontEnd(&transfers);
  doc.SetQuestions(&questions);
  doc.SetScriptQuestions(&scriptQuestions);
  doc.SetScriptFrontEnd(&scriptFrontEnd);
  doc.SetMonitor(&monitor);
  doc.AddView(&monitor);
  // A session file gives the whole starting point; otherwise the default template, then the
  // one named. The --set options apply on top of either.
  std::error_code ec;
  const auto type = options.target ? std::filesystem::status(*options.target, ec).type()
                                   : std::filesystem::file_type::not_found;
  const bool sessionFile = type == std::filesystem::file_type::regular;
  const bool lineDevice =
      type == std::filesystem::file_type::character && LineKindRequested(options);
  // A folder, FIFO or device named as the target is a mistake, not a host name, except the
  // device of a serial line.
  if (!sessionFile && !lineDevice && type != std::filesystem::file_type::not_found &&
      type != std::filesystem::file_type::none && type != std::filesystem::file_type::unknown)
    return Fail(*options.target + " is not a session file.");
  if (sessionFile) {
    if (options.templateName) return Usage("--template does not go with a session file");
    const SetupFileStatus status = doc.ReadSessionFile(*options.target);
    if (status == SetupFileStatus::kEarlierVersion)
      std::fprintf(stderr, "%s\n", std::string(kTextEarlierVersion).c_str());
    if (status != SetupFileStatus::kOk)
      return Fail(std::string(kTextUnexpectedFormat) + " " + *options.target);
  } else {
    doc.PrepareNewSession();
    if (options.templateName && !doc.LoadTemplate(*options.templateName))
      return Fail(std::string(kTextCannotLoadTemplate) + " " + *options.templateName);
  }
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    CSettingsSet& settings = doc.Settings();
    for (const std::string& assignment : options.assignments) {
      std::string error;
      if (!ApplySettingAssignment(settings, assignment, error)) return Usage(error);
    }
    if (options.modemDevice) {
      settings.SetInt(S::HostType, static_cast<int>(TransportKind::kModem));
      CProfile profile(ProfilePath());
      settings.SetInt(S::Port,
                      platform::FindOrAddModem(
                          profile, std::filesystem::absolute(*options.modemDevice).string()));
    }
    if (options.command) {
      settings.SetInt(S::HostType, static_cast<int>(TransportKind::kLocalShell));
      settings.SetStr(S::HostName, *options.command);
    }
    const bool termIdSet =
        std::any_of(options.assignments.begin(), options.assignments.end(),
                    [](const std::string& a) { return a.rfind("TermID=", 0) == 0; });
    if (!sessionFile) ChooseLocalShellTerminal(settings, termIdSet);
    const int hostType = settings.Int(S::HostType);
    if (options.target && !sessionFile &&
        hostType == static_cast<int>(TransportKind::kLocalShell)) {
      return Usage("a local shell runs --command COMMAND, not a host");
    } else if (options.target && !sessionFile &&
               hostType == static_cast<int>(TransportKind::kSerial)) {
      settings.SetStr(S::HostName, std::filesystem::absolute(*options.target).string());
    } else if (options.target && !sessionFile &&
               hostType == static_cast<int>(TransportKind::kModem)) {
      settings.SetStr(S::HostName, *options.target);
    } else if (options.target && !sessionFile) {
      std::string error;
      const auto target = ParseHostTarget(*options.target, error);
      if (!target) return Usage("bad target: " + error);
      std::optional<int> port = target->port;
      settings.SetStr(S::HostName, target->host);
      const bool portSet =
          std::any_of(options.assignments.begin(), options.assignments.end(),
                      [](const std::string& a) { return a.rfind("Port=", 0) == 0; });
      if (!port && !portSet) {
        for (const DefaultPort& d : kDefaultPorts)
          if (static_cast<int>(d.kind) == settings.Int(S::HostType)) port = d.port;
      }
      if (port) settings.SetInt(S::Port, *port);
    }
  }
  if (options.capturePath) {
    if (options.captureDebug) {
      std::lock_guard lock(doc.Terminal().Mutex());
      doc.Settings().SetInt(S::CaptureDebug, 1);
    }
    if (!doc.OpenCapture(*options.capturePath))
      return Fail(std::string(kTextCannotCreateFile) + " " + *options.capturePath);
  }
  if (!doc.StartNewSession()) return Fail("This connection kind cannot be started.");

  // Nothing is sent before the connection is up: a write while connecting ends the attempt.
  monitor.Poll(deadline, [&] { return doc.ConnectionState() != TransportState::kConnecting; });
  if (doc.ConnectionState() != TransportState::kConnected) {
    doc.QueryDisconnect(false);
    bool lineKind;
    {
      std::lock_guard lock(doc.Terminal().Mutex());
      lineKind = IsLineKind(doc.Settings().Int(S::HostType));
    }
    if (lineKind) PrintScreenLines(doc);
    const auto errors = questions.Errors();
    if (!errors.empty()) return Fail(errors.front());
    return Fail(doc.ConnectionState() == TransportState::kConnecting ? "Timed out while connecting."
                                                                     : "The connection ended.");
  }

  // Transfers up to this number were waited for and their failures reported.
  size_t transfersReported = 0;
  for (const Step& step : options.steps) {
    if (step.kind == Step::Kind::kScript) {
      if (const std::optional<int> status = RunScriptStep(doc, step.text, deadline)) return *status;
      continue;
    }
    if (step.kind == Step::Kind::kZmodemWait || step.kind == Step::Kind::kZmodemSend) {
      size_t n = transfers.Awaited();
      if (step.kind == Step::Kind::kZmodemSend) {
        if (!doc.SendZModemFiles(step.files)) {
          doc.QueryDisconnect(false);
          const auto errors = questions.Errors();
          return Fail(errors.empty() ? "A transfer cannot be started now." : errors.front());
        }
        n = transfers.Started();
      }
      if (const auto status = WaitForTransfer(doc, transfers, monitor, n, deadline)) return *status;
      transfersReported = n;
      continue;
    }
    std::string bytes;
    if (!ParseControlString(step.text, bytes)) {
      doc.QueryDisconnect(false);
      return Usage("Invalid format in sequence: " + step.text);
    }
    if (step.kind == Step::Kind::kSend) {
      if (doc.Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) == 0) {
        doc.QueryDisconnect(false);
        return Fail("Cannot send to the host.");
      }
      continue;
    }
    // Text already on the screen when the wait starts does not count; new text does, whether
    // it shows in the received bytes or only on the screen.
    const bool onScreenBefore = ScreenText(doc).find(bytes) != std::string::npos;
    monitor.Expect(bytes);
    bool found = false;
    for (;;) {
      found = monitor.WaitForMatch(std::min(deadline, Clock::now() + kScreenCheckInterval));
      // The screen is read outside the monitor's lock: the worker takes them the other way.
      if (!found && !onScreenBefore) found = ScreenText(doc).find(bytes) != std::string::npos;
      if (found || monitor.Ended() || Clock::now() >= deadline) break;
    }
    if (!found) {
      const bool ended = monitor.Ended();
      doc.QueryDisconnect(false);
      // The message that ended the connection (an SSH login failure) comes first.
      const auto errors = questions.Errors();
      return Fail(
          (errors.empty() ? std::string() : errors.front() + "\n") +
          (ended ? "The connection ended while waiting for \"" : "Timed out waiting for \"") +
          step.text + "\".");
    }
  }
  if (options.steps.empty()) monitor.Poll(deadline, [] { return false; });

  doc.QueryDisconnect(true);
  doc.CloseCapture();
  ScreenJsonOptions json;
  json.attributes = options.attributes;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    std::fputs(ScreenToJson(doc.Terminal(), monitor.Sent(), json).c_str(), stdout);
  }
  // A session that ended with an error (an SSH failure, a host that stopped reading) is a
  // failed run even when every step was done: the screen is printed, the errors reported.
  auto errors = questions.Errors();
  for (const std::string& failure : transfers.UnreportedFailures(transfersReported))
    errors.push_back(failure);
  for (const std::string& error : errors) Fail(error);
  return errors.empty() ? 0 : 1;
}

}  // namespace
}  // namespace ostrane

int main(int argc, char** argv) {
  ostrane::CliOptions options;
  if (const auto early = ostrane::ParseArguments(argc, argv, options)) return *early;
  return ostrane::Run(options);
}
