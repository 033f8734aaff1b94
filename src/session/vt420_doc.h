// CVT420Doc: one terminal session without its window. It owns the terminal object, the
// transport and the session's scripts, feeds received data to the scripts and the terminal,
// sends what the session produces (recording it while a macro is recorded), asks the close
// questions, and carries the session commands that act on the terminal.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/terminal_events.h"
#include "emulator/vt420_emulator.h"
#include "keyboard/keyboard_commands.h"
#include "print/print_session.h"
#include "script/macro_recorder.h"
#include "script/question_gate.h"
#include "script/script.h"
#include "script/script_host.h"
#include "session/bell_limiter.h"
#include "session/keep_alive.h"
#include "session/script_front_end.h"
#include "session/session_scripts.h"
#include "session/session_transfer.h"
#include "session/session_view.h"
#include "session/setup_file.h"
#include "session/worker_updates.h"
#include "settings/question_interface.h"
#include "ssh/ssh_credentials.h"
#include "transport/transport.h"
#include "transport/transport_owner.h"

namespace ostrane {

// Shown when an SSH session has no one to answer its login questions.
inline constexpr std::string_view kTextKindNotAvailable =
    "This connection kind is not available in this version of Secure Ostrane.";
inline constexpr std::string_view kTextNoSshQuestions =
    "This session has no way to ask for the SSH password, so the SSH connection is not made.";

// Shown when a macro recording ends without anything sent.
inline constexpr std::string_view kTextEmptyMacro =
    "You didn't type anything, so the macro will be ignored.";

// Shown when a file chosen for a ZModem send cannot be read; nothing is sent.
inline constexpr std::string_view kTextCannotOpenForSending = "Cannot open file for sending.";

class CVT420Doc final : public ITransportOwner,
                        public ISshCredentials,
                        public ITerminalEvents,
                        public script::IScriptHost {
 public:
  CVT420Doc();
  ~CVT420Doc() override;
  CVT420Doc(const CVT420Doc&) = delete;
  CVT420Doc& operator=(const CVT420Doc&) = delete;

  CVT420Emulator& Terminal() override { return terminal_; }
  // The session's settings; only with the terminal lock held.
  CSettingsSet& Settings() { return terminal_.Settings(); }
  CTransport* Transport() { return transport_.get(); }
  TransportState ConnectionState() const;

  // Set before the session starts; the questions and the front end outlive the session.
  void SetQuestions(IQuestions* questions);
  void SetMonitor(ISessionMonitor* monitor) { monitor_ = monitor; }
  // Who answers the scripts' dialogs when not the session's questions (a headless front end
  // answers them differently).
  void SetScriptQuestions(IQuestions* questions);
  void SetScriptFrontEnd(IScriptFrontEnd* frontEnd);
  void SetKeyboardCommands(IKeyboardCommands* commands) { keyboardCommands_ = commands; }
  void SetTransferFrontEnd(ITransferFrontEnd* frontEnd) { transfer_.SetFrontEnd(frontEnd); }
  // Writes the session file; used when the user agrees to save changed settings.
  void SetSaveHandler(std::function<bool()> save) { save_ = std::move(save); }
  void AddView(ISessionView* view);
  void RemoveView(ISessionView* view);

  // How often the keep-alive is sent while KeepSession is on (tests shorten it).
  void SetKeepAliveInterval(std::chrono::milliseconds interval) {
    keepAlive_.SetInterval(interval);
  }

  // Creates the transport named by HostType; false for the Debug kind, a kind not available,
  // or an SSH session without SSH questions (which is told so).
  // With reset the terminal is reset; unless createOnly the transport is started and the login
  // script runs when LoginScript is on.
  bool CreateTransport(bool reset, bool createOnly);
  // A new session starts from the template "default"; without a readable one the defaults
  // stay. Runs before the user or the options adjust the settings for StartNewSession.
  void PrepareNewSession();
  // Creates and starts the transport of a new session; its title becomes "New Connection to %s".
  bool StartNewSession();
  // Settings templates and session files, read into and written from the terminal's settings
  // and key map. A failed read keeps what was read before the failure.
  bool LoadTemplate(std::string_view name);
  bool SaveTemplate(std::string_view name);
  SetupFileStatus ReadSessionFile(const std::string& path);
  SetupFileStatus WriteSessionFile(const std::string& path);
  // The close questions, then Stop. False when the user said No. Without waitForStop the
  // transport is only told to stop (a modem's hang-up takes seconds); the end of the connection
  // is reported to the views as usual.
  bool QueryDisconnect(bool ask, bool waitForStop = true);
  // Only while the transport is Closed: a new transport, no reset.
  bool CanReconnect() const;
  bool Reconnect();

  // What the user, a paste or a script sends. Never call it holding the terminal lock.
  bool Send(const uint8_t* data, size_t length);
  // Keyboard input from the session window; the caller holds no lock. What the keys produce is
  // sent through Send and their commands are carried out once the terminal is released.
  void KeyDown(int virtualKey, int repeat, bool extended, const KeyboardState& state);
  void KeyChar(char16_t ch);

  const std::string& Title() const { return title_; }
  void SetSessionTitle(const std::string& text);
  bool IsModified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // Settings edited for the open session. The caller holds no lock.
  void ApplyChanges(CSettingsChange& change);

  // Session commands.
  void ResetTerminal();
  void ClearDisplay();
  void ToggleHistory();
  bool CanClearHistory();
  void ClearHistory();
  void ClearAll();
  bool OpenCapture(const std::string& path);
  void CloseCapture();
  bool IsCapturing();
  // "Capture to file...": stops a capture, or asks for a file and starts one.
  void CaptureCommand();
  // Scripts the session runs; null when the file cannot be read ("Cannot load script file."
  // is shown) or the session is closing. byHost marks scripts the host started.
  std::shared_ptr<script::CScript> RunScriptFile(const std::string& path, bool byHost = false);
  std::shared_ptr<script::CScript> RunScriptText(const std::string& text, bool byHost);
  // Asks every running script to stop ("Stop Script").
  void StopScripts() { scripts_.StopAll(); }
  size_t RunningScripts() { return scripts_.Count(); }
  // File transfer. Each start is refused (false) while a transfer runs or without a
  // connection. "Receive ZModem" receives into RecvDir; the send types ZModemInit, waits
  // XferInitPause and sends the files as one batch; a file that cannot be read is reported
  // ("Cannot open file for sending.") and nothing is sent.
  bool ReceiveZModem();
  bool SendZModemFiles(const std::vector<std::string>& paths);
  bool TransferRunning() const { return transfer_.Running(); }
  void AbortTransfer() { transfer_.Abort(); }
  // The owner's answer to ITransferFrontEnd::TransferEnded: destroys the ended transfer.
  void ReapTransfer() { transfer_.Reap(); }

  // "Record Macro": starts a recording, or ends it and offers the macro to be saved to a file.
  void RecordMacroCommand();
  bool IsRecordingMacro() const { return macro_.IsRecording(); }
  // Ends the recording without a question: the macro, empty when nothing was sent.
  std::string StopMacroRecording() { return macro_.Stop(); }

  // Printing. A front end with a page printer and message boxes sets its devices before the
  // session starts; without them pages are printed as text on a CUPS queue.
  void SetPrintDevices(IPrintDevices* devices);
  // Print Page, Print All, and Print Selection over view lines first..last; each hands a copy
  // of the lines taken under the terminal lock to the session's print thread. False when there
  // is nothing to print.
  bool PrintPage();
  bool PrintAll();
  bool PrintViewLines(int first, int last);
  // The print commands are offered only while no auto print or printer controller runs.
  bool CanPrint();
  PrintMode CurrentPrintMode();
  // "Printing Mode": auto print off when on, else on.
  void TogglePrintingMode();
  // A printer-controller or auto-print job is open (also while JobTimeout keeps it).
  bool PrintJobOpen() { return print_.JobOpen(); }

  // ITransportOwner.
  void DeliverReceived(const uint8_t* data, size_t length) override;
  void WriteTrace(std::string_view text) override { workerUpdates_.AppendTrace(text); }
  void LocalEchoChanged(bool on) override { workerUpdates_.SetLocalEcho(on); }
  void ShowMessage(int messageId) override;
  void ConnectionEnded() override;

  // ISshCredentials.
  SshCredentials LoadCredentials() override { return workerUpdates_.Credentials(); }
  void StoreCredentials(const std::string* user, const std::string* protectedPassword) override {
    workerUpdates_.StoreCredentials(user, protectedPassword);
  }

  // ITerminalEvents; called with the terminal lock held.
  void SendToHost(const uint8_t* data, size_t length) override;
  void StartZModemReceive() override;
  void HostSizeChanged() override;
  void ConnectionSettingsChanged() override { connectionSettingsChanged_ = true; }
  void SendKeys(const uint8_t* data, size_t length) override;
  void RunKeyCommand(KeyCommand command, std::string_view text) override;
  void MarginBell() override;
  void Bell() override;
  void RunHostScript(std::string_view textOrPath, bool isFile) override;
  bool AutoPrintOn() override;
  void AutoPrintOff() override;
  void AutoPrintLine(int row) override;
  void PrintPageRows(int first, int last) override;
  bool PrinterControllerOn() override;
  void PrinterControllerByte(uint8_t byte) override;
  void PrinterControllerOff() override;
  void HostClipboard(std::string_view text) override;

  // script::IScriptHost; called on script threads, never with the terminal lock held.
  MessageAnswer AskMessage(const MessageQuestion& question,
                           const script::CStopSignal& stop) override;
  std::optional<std::string> AskText(const TextQuestion& question,
                                     const script::CStopSignal& stop) override;
  bool IsConnected() override { return ConnectionState() == TransportState::kConnected; }
  void Send(std::string_view bytes) override;
  void SendLocal(std::string_view bytes) override;
  void SendBreak() override;
  void Disconnect() override { QueryDisconnect(false); }
  bool RunMenuCommand(std::string_view path) override;
  bool StartCapture(const std::string& path, const std::string& mode) override;
  void StopCapture() override { CloseCapture(); }
  void SendZModem(const std::string& path) override;
  void LoadSession(const std::string& path) override;
  void PlaySound(const std::string& path) override;
  void ReportError(const script::ScriptError& error) override;
  void PostRoutineError(const script::ScriptError& error) override;

 private:
  MessageAnswer Ask(int messageId, std::string_view text, MessageButtons buttons, MessageIcon icon,
                    MessageAnswer defaultAnswer, const std::string& caption);
  void NotifyConnection(bool ended);
  void NotifyBell();
  void ClearHistoryLocked();
  // Folds what the worker recorded into the capture and the settings; terminal lock held.
  void SyncWorkerUpdatesLocked();
  CConnectionSettings ConnectionSettingsLocked();
  // Replaces the transport; the old one ends outside transportMutex_.
  void ReplaceTransport(std::unique_ptr<CTransport> transport);
  void SendKeepAlive();
  // Output of a key press, kept while the terminal lock is held.
  struct KeyOutput {
    enum class Kind { kBytes, kCommand, kMarginBell } kind;
    KeyCommand command;
    std::string text;
  };
  void CarryOutKeyOutput();
  // Scripts the host asked for while the terminal lock was held, started once it is released.
  void RunPendingHostScripts();
  void SaveMacro(const std::string& text);
  // Printing helpers; Locked ones with the terminal lock held.
  std::u16string ViewLineTextLocked(int viewIndex);
  std::vector<std::u16string> ViewLinesLocked(int first, int last);
  bool StartPrintOutputLocked();
  // Page prints the host asked for, printed once the terminal lock is released.
  void PrintPendingPages();
  void UpdateQuestionGate();
  // What a receive needs from the settings; terminal lock held.
  CSessionTransfer::ReceiveOptions ReceiveOptionsLocked();
  // Bytes a transfer hands back to the screen, from its thread.
  void TransferScreenBytes(const uint8_t* data, size_t length);
  struct HostScript {
    std::string textOrPath;
    bool isFile;
  };

  CVT420Emulator terminal_;
  // Guards replacing transport_ against the keep-alive thread's use of it.
  std::mutex transportMutex_;
  std::unique_ptr<CTransport> transport_;
  CWorkerUpdates workerUpdates_;
  CKeepAlive keepAlive_{[this] { SendKeepAlive(); }};
  IQuestions* questions_ = nullptr;
  IQuestions* scriptQuestions_ = nullptr;
  IScriptFrontEnd* scriptFrontEnd_ = nullptr;
  ISessionMonitor* monitor_ = nullptr;
  IKeyboardCommands* keyboardCommands_ = nullptr;
  std::vector<KeyOutput> keyOutput_;                            // guarded by the terminal lock
  std::vector<HostScript> hostScripts_;                         // guarded by the terminal lock
  std::vector<std::vector<std::u16string>> pendingPagePrints_;  // guarded by the terminal lock
  CSystemPrintDevices systemPrintDevices_;
  CPrintSession print_{systemPrintDevices_};
  script::CMacroRecorder macro_;
  // Dialogs of scripts; closed before the scripts are joined so that none waits in one.
  script::CQuestionGate questionGate_;
  // Writes through transport_, so it ends before the transport is replaced or goes.
  CSessionTransfer transfer_{
      [this](const uint8_t* data, size_t length) { TransferScreenBytes(data, length); }};
  // Declared last: its scripts call into everything above until they are joined.
  CSessionScripts scripts_{*this};
  std::function<bool()> save_;
  std::mutex viewsMutex_;
  std::optional<std::string> pendingClipboard_;  // viewsMutex_
  bool pendingBell_ = false;                     // viewsMutex_
  CBellLimiter bellLimiter_;                     // terminal lock
  std::vector<ISessionView*> views_;
  std::string title_;
  std::atomic<bool> modified_ = false;  // the GUI thread and script threads
  std::atomic<bool> connectionSettingsChanged_{false};
};

}  // namespace ostrane
