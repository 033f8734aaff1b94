// User authentication of CSsh2Protocol (RFC 4252, RFC 4256) and the opening of its channel.
#include "platform/ssh_key_files.h"
#include "ssh/ssh2_protocol.h"
#include "ssh/ssh_error.h"
#include "ssh/ssh_limits.h"
#include "ssh/ssh_messages.h"
#include "ssh/ssh_remembered_password.h"
#include "ssh/ssh_user_key.h"

namespace ostrane {

namespace {

constexpr std::string_view kConnectionService = "ssh-connection";
constexpr std::string_view kPassword = "password";
constexpr std::string_view kPublicKey = "publickey";
constexpr std::string_view kKeyboard = "keyboard-interactive";

void StartRequest(CSshWriter& w, const std::string& user, std::string_view method) {
  w.Byte(SSH_MSG_USERAUTH_REQUEST);
  w.String(user);
  w.String(kConnectionService);
  w.String(method);
}

}  // namespace

void CSsh2Protocol::OnAuthPacket(uint8_t type, ByteSpan payload) {
  CSshReader in(payload.subspan(1));
  if (type == SSH_MSG_USERAUTH_BANNER) {
    ShowText(in.Text(), MessageIcon::kInformation);
    return;
  }
  if (authStep_ == AuthStep::kAwaitServiceAccept) {
    if (type != SSH_MSG_SERVICE_ACCEPT) throw CSshError(SshError::kUnexpected);
    StartAttempt();
    return;
  }
  switch (type) {
    case SSH_MSG_USERAUTH_SUCCESS:
      WipeString(promptPassword_);
      if (askedLogin_ && questions_)
        questions_->AuthorizationAccepted(options_.host, options_.port, *askedLogin_);
      OpenChannel();
      return;
    case SSH_MSG_USERAUTH_PASSWD_CHANGEREQ:
      if (method_ == AuthMethod::kKeyboard)
        AnswerPrompts(payload);
      else
        ChangePassword(authStep_ == AuthStep::kChangingPassword);
      return;
    case SSH_MSG_USERAUTH_FAILURE: {
      // A refused login is not tried again unasked.
      const std::string empty;
      host_.WriteCredentials(&empty, &empty);
      allowedMethods_ = std::string(in.Text());
      const bool partial = in.Bool();
      // A server that takes passwords only through keyboard-interactive gets the same password
      // that way, instead of the user being asked for it again.
      if (!partial && method_ == AuthMethod::kPassword && authStep_ == AuthStep::kAttempting &&
          !promptPassword_.empty() && !NameListContains(allowedMethods_, kPassword) &&
          NameListContains(allowedMethods_, kKeyboard)) {
        SendKeyboardRequest(user_);
        return;
      }
      if (!NameListContains(allowedMethods_, kPassword) &&
          !NameListContains(allowedMethods_, kPublicKey) &&
          !NameListContains(allowedMethods_, kKeyboard))
        throw CSshError(SshError::kAuthFailed);
      if (partial || authStep_ == AuthStep::kAttempting)
        StartAttempt();
      else
        ChangePassword(true);
      return;
    }
    default:
      throw CSshError(SshError::kUnexpected);
  }
}

void CSsh2Protocol::StartAttempt() {
  std::string user, protectedPassword;
  host_.ReadCredentials(user, protectedPassword);
  std::string password = RecallPassword(options_.host, user, protectedPassword);
  // Before the server has named its methods, a password is worth trying.
  const bool passwordAllowed =
      allowedMethods_.empty() || NameListContains(allowedMethods_, kPassword);
  const bool keyboardAllowed = NameListContains(allowedMethods_, kKeyboard);
  authStep_ = AuthStep::kAttempting;
  WipeString(promptPassword_);
  savePromptPassword_ = false;
  if (!user.empty() && !password.empty() && passwordAllowed) {
    SendPasswordRequest(user, password);
    promptPassword_ = std::move(password);
    return;
  }
  if (!user.empty() && !password.empty() && keyboardAllowed) {
    // A remembered password answers the server's password prompt as well.
    user_ = user;
    promptPassword_ = std::move(password);
    SendKeyboardRequest(user_);
    return;
  }
  WipeString(password);
  auto answer = questions_ ? questions_->AskAuthorization(options_.host, options_.port, user,
                                                          SshKeyFiles::kOffered)
                           : std::nullopt;
  if (!answer) throw CSshError(SshError::kAborted);
  user_ = answer->user;
  askedLogin_ = SshAuthorizationAnswer{
      answer->user, answer->usePublicKey, {}, answer->savePassword, answer->identityFile};
  if (answer->usePublicKey && !answer->identityFile.empty()) {
    const auto text = platform::ReadWholeFile(answer->identityFile, kSshMaxKeyFile);
    SshKeyFileError error = SshKeyFileError::kNotAKey;
    const auto key =
        text ? CSshUserKey::FromOpenSshFile(*text, answer->password, error) : std::nullopt;
    WipeString(answer->password);
    if (!key) {
      // A key that cannot be used ends the login: no other method is tried behind the user's back.
      ShowText(std::string(SshKeyFileErrorText(error)) + "\n" + answer->identityFile);
      throw CSshError(SshError::kCannotLoadKeys);
    }
    SendPublicKeyRequest(user_, key->SignatureAlgorithm(), key->PublicBlob(),
                         [&key](ByteSpan data) { return key->Sign(data); });
    return;
  }
  if (answer->usePublicKey && keys_.HasOpenSshKey(user_)) {
    const CSshUserKey key = keys_.LoadOpenSshForAuthentication(user_, answer->password, questions_);
    WipeString(answer->password);
    SendPublicKeyRequest(user_, key.SignatureAlgorithm(), key.PublicBlob(),
                         [&key](ByteSpan data) { return key.Sign(data); });
    return;
  }
  if (answer->usePublicKey) {
    const CSshDssKey key = keys_.LoadForAuthentication(user_, answer->password, questions_);
    WipeString(answer->password);
    SendPublicKeyRequest(user_, "ssh-dss", key.PublicBlob(), [&key](ByteSpan data) {
      Bytes signature;
      CSshWriter sw(signature);
      sw.String("ssh-dss");
      sw.String(key.Sign(data));
      return signature;
    });
    return;
  }
  if (!passwordAllowed && keyboardAllowed) {
    host_.WriteCredentials(&user_, nullptr);
    promptPassword_ = std::move(answer->password);
    savePromptPassword_ = answer->savePassword;
    WipeString(answer->password);
    SendKeyboardRequest(user_);
    return;
  }
  SendPasswordRequest(user_, answer->password);
  const std::string remembered =
      answer->savePassword ? RememberPassword(options_.host, user_, answer->password) : "";
  host_.WriteCredentials(&user_, &remembered);
  promptPassword_ = std::move(answer->password);
  savePromptPassword_ = answer->savePassword;
  WipeString(answer->password);
}

void CSsh2Protocol::SendPasswordRequest(const std::string& user, const std::string& password) {
  user_ = user;
  method_ = AuthMethod::kPassword;
  Bytes request;
  CSshWriter w(request);
  StartRequest(w, user, kPassword);
  w.Bool(false);
  w.String(password);
  Send(request);
  WipeBytes(request);
}

void CSsh2Protocol::SendPublicKeyRequest(const std::string& user, std::string_view algorithm,
                                         ByteSpan blob,
                                         const std::function<Bytes(ByteSpan)>& sign) {
  method_ = AuthMethod::kPublicKey;
  // RFC 4252 section 7: the session id and the request itself are signed.
  Bytes signedData;
  CSshWriter s(signedData);
  s.String(SessionId());
  StartRequest(s, user, kPublicKey);
  s.Bool(true);
  s.String(algorithm);
  s.String(blob);
  const Bytes signature = sign(signedData);

  Bytes request;
  CSshWriter w(request);
  StartRequest(w, user, kPublicKey);
  w.Bool(true);
  w.String(algorithm);
  w.String(blob);
  w.String(signature);
  Send(request);
}

void CSsh2Protocol::SendKeyboardRequest(const std::string& user) {
  method_ = AuthMethod::kKeyboard;
  Bytes request;
  CSshWriter w(request);
  StartRequest(w, user, kKeyboard);
  w.String("");  // language tag
  w.String("");  // submethods
  Send(request);
}

void CSsh2Protocol::ChangePassword(bool retry) {
  auto answer =
      questions_ ? questions_->AskPasswordChange(options_.host, user_, retry) : std::nullopt;
  if (!answer) throw CSshError(SshError::kAborted);
  Bytes request;
  CSshWriter w(request);
  StartRequest(w, user_, kPassword);
  w.Bool(true);
  w.String(answer->oldPassword);
  w.String(answer->newPassword);
  Send(request);
  WipeBytes(request);
  authStep_ = AuthStep::kChangingPassword;
  method_ = AuthMethod::kPassword;
  const std::string remembered =
      answer->savePassword ? RememberPassword(options_.host, user_, answer->newPassword) : "";
  host_.WriteCredentials(&user_, answer->savePassword ? &remembered : nullptr);
  WipeString(answer->oldPassword);
  WipeString(answer->newPassword);
}

void CSsh2Protocol::AnswerPrompts(ByteSpan payload) {
  CSshReader in(payload.subspan(1));
  SshKeyboardQuestion q;
  q.host = options_.host;
  q.user = user_;
  q.name = std::string(in.Text());
  q.instruction = std::string(in.Text());
  in.Text();
  const uint32_t count = in.Uint32();
  if (count > kSshMaxPrompts) throw CSshError(SshError::kUnexpected);
  for (uint32_t i = 0; i < count; ++i) {
    SshPrompt prompt;
    prompt.text = std::string(in.Text());
    prompt.echo = in.Bool();
    q.prompts.push_back(std::move(prompt));
  }
  std::optional<std::vector<std::string>> answers;
  if (count == 0) {
    // A round without prompts (PAM's last one) needs an empty answer, not a dialog.
    answers.emplace();
  } else if (!promptPassword_.empty() && count == 1 && !q.prompts[0].echo) {
    // The one hidden prompt of a round is the password the user has already given.
    answers.emplace(1, promptPassword_);
    if (savePromptPassword_) {
      const std::string remembered = RememberPassword(options_.host, user_, promptPassword_);
      host_.WriteCredentials(&user_, &remembered);
    }
    WipeString(promptPassword_);
    savePromptPassword_ = false;
  } else {
    answers = questions_ ? questions_->AskKeyboardInteractive(q) : std::nullopt;
  }
  if (!answers || answers->size() != count) throw CSshError(SshError::kAborted);
  Bytes response;
  CSshWriter w(response);
  w.Byte(SSH_MSG_USERAUTH_INFO_RESPONSE);
  w.Uint32(count);
  for (std::string& a : *answers) {
    w.String(a);
    WipeString(a);
  }
  Send(response);
  WipeBytes(response);
}

void CSsh2Protocol::OpenChannel() {
  Bytes open;
  CSshWriter w(open);
  w.Byte(SSH_MSG_CHANNEL_OPEN);
  w.String("session");
  w.Uint32(kSshLocalChannel);
  w.Uint32(kSshLocalWindow);
  w.Uint32(kSshLocalMaxPacket);
  localWindow_ = kSshLocalWindow;
  phase_.store(kSession);
  channelState_.store(kOpenSent);
  Send(open);
}

}  // namespace ostrane
