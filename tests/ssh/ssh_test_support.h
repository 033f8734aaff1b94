// Doubles and helpers of the SSH tests: questions answered from set values and recorded, and a
// session run through CSsh2Transport up to a shell command's output.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ssh/ssh2_transport.h"
#include "ssh/ssh_credentials.h"
#include "ssh/ssh_questions.h"
#include "transport/test_owner.h"

namespace ostrane::test {

class CTestSshQuestions : public ISshQuestions {
 public:
  // Answers.
  std::string user;
  std::string password;
  bool usePublicKey = false;
  std::string identityFile;
  bool savePassword = false;
  bool acceptHostKey = true;
  std::optional<std::string> keyPassword;
  std::vector<std::string> retryKeyPasswords;  // one per "Retry Password" question
  std::optional<std::string> newKeyPassword;
  std::vector<SshPasswordChangeAnswer> changes;  // one per "Change Password" question
  int maxAuthorizations = 1;

  MessageAnswer AskMessage(const MessageQuestion& q) override {
    std::lock_guard lock(mutex_);
    messages_.push_back(q.text);
    return MessageAnswer::kOk;
  }
  std::optional<std::string> ChooseFile(const FileQuestion&) override { return std::nullopt; }
  std::optional<SshAuthorizationAnswer> AskAuthorization(const std::string&, int,
                                                         const std::string& remembered,
                                                         SshKeyFiles) override {
    std::lock_guard lock(mutex_);
    authorizationUsers_.push_back(remembered);
    if (static_cast<int>(authorizationUsers_.size()) > maxAuthorizations) return std::nullopt;
    return SshAuthorizationAnswer{user, usePublicKey, password, savePassword, identityFile};
  }
  std::optional<SshPasswordChangeAnswer> AskPasswordChange(const std::string&, const std::string&,
                                                           bool retry) override {
    std::lock_guard lock(mutex_);
    changeRetries_.push_back(retry);
    if (changeRetries_.size() > changes.size()) return std::nullopt;
    return changes[changeRetries_.size() - 1];
  }
  bool AskNewHostKey(const SshHostKeyQuestion& q) override {
    std::lock_guard lock(mutex_);
    hostKeys_.push_back(q);
    return acceptHostKey;
  }
  std::optional<std::string> AskKeyPassword(const std::string&, bool retry) override {
    std::lock_guard lock(mutex_);
    if (!retry) return keyPassword;
    if (retries_ >= retryKeyPasswords.size()) return std::nullopt;
    return retryKeyPasswords[retries_++];
  }
  std::optional<std::string> AskKeyCreation(const std::string&) override {
    std::lock_guard lock(mutex_);
    ++keyCreations_;
    return newKeyPassword;
  }
  std::optional<std::vector<std::string>> AskKeyboardInteractive(
      const SshKeyboardQuestion& q) override {
    std::lock_guard lock(mutex_);
    prompts_.push_back(q);
    std::vector<std::string> answers;
    for (const SshPrompt& p : q.prompts) answers.push_back(p.echo ? user : password);
    return answers;
  }

  std::vector<std::string> Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::vector<std::string> AuthorizationUsers() {
    std::lock_guard lock(mutex_);
    return authorizationUsers_;
  }
  std::vector<bool> ChangeRetries() {
    std::lock_guard lock(mutex_);
    return changeRetries_;
  }
  std::vector<SshHostKeyQuestion> HostKeys() {
    std::lock_guard lock(mutex_);
    return hostKeys_;
  }
  std::vector<SshKeyboardQuestion> Prompts() {
    std::lock_guard lock(mutex_);
    return prompts_;
  }
  size_t RetriesAsked() {
    std::lock_guard lock(mutex_);
    return retries_;
  }
  int KeyCreations() {
    std::lock_guard lock(mutex_);
    return keyCreations_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> messages_;
  std::vector<std::string> authorizationUsers_;
  std::vector<bool> changeRetries_;
  std::vector<SshHostKeyQuestion> hostKeys_;
  std::vector<SshKeyboardQuestion> prompts_;
  size_t retries_ = 0;
  int keyCreations_ = 0;
};

// The remembered login of a test session.
class CTestCredentials : public ISshCredentials {
 public:
  SshCredentials LoadCredentials() override {
    std::lock_guard lock(mutex_);
    return credentials_;
  }
  void StoreCredentials(const std::string* user, const std::string* protectedPassword) override {
    std::lock_guard lock(mutex_);
    if (user != nullptr) credentials_.user = *user;
    if (protectedPassword != nullptr) credentials_.protectedPassword = *protectedPassword;
  }

 private:
  std::mutex mutex_;
  SshCredentials credentials_;
};

// A session of CSsh2Transport with a test owner, connected to 127.0.0.1:port.
class CSshSession {
 public:
  CSshSession(int port, CTestSshQuestions& questions) {
    settings_.hostType = 5;
    settings_.host = "127.0.0.1";
    settings_.port = port;
    settings_.terminalName = "vt220";
    transport_.SetOwner(&owner_);
    transport_.SetQuestions(&questions);
    transport_.SetCredentials(&credentials_);
  }
  ~CSshSession() { transport_.Stop(); }

  CTestOwner& Owner() { return owner_; }
  CSsh2Transport& Transport() { return transport_; }
  // The connection settings Start hands to the transport.
  CConnectionSettings& Settings() { return settings_; }
  void Start() {
    transport_.UpdateSettings(settings_);
    transport_.Start();
  }

  // Waits until the shell runs (false when the connection ended or the time ran out).
  bool WaitForShell(int timeoutMs = 15000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (transport_.State() == TransportState::kClosed) return false;
      const CSsh2Protocol* p = transport_.Protocol();
      if (p != nullptr && p->ShellRunning()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // Waits until the received data holds the text.
  bool WaitForText(const std::string& text, int timeoutMs = 15000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (owner_.Received().find(text) != std::string::npos) return true;
      if (transport_.State() == TransportState::kClosed) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void Type(const std::string& text) {
    transport_.Send(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  // Logs in, runs `echo` of a computed value and returns true when its result came back.
  bool RunsCommand() {
    if (!WaitForShell()) return false;
    Type("echo ostrane-$((40+2))\r");
    return WaitForText("ostrane-42");
  }
  SshCredentials Remembered() { return credentials_.LoadCredentials(); }
  void Remember(const std::string& user, const std::string& protectedPassword) {
    credentials_.StoreCredentials(&user, &protectedPassword);
  }

 private:
  CConnectionSettings settings_;
  CTestOwner owner_;
  CTestCredentials credentials_;
  CSsh2Transport transport_;
};

}  // namespace ostrane::test
