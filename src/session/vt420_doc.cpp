#include "session/vt420_doc.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "emulator/emulator_limits.h"
#include "platform/paths.h"
#include "script/script_limits.h"
#include "session/settings_templates.h"
#include "session/transport_factory.h"
#include "settings/message_texts.h"
#include "ssh/ssh_transport_base.h"
#include "xfer/capture_file.h"
#include "xfer/xfer_files.h"

namespace ostrane {

namespace {

constexpr char kCaptureTitle[] = "Capture Text to File";
constexpr char kCaptureFilter[] = "Text Files (*.txt)|*.txt|All Files (*.*) |*.*|";
constexpr char kMacroTitle[] = "Save Recorded Macro";
constexpr char kMacroFilter[] = "Ostrane Script Files (*.oss)|*.oss|All Files (*.*) |*.*|";
// fopen modes a capture may be opened with: each writes, none reads.
constexpr std::string_view kCaptureModes[] = {"w", "wb", "a", "ab", "w+", "a+", "wt", "at"};

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[8192];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

}  // namespace

CVT420Doc::CVT420Doc() {
  terminal_.SetEvents(this);
}

CVT420Doc::~CVT420Doc() {
  // Scripts call into the transport and the questions: they end first. A stopped script leaves
  // its dialog at once; the dialogs still open are dismissed when the gate closes.
  scripts_.Close();
  questionGate_.Close();
  keepAlive_.Stop();
  // The transfer writes to the transport and hands bytes to the terminal.
  transfer_.End();
  // The worker delivers into the terminal; it ends before anything else goes.
  transport_.reset();
  // A job JobTimeout keeps open ends with the session, not later.
  print_.CloseNow();
  terminal_.SetEvents(nullptr);
}

TransportState CVT420Doc::ConnectionState() const {
  return transport_ ? transport_->State() : TransportState::kClosed;
}

void CVT420Doc::AddView(ISessionView* view) {
  std::lock_guard lock(viewsMutex_);
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
  if (pendingClipboard_) view->HostClipboard(*std::exchange(pendingClipboard_, std::nullopt));
  if (std::exchange(pendingBell_, false)) view->Bell();
}

void CVT420Doc::RemoveView(ISessionView* view) {
  std::lock_guard lock(viewsMutex_);
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void CVT420Doc::HostClipboard(std::string_view text) {
  const std::string copy(text);
  std::lock_guard lock(viewsMutex_);
  // A write that comes before the first window (a program run at connect) waits for it.
  if (views_.empty()) pendingClipboard_ = copy;
  for (ISessionView* view : views_) view->HostClipboard(copy);
}

void CVT420Doc::NotifyConnection(bool ended) {
  std::lock_guard lock(viewsMutex_);
  for (ISessionView* view : views_) view->ConnectionChanged(ended);
}

void CVT420Doc::NotifyBell() {
  std::lock_guard lock(viewsMutex_);
  // A bell in the greeting, before the first window, rings once when that window opens.
  if (views_.empty()) pendingBell_ = true;
  for (ISessionView* view : views_) view->Bell();
}

CConnectionSettings CVT420Doc::ConnectionSettingsLocked() {
  CConnectionSettings c = ConnectionSettingsFrom(terminal_.Settings());
  // The host is told the screen's real size, which the settings may exceed.
  c.columns = std::clamp(c.columns, 1, kLineWidth);
  c.lines = terminal_.Screen().Lines();
  return c;
}

void CVT420Doc::SyncWorkerUpdatesLocked() {
  CWorkerUpdates::Pending p = workerUpdates_.Take();
  CSettingsSet& s = terminal_.Settings();
  if (!p.trace.empty()) terminal_.WriteCaptureTrace(p.trace);
  if (p.localEcho) s.SetInt(S::LocalEcho, *p.localEcho ? 1 : 0);
  if (p.user) s.SetStr(S::SshUser, *p.user);
  if (p.protectedPassword) s.SetStr(S::SshPassword, *p.protectedPassword);
  // The print thread found that the printer could not be opened: the print mode goes back off.
  if (terminal_.GetPrintMode() != PrintMode::kNone && print_.OpenFailed()) {
    CSettingsChange change;
    change.printModeOff = true;
    terminal_.ApplyChanges(change);
  }
}

void CVT420Doc::ReplaceTransport(std::unique_ptr<CTransport> transport) {
  // A transfer writes to the transport it started on.
  transfer_.End();
  std::unique_ptr<CTransport> old;
  {
    std::lock_guard lock(transportMutex_);
    old = std::move(transport_);
    transport_ = std::move(transport);
  }
  old.reset();
  // The old worker may have started a receive before it ended.
  transfer_.End();
}

void CVT420Doc::SendKeepAlive() {
  std::lock_guard lock(transportMutex_);
  if (transport_ && transport_->State() == TransportState::kConnected) transport_->KeepAlive();
}

bool CVT420Doc::CreateTransport(bool reset, bool createOnly) {
  CConnectionSettings settings;
  bool keepSession;
  {
    std::lock_guard lock(terminal_.Mutex());
    SyncWorkerUpdatesLocked();
    settings = ConnectionSettingsLocked();
    keepSession = terminal_.Settings().Int(S::KeepSession) != 0;
    workerUpdates_.SeedCredentials(
        {terminal_.Settings().Str(S::SshUser), terminal_.Settings().Str(S::SshPassword)});
  }
  ReplaceTransport(nullptr);
  const int kind = settings.hostType;
  if ((kind == static_cast<int>(TransportKind::kSsh2) ||
       kind == static_cast<int>(TransportKind::kSsh1)) &&
      dynamic_cast<ISshQuestions*>(questions_) == nullptr) {
    // Without SSH questions the login could not be asked for and the connection would end
    // before authentication without a word.
    Ask(0, kTextNoSshQuestions, MessageButtons::kOk, MessageIcon::kStop, MessageAnswer::kOk,
        kMessageCaption);
    return false;
  }
  std::unique_ptr<CTransport> transport = MakeTransport(settings);
  if (!transport) {
    // Debug sessions have no connection by design; any other kind without one is told.
    if (kind != static_cast<int>(TransportKind::kDebug))
      Ask(0, kTextKindNotAvailable, MessageButtons::kOk, MessageIcon::kStop, MessageAnswer::kOk,
          kMessageCaption);
    return false;
  }
  transport->SetOwner(this);
  if (auto* ssh = dynamic_cast<CSshTransportBase*>(transport.get())) {
    ssh->SetQuestions(dynamic_cast<ISshQuestions*>(questions_));
    ssh->SetCredentials(this);
  }
  ReplaceTransport(std::move(transport));
  keepAlive_.SetEnabled(keepSession);
  keepAlive_.Start();
  if (reset) {
    std::lock_guard lock(terminal_.Mutex());
    terminal_.Reset();
    // The reset may have changed the page geometry the transport announces.
    transport_->UpdateSettings(ConnectionSettingsLocked());
  }
  if (createOnly) return true;
  transport_->Start();
  std::string login;
  {
    std::lock_guard lock(terminal_.Mutex());
    if (terminal_.Settings().Int(S::LoginScript)) login = terminal_.Settings().Str(S::Script);
  }
  if (!login.empty()) scripts_.RunLogin(login);
  return true;
}

void CVT420Doc::PrepareNewSession() {
  LoadTemplate(kDefaultTemplate);
}

bool CVT420Doc::LoadTemplate(std::string_view name) {
  std::lock_guard lock(terminal_.Mutex());
  return ostrane::LoadTemplate(terminal_, name);
}

bool CVT420Doc::SaveTemplate(std::string_view name) {
  std::lock_guard lock(terminal_.Mutex());
  return ostrane::SaveTemplate(terminal_, name);
}

SetupFileStatus CVT420Doc::ReadSessionFile(const std::string& path) {
  std::lock_guard lock(terminal_.Mutex());
  return ReadSetupFile(path, terminal_.Settings(), terminal_.KeyMap());
}

SetupFileStatus CVT420Doc::WriteSessionFile(const std::string& path) {
  std::lock_guard lock(terminal_.Mutex());
  SyncWorkerUpdatesLocked();
  return WriteSetupFile(path, terminal_.Settings(), terminal_.KeyMap());
}

bool CVT420Doc::StartNewSession() {
  if (!CreateTransport(true, false)) return false;
  title_ = "New Connection to " + transport_->GetDisplayName();
  return true;
}

void CVT420Doc::SetSessionTitle(const std::string& text) {
  if (!transport_) {
    title_ = text;
    return;
  }
  title_ = text + " : Connection to " + transport_->GetDisplayName();
}

MessageAnswer CVT420Doc::Ask(int messageId, std::string_view text, MessageButtons buttons,
                             MessageIcon icon, MessageAnswer defaultAnswer,
                             const std::string& caption) {
  if (questions_ == nullptr) return defaultAnswer;
  MessageQuestion q;
  q.messageId = messageId;
  q.text = std::string(text);
  q.caption = caption;
  q.buttons = buttons;
  q.icon = icon;
  q.defaultAnswer = defaultAnswer;
  return questions_->AskMessage(q);
}

bool CVT420Doc::QueryDisconnect(bool ask, bool waitForStop) {
  int question = 0;
  switch (ConnectionState()) {
    case TransportState::kConnecting:
      question = Msg::kAbortConnecting;
      break;
    case TransportState::kConnected:
      question = Msg::kStillConnected;
      break;
    default:
      break;
  }
  if (ask && question != 0 &&
      Ask(question, MessageText(question), MessageButtons::kYesNo, MessageIcon::kQuestion,
          MessageAnswer::kNo, title_) != MessageAnswer::kYes)
    return false;
  if (ask && modified_ &&
      Ask(Msg::kSaveModified, MessageText(Msg::kSaveModified), MessageButtons::kYesNo,
          MessageIcon::kQuestion, MessageAnswer::kYes, kMessageCaption) == MessageAnswer::kYes &&
      save_)
    save_();
  modified_ = false;
  // A worker waiting for the user (an SSH dialog) leaves the dialog, or Stop would wait for it.
  if (scriptFrontEnd_) scriptFrontEnd_->DismissQuestions();
  if (transport_) transport_->Stop(waitForStop);
  return true;
}

bool CVT420Doc::CanReconnect() const {
  return transport_ && transport_->State() == TransportState::kClosed;
}

bool CVT420Doc::Reconnect() {
  if (!CanReconnect()) return false;
  const bool created = CreateTransport(false, false);
  NotifyConnection(false);
  return created;
}

bool CVT420Doc::Send(const uint8_t* data, size_t length) {
  if (monitor_) monitor_->Sent(data, length);
  if (!transport_ || !transport_->Send(data, length)) return false;
  macro_.Record(std::string_view(reinterpret_cast<const char*>(data), length));
  return true;
}

void CVT420Doc::KeyDown(int virtualKey, int repeat, bool extended, const KeyboardState& state) {
  {
    std::lock_guard lock(terminal_.Mutex());
    terminal_.KeyDown(virtualKey, repeat, extended, state);
  }
  CarryOutKeyOutput();
}

void CVT420Doc::KeyChar(char16_t ch) {
  {
    std::lock_guard lock(terminal_.Mutex());
    terminal_.KeyChar(ch);
  }
  CarryOutKeyOutput();
}

void CVT420Doc::SendKeys(const uint8_t* data, size_t length) {
  if (!keyOutput_.empty() && keyOutput_.back().kind == KeyOutput::Kind::kBytes)
    keyOutput_.back().text.append(reinterpret_cast<const char*>(data), length);
  else
    keyOutput_.push_back(
        {KeyOutput::Kind::kBytes, {}, std::string(reinterpret_cast<const char*>(data), length)});
}

void CVT420Doc::RunKeyCommand(KeyCommand command, std::string_view text) {
  keyOutput_.push_back({KeyOutput::Kind::kCommand, command, std::string(text)});
}

// The emulator rings only with WarningBell on; every window of the session is told.
void CVT420Doc::Bell() {
  if (bellLimiter_.Allow(CBellLimiter::Clock::now())) NotifyBell();
}

void CVT420Doc::MarginBell() {
  keyOutput_.push_back({KeyOutput::Kind::kMarginBell, {}, {}});
}

void CVT420Doc::CarryOutKeyOutput() {
  std::vector<KeyOutput> output;
  {
    std::lock_guard lock(terminal_.Mutex());
    output.swap(keyOutput_);
  }
  for (const KeyOutput& o : output) {
    if (o.kind == KeyOutput::Kind::kBytes) {
      // Typed keys would corrupt the transfer's stream.
      if (transfer_.Running()) continue;
      Send(reinterpret_cast<const uint8_t*>(o.text.data()), o.text.size());
    } else if (o.kind == KeyOutput::Kind::kMarginBell) {
      if (keyboardCommands_) keyboardCommands_->MarginBell();
    } else if (o.command == KeyCommand::kScriptText) {
      RunScriptText(o.text, false);
    } else if (o.command == KeyCommand::kScriptFile) {
      RunScriptFile(o.text);
    } else if (o.command == KeyCommand::kBreak) {
      if (transport_) transport_->SendBreak();
    } else if (o.command == KeyCommand::kMenu) {
      if (keyboardCommands_) keyboardCommands_->RunMenuCommand(o.text);
    } else if (keyboardCommands_) {
      keyboardCommands_->LocalFunction(o.command);
    }
  }
}

void CVT420Doc::SendToHost(const uint8_t* data, size_t length) {
  if (monitor_) monitor_->Sent(data, length);
  // The terminal lock is held: the worker's delivery needs it, so this never waits.
  if (transport_ && transport_->SendNoWait(data, length))
    macro_.Record(std::string_view(reinterpret_cast<const char*>(data), length));
}

void CVT420Doc::HostSizeChanged() {
  if (!transport_) return;
  const CConnectionSettings c = ConnectionSettingsLocked();
  transport_->AnnounceWindowSize(c.columns, c.lines);
}

void CVT420Doc::DeliverReceived(const uint8_t* data, size_t length) {
  // A running transfer owns the data stream; it hands back what belongs on the screen.
  if (transfer_.Deliver(data, length)) return;
  // Scripts see the bytes before the parser, without the terminal lock: their receive
  // routines may read the screen.
  scripts_.Feed(data, length);
  {
    std::lock_guard lock(terminal_.Mutex());
    SyncWorkerUpdatesLocked();
    terminal_.ReceiveBytes(data, length);
    if (monitor_) monitor_->Received(data, length);
  }
  RunPendingHostScripts();
  PrintPendingPages();
}

void CVT420Doc::RunHostScript(std::string_view textOrPath, bool isFile) {
  // Anything longer is not a script a host would send but an attempt to fill memory.
  if (textOrPath.size() > script::kMaxHostScriptString) return;
  hostScripts_.push_back({std::string(textOrPath), isFile});
}

void CVT420Doc::RunPendingHostScripts() {
  std::vector<HostScript> pending;
  {
    std::lock_guard lock(terminal_.Mutex());
    pending.swap(hostScripts_);
  }
  for (const HostScript& h : pending) {
    if (h.isFile)
      RunScriptFile(h.textOrPath, true);
    else
      RunScriptText(h.textOrPath, true);
  }
}

void CVT420Doc::ShowMessage(int messageId) {
  Ask(messageId, MessageText(messageId), MessageButtons::kOk, MessageIcon::kStop,
      MessageAnswer::kOk, kMessageCaption);
}

void CVT420Doc::ConnectionEnded() {
  transfer_.ConnectionLost();
  NotifyConnection(true);
}

void CVT420Doc::ApplyChanges(CSettingsChange& change) {
  CConnectionSettings settings;
  bool keepSession;
  {
    std::lock_guard lock(terminal_.Mutex());
    connectionSettingsChanged_ = false;
    SyncWorkerUpdatesLocked();
    terminal_.ApplyChanges(change);
    settings = ConnectionSettingsLocked();
    keepSession = terminal_.Settings().Int(S::KeepSession) != 0;
    workerUpdates_.SeedCredentials(
        {terminal_.Settings().Str(S::SshUser), terminal_.Settings().Str(S::SshPassword)});
  }
  keepAlive_.SetEnabled(keepSession);
  // Outside the lock: the transport may ask the user about it.
  if (transport_) {
    if (connectionSettingsChanged_)
      transport_->ConnectionSettingsChanged(settings);
    else
      transport_->UpdateSettings(settings);
  }
  connectionSettingsChanged_ = false;
}

void CVT420Doc::ResetTerminal() {
  std::lock_guard lock(terminal_.Mutex());
  terminal_.SoftReset();
  terminal_.NotifyViews();
}

void CVT420Doc::ClearDisplay() {
  std::lock_guard lock(terminal_.Mutex());
  terminal_.ClearDisplay();
  terminal_.NotifyViews();
}

void CVT420Doc::ClearHistoryLocked() {
  CSettingsChange change;
  change.historyCleared = true;
  terminal_.ApplyChanges(change);
}

void CVT420Doc::ToggleHistory() {
  std::lock_guard lock(terminal_.Mutex());
  CSettingsSet& s = terminal_.Settings();
  const bool wasOn = s.Int(S::History) != 0;
  s.SetInt(S::History, wasOn ? 0 : 1);
  if (wasOn) ClearHistoryLocked();
}

bool CVT420Doc::CanClearHistory() {
  std::lock_guard lock(terminal_.Mutex());
  return terminal_.Settings().Int(S::History) != 0 && terminal_.Screen().HistoryCount() > 0;
}

void CVT420Doc::ClearHistory() {
  std::lock_guard lock(terminal_.Mutex());
  ClearHistoryLocked();
}

void CVT420Doc::ClearAll() {
  std::lock_guard lock(terminal_.Mutex());
  terminal_.ClearDisplay();
  ClearHistoryLocked();
}

bool CVT420Doc::OpenCapture(const std::string& path) {
  {
    std::lock_guard lock(terminal_.Mutex());
    SyncWorkerUpdatesLocked();
    terminal_.SetCapture(nullptr);
    if (auto file = CCaptureFile::Open(path)) {
      terminal_.SetCapture(std::move(file));
      return true;
    }
  }
  Ask(0, kTextCannotCreateFile, MessageButtons::kOk, MessageIcon::kStop, MessageAnswer::kOk,
      kMessageCaption);
  return false;
}

void CVT420Doc::CloseCapture() {
  std::lock_guard lock(terminal_.Mutex());
  SyncWorkerUpdatesLocked();
  terminal_.SetCapture(nullptr);
}

bool CVT420Doc::IsCapturing() {
  std::lock_guard lock(terminal_.Mutex());
  return terminal_.IsCapturing();
}

void CVT420Doc::CaptureCommand() {
  if (IsCapturing()) {
    CloseCapture();
    return;
  }
  if (questions_ == nullptr) return;
  FileQuestion q;
  q.title = kCaptureTitle;
  q.filter = kCaptureFilter;
  q.defaultExtension = "txt";
  q.save = true;
  if (const auto path = questions_->ChooseFile(q)) OpenCapture(*path);
}

std::shared_ptr<script::CScript> CVT420Doc::RunScriptFile(const std::string& path, bool byHost) {
  std::string text;
  if (!ReadWholeFile(path, text)) {
    MessageQuestion q;
    q.text = std::string(kTextCannotLoadScript);
    q.icon = MessageIcon::kStop;
    // The host's request arrives on the worker, which must not wait for the user.
    if (byHost)
      questionGate_.Post(q);
    else
      Ask(0, q.text, MessageButtons::kOk, MessageIcon::kStop, MessageAnswer::kOk, kMessageCaption);
    return nullptr;
  }
  return scripts_.Run(path, std::move(text), byHost);
}

std::shared_ptr<script::CScript> CVT420Doc::RunScriptText(const std::string& text, bool byHost) {
  return scripts_.Run(script::kUnnamedScript, text, byHost);
}

void CVT420Doc::SetQuestions(IQuestions* questions) {
  questions_ = questions;
  UpdateQuestionGate();
}

void CVT420Doc::SetScriptQuestions(IQuestions* questions) {
  scriptQuestions_ = questions;
  UpdateQuestionGate();
}

void CVT420Doc::SetScriptFrontEnd(IScriptFrontEnd* frontEnd) {
  scriptFrontEnd_ = frontEnd;
  UpdateQuestionGate();
}

void CVT420Doc::UpdateQuestionGate() {
  std::function<void()> dismiss;
  if (IScriptFrontEnd* frontEnd = scriptFrontEnd_)
    dismiss = [frontEnd] { frontEnd->DismissQuestions(); };
  questionGate_.SetFront(scriptQuestions_ ? scriptQuestions_ : questions_, std::move(dismiss));
}

MessageAnswer CVT420Doc::AskMessage(const MessageQuestion& question,
                                    const script::CStopSignal& stop) {
  return questionGate_.AskMessage(question, stop);
}

std::optional<std::string> CVT420Doc::AskText(const TextQuestion& question,
                                              const script::CStopSignal& stop) {
  return questionGate_.AskText(question, stop);
}

void CVT420Doc::Send(std::string_view bytes) {
  Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void CVT420Doc::SendLocal(std::string_view bytes) {
  std::lock_guard lock(transportMutex_);
  if (transport_)
    transport_->DeliverLocal(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void CVT420Doc::SendBreak() {
  std::lock_guard lock(transportMutex_);
  if (transport_) transport_->SendBreak();
}

bool CVT420Doc::RunMenuCommand(std::string_view path) {
  return scriptFrontEnd_ && scriptFrontEnd_->PostMenuCommand(path);
}

bool CVT420Doc::StartCapture(const std::string& path, const std::string& mode) {
  if (std::find(std::begin(kCaptureModes), std::end(kCaptureModes), mode) ==
      std::end(kCaptureModes))
    return false;
  std::lock_guard lock(terminal_.Mutex());
  SyncWorkerUpdatesLocked();
  terminal_.SetCapture(nullptr);
  auto file = CCaptureFile::Open(path, mode.c_str());
  if (!file) return false;
  terminal_.SetCapture(std::move(file));
  return true;
}

void CVT420Doc::SendZModem(const std::string& path) {
  SendZModemFiles({path});
}

CSessionTransfer::ReceiveOptions CVT420Doc::ReceiveOptionsLocked() {
  const CSettingsSet& s = terminal_.Settings();
  CSessionTransfer::ReceiveOptions o;
  o.folder = ResolveReceiveFolder(s.Str(S::RecvDir), platform::DataFolder());
  o.openFolder = s.Int(S::XferOpenRecv) == 1;
  return o;
}

bool CVT420Doc::ReceiveZModem() {
  CSessionTransfer::ReceiveOptions options;
  {
    std::lock_guard lock(terminal_.Mutex());
    options = ReceiveOptionsLocked();
  }
  if (!transport_ || transport_->State() != TransportState::kConnected) return false;
  return transfer_.StartReceive(*transport_, options);
}

void CVT420Doc::StartZModemReceive() {
  // The worker of this transport is the caller, so the transport stays while it runs.
  if (!transport_ || transport_->State() != TransportState::kConnected) return;
  transfer_.StartReceive(*transport_, ReceiveOptionsLocked());
}

bool CVT420Doc::SendZModemFiles(const std::vector<std::string>& paths) {
  if (paths.empty() || transfer_.Running() || !transport_ ||
      transport_->State() != TransportState::kConnected)
    return false;
  // Every file is checked before anything goes to the host: a batch is sent whole or not at all.
  CPosixSendSource source;
  for (const std::string& path : paths) {
    std::string error;
    if (!source.Open(path, error)) {
      Ask(0, std::string(kTextCannotOpenForSending) + " " + path, MessageButtons::kOk,
          MessageIcon::kStop, MessageAnswer::kOk, kMessageCaption);
      return false;
    }
  }
  CSessionTransfer::SendOptions options;
  {
    std::lock_guard lock(terminal_.Mutex());
    options.initString = terminal_.Settings().Str(S::ZModemInit);
    options.initPause = std::chrono::milliseconds(terminal_.Settings().Int(S::XferInitPause));
  }
  return transfer_.StartSend(*transport_, paths, options);
}

void CVT420Doc::TransferScreenBytes(const uint8_t* data, size_t length) {
  {
    std::lock_guard lock(terminal_.Mutex());
    SyncWorkerUpdatesLocked();
    terminal_.ReceiveBytes(data, length);
    if (monitor_) monitor_->Received(data, length);
  }
  RunPendingHostScripts();
  PrintPendingPages();
}

void CVT420Doc::LoadSession(const std::string& path) {
  if (!scriptFrontEnd_ || !scriptFrontEnd_->LoadSession(path))
    script::Raise(script::Err::kNotSupported, "LoadSession");
}

void CVT420Doc::PlaySound(const std::string& path) {
  if (scriptFrontEnd_) scriptFrontEnd_->PlaySound(path);
}

void CVT420Doc::ReportError(const script::ScriptError& error) {
  const std::string report = script::FormatErrorReport(error);
  if (scriptFrontEnd_) {
    scriptFrontEnd_->ReportScriptError(report, false);
    return;
  }
  MessageQuestion q;
  q.text = report;
  q.icon = MessageIcon::kStop;
  // Posted: the script ends now, and closing the session never waits for the box.
  questionGate_.Post(q);
}

void CVT420Doc::PostRoutineError(const script::ScriptError& error) {
  const std::string report = script::FormatRoutineErrorReport(error);
  if (scriptFrontEnd_) {
    scriptFrontEnd_->ReportScriptError(report, true);
    return;
  }
  MessageQuestion q;
  q.text = report;
  questionGate_.Post(q);
}

void CVT420Doc::RecordMacroCommand() {
  if (!macro_.IsRecording()) {
    macro_.Start();
    return;
  }
  const std::string text = macro_.Stop();
  if (text.empty()) {
    Ask(0, kTextEmptyMacro, MessageButtons::kOk, MessageIcon::kInformation, MessageAnswer::kOk,
        kMessageCaption);
    return;
  }
  SaveMacro(text);
}

void CVT420Doc::SaveMacro(const std::string& text) {
  if (questions_ == nullptr) return;
  FileQuestion q;
  q.title = kMacroTitle;
  q.filter = kMacroFilter;
  q.defaultExtension = "oss";
  q.save = true;
  const std::optional<std::string> path = questions_->ChooseFile(q);
  if (!path) return;
  bool written = false;
  if (std::FILE* file = std::fopen(path->c_str(), "wb")) {
    written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = std::fclose(file) == 0 && written;
  }
  if (!written)
    Ask(0, kTextCannotCreateFile, MessageButtons::kOk, MessageIcon::kStop, MessageAnswer::kOk,
        kMessageCaption);
}

}  // namespace ostrane
