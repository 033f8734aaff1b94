// CSshKeyManager: what the key manager dialog does over one key store — create, remove, back up,
// restore and export the user's key pairs, add and remove host keys, and the text of a key for
// the key information dialog. Files are chosen and messages shown through the questions, so the
// desktop program and the tests drive the same steps.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ssh/ssh_key_store.h"
#include "ssh/ssh_key_text.h"
#include "ssh/ssh_questions.h"

namespace ostrane {

inline constexpr std::string_view kTextSelectUser = "Please select a user.";
inline constexpr std::string_view kTextSelectHost = "Please select a host.";
inline constexpr std::string_view kTextInvalidPrivateKeyFile = "Invalid private key file format.";
inline constexpr std::string_view kTextInvalidPublicKeyFile = "Invalid public key file format.";
inline constexpr std::string_view kTextAllFieldsRequired =
    "All fields are required. Please specify.";
inline constexpr std::string_view kTextRetypeDiffers =
    "The password retype is not identical. Please type again.";
inline constexpr std::string_view kTextInvalidKeyName =
    "A key name may not be empty or contain \"=\", \"[\", \"]\", \"/\", \"..\" or control "
    "characters.";
inline constexpr std::string_view kTextFileNotWritten = "The file could not be written: ";
inline constexpr std::string_view kTextFileNotRead = "The file could not be read: ";
inline constexpr std::string_view kTextOpenSshOnlyVersion2 =
    "OpenSSH private keys can only be used with SSH2.";
// Asked when a DSA pair's public key is exported: Yes writes the one line a server's
// authorized_keys takes, No the framed SSH2 public key text.
inline constexpr std::string_view kTextExportOneLine =
    "Export the public key as one line for a server's authorized_keys file?\n\n"
    "No exports it as SSH2 public key text.";

// "Replace the key of <name>?" asked before a key is created or restored over another.
std::string ReplaceKeyText(const std::string& name);

class CSshKeyManager {
 public:
  CSshKeyManager(CSshKeyStore& store, ISshQuestions& questions)
      : store_(store), questions_(questions) {}

  CSshKeyStore& Store() { return store_; }
  // Checks the three fields, asks before replacing a pair, then creates it (the store tells
  // the user where the public key went). True when a pair was created.
  // type: an OpenSSH pair of that kind (version 2 only); none: the store's own record kind.
  bool Create(const std::string& user, const std::string& password, const std::string& retype,
              std::optional<SshNewKeyType> type = std::nullopt);
  bool RemoveUser(const std::string& user);
  bool Backup(const std::string& user);
  // selected: the user selected in the list, whose backup is offered first.
  bool Restore(const std::string& selected = {});
  bool ExportPublicKey(const std::string& user);
  bool AddHost();
  bool RemoveHost(const std::string& host);
  // The text forms shown by the key information dialog: the protected record of a user (the
  // public line of an OpenSSH pair), the public key of a host.
  std::string UserKeyText(const std::string& user) const;
  std::string HostKeyText(const std::string& host) const;

 private:
  void Tell(std::string_view text, MessageIcon icon = MessageIcon::kStop);
  bool ConfirmReplace(const std::string& name);
  // name: the file name offered first.
  std::optional<std::string> Choose(bool privateKey, bool save, const std::string& name);
  SshKeyTextKind RecordKind() const;
  bool RestoreOpenSsh(const std::string& file, const std::string& text);

  CSshKeyStore& store_;
  ISshQuestions& questions_;
};

}  // namespace ostrane
