#include "ssh/ssh_key_manager.h"

#include <filesystem>

#include "platform/ssh_key_files.h"
#include "ssh/ssh_limits.h"
#include "ssh/ssh_user_key.h"

namespace ostrane {

namespace {

constexpr char kPublicFilter[] = "Public Key Files (*.pub)|*.pub|All Files (*.*) |*.*|";
constexpr char kPrivateFilter[] = "Private Key Files (*.key)|*.key|All Files (*.*) |*.*|";
// A key file worth reading is a few kilobytes; this bounds what a wrong file makes us read.
constexpr size_t kMaxKeyFile = 64 * 1024;
// The smallest protected record: one 8-byte block, the digest and its trailer.
constexpr size_t kMinRecord = 32;

}  // namespace

std::string ReplaceKeyText(const std::string& name) {
  return "A key is already stored for \"" + name + "\". Replace it?";
}

void CSshKeyManager::Tell(std::string_view text, MessageIcon icon) {
  MessageQuestion q;
  q.text = std::string(text);
  q.icon = icon;
  questions_.AskMessage(q);
}

bool CSshKeyManager::ConfirmReplace(const std::string& name) {
  if (!store_.UserRecord(name) && !store_.HasOpenSshKey(name)) return true;
  MessageQuestion q;
  q.text = ReplaceKeyText(name);
  q.buttons = MessageButtons::kYesNo;
  q.icon = MessageIcon::kQuestion;
  q.defaultAnswer = MessageAnswer::kNo;
  return questions_.AskMessage(q) == MessageAnswer::kYes;
}

std::optional<std::string> CSshKeyManager::Choose(bool privateKey, bool save,
                                                  const std::string& name) {
  FileQuestion q;
  q.title = save ? "Save As" : "Open";
  q.filter = privateKey ? kPrivateFilter : kPublicFilter;
  q.defaultExtension = privateKey ? "key" : "pub";
  q.save = save;
  q.initialName = name.empty() ? name : name + "." + q.defaultExtension;
  return questions_.ChooseFile(q);
}

SshKeyTextKind CSshKeyManager::RecordKind() const {
  return store_.Version() == SshVersion::k1 ? SshKeyTextKind::kSsh1PrivateRecord
                                            : SshKeyTextKind::kSsh2PrivateRecord;
}

bool CSshKeyManager::Create(const std::string& user, const std::string& password,
                            const std::string& retype, std::optional<SshNewKeyType> type) {
  if (user.empty() || password.empty() || retype.empty()) {
    Tell(kTextAllFieldsRequired);
    return false;
  }
  if (password != retype) {
    Tell(kTextRetypeDiffers);
    return false;
  }
  const auto name = CleanSshKeyName(user);
  if (!name) {
    Tell(kTextInvalidKeyName);
    return false;
  }
  if (!ConfirmReplace(*name)) return false;
  if (type && store_.Version() == SshVersion::k2)
    return store_.CreateOpenSshKey(*name, password, *type, &questions_);
  // The record form replaces an OpenSSH pair of the same name.
  if (store_.HasOpenSshKey(*name)) store_.RemoveUser(*name);
  return store_.CreateUserKey(*name, password, &questions_);
}

bool CSshKeyManager::RemoveUser(const std::string& user) {
  if (user.empty()) {
    Tell(kTextSelectUser);
    return false;
  }
  return store_.RemoveUser(user);
}

bool CSshKeyManager::RemoveHost(const std::string& host) {
  if (host.empty()) {
    Tell(kTextSelectHost);
    return false;
  }
  return store_.RemoveHost(host);
}

bool CSshKeyManager::Backup(const std::string& user) {
  if (user.empty()) {
    Tell(kTextSelectUser);
    return false;
  }
  const auto record = store_.UserRecord(user);
  const auto openSsh = record ? std::nullopt : store_.OpenSshKeyFile(user);
  if (!record && !openSsh) return false;
  // Named after the user: an OpenSSH pair is restored under its file's name.
  const auto file = Choose(true, true, user);
  if (!file) return false;
  // The key is only as strong as its password: the backup is the owner's alone.
  const std::string text = record ? SshKeyText(RecordKind(), *record, user) : *openSsh;
  if (!platform::WritePrivateFile(*file, text)) {
    Tell(std::string(kTextFileNotWritten) + *file);
    return false;
  }
  return true;
}

bool CSshKeyManager::Restore(const std::string& selected) {
  const auto file = Choose(true, false, selected);
  if (!file) return false;
  const auto text = platform::ReadWholeFile(*file, kMaxKeyFile);
  if (!text) {
    Tell(std::string(kTextFileNotRead) + *file);
    return false;
  }
  if (OpenSshFilePublicKey(*text)) return RestoreOpenSsh(*file, *text);
  auto key = ImportSshKeyText(*text, RecordKind());
  // A record that cannot be one (wrong size or not whole blocks) is refused before it is stored.
  const std::optional<std::string> name = key ? CleanSshKeyName(key->subject) : std::nullopt;
  if (!key || !name || key->bytes.size() < kMinRecord || key->bytes.size() > kSshMaxUserKeyRecord ||
      key->bytes.size() % 8 != 0) {
    Tell(kTextInvalidPrivateKeyFile);
    return false;
  }
  if (!ConfirmReplace(*name)) return false;
  return store_.StoreUserRecord(*name, key->bytes);
}

// An OpenSSH private-key file, imported under its file name (without extension): checked as far
// as it can be without its passphrase.
bool CSshKeyManager::RestoreOpenSsh(const std::string& file, const std::string& text) {
  if (store_.Version() != SshVersion::k2) {
    Tell(kTextOpenSshOnlyVersion2);
    return false;
  }
  SshKeyFileError error = SshKeyFileError::kNone;
  CSshUserKey::FromOpenSshFile(text, "", error);
  const std::optional<std::string> name =
      CleanSshKeyName(std::filesystem::path(file).stem().string());
  if (!name || (error != SshKeyFileError::kNone && error != SshKeyFileError::kWrongPassphrase)) {
    Tell(kTextInvalidPrivateKeyFile);
    return false;
  }
  if (!ConfirmReplace(*name)) return false;
  store_.RemoveUser(*name);
  return store_.StoreOpenSshKeyFile(*name, text);
}

bool CSshKeyManager::ExportPublicKey(const std::string& user) {
  if (user.empty()) {
    Tell(kTextSelectUser);
    return false;
  }
  auto text = store_.ExportPublicKey(user, &questions_);
  if (!text) return false;
  // A DSA pair's text is the framed form; OpenSSH's servers take only the line.
  if (const auto framed = ImportSshKeyText(*text, SshKeyTextKind::kSsh2PublicKey)) {
    MessageQuestion q;
    q.text = std::string(kTextExportOneLine);
    q.buttons = MessageButtons::kYesNo;
    q.icon = MessageIcon::kQuestion;
    q.defaultAnswer = MessageAnswer::kYes;
    if (questions_.AskMessage(q) == MessageAnswer::kYes)
      text = OpenSshPublicLine(framed->bytes, framed->subject) + "\n";
  }
  const auto file = Choose(false, true, user);
  if (!file) return false;
  if (!platform::WritePrivateFile(*file, *text)) {
    Tell(std::string(kTextFileNotWritten) + *file);
    return false;
  }
  return true;
}

bool CSshKeyManager::AddHost() {
  const auto file = Choose(false, false, {});
  if (!file) return false;
  const auto text = platform::ReadWholeFile(*file, kMaxKeyFile);
  if (!text) {
    Tell(std::string(kTextFileNotRead) + *file);
    return false;
  }
  const auto key = store_.Version() == SshVersion::k1
                       ? ImportSsh1PublicKey(*text)
                       : ImportSshKeyText(*text, SshKeyTextKind::kSsh2PublicKey);
  const std::optional<std::string> name = key ? CleanSshKeyName(key->subject) : std::nullopt;
  if (!key || !name || key->bytes.size() > kSshMaxHostKeyBlob) {
    Tell(kTextInvalidPublicKeyFile);
    return false;
  }
  return store_.StoreHostKey(*name, key->bytes);
}

std::string CSshKeyManager::UserKeyText(const std::string& user) const {
  if (const auto file = store_.OpenSshKeyFile(user)) {
    const auto key = OpenSshFilePublicKey(*file);
    return key ? OpenSshPublicLine(key->second, user) : std::string();
  }
  const auto record = store_.UserRecord(user);
  return record ? SshKeyText(RecordKind(), *record, user) : std::string();
}

std::string CSshKeyManager::HostKeyText(const std::string& host) const {
  const auto blob = store_.HostKey(host);
  return blob ? store_.HostKeyText(host, *blob) : std::string();
}

}  // namespace ostrane
