// CSshKeyStore: the host keys the user accepted, per host name, and the user's own key pairs,
// per user name, each kept as a record encrypted under the key's password. One store per
// protocol version: the file "ssh2-keys" (DSA user keys) or "ssh1-keys" (RSA user keys) of the
// configuration folder, sections [UserKeys] and [HostKeys].
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ssh/ssh1_rsa_key.h"
#include "ssh/ssh_dss_key.h"
#include "ssh/ssh_known_hosts.h"
#include "ssh/ssh_questions.h"
#include "ssh/ssh_user_key.h"
#include "ssh/ssh_wire.h"

namespace ostrane {

inline constexpr int kMsgNoKeyAccess = 1037;
inline constexpr int kMsgKeysCreated = 1038;
inline constexpr std::string_view kTextNoKeyAccess = "Sorry, you don't have access to this key.";
inline constexpr std::string_view kTextChangedHostKey =
    "Received a server key from the connecting host, but it's different from the previously "
    "recorded key by Secure Ostrane.\nYou have to talk to your system administrator about this "
    "situation.\nIf the new key is confirmed, then you need to run Key Manager to remove the "
    "previous key.";

inline constexpr std::string_view kTextKeyStoreUnreadable =
    "The SSH key store cannot be read, so the host key cannot be checked. The store is left as "
    "it is: ";
inline constexpr std::string_view kTextKnownHostsDiffers =
    "The host key received differs from the one listed for this host in ";
inline constexpr std::string_view kTextKnownHostsRevoked =
    "The host key received is marked as revoked in ";
inline constexpr std::string_view kTextHostKeyNotStored =
    "The host key was accepted for this connection but could not be saved in the SSH key store: ";

// A user or host name as a key of the store and a part of file names: trailing CR and blanks
// removed; nothing when empty or holding "=", "[", "]", "/", ".." or a control character.
std::optional<std::string> CleanSshKeyName(std::string_view name);

// The changed-key message, with the host and the SHA256 fingerprint of the key it sent now.
std::string ChangedHostKeyText(const std::string& host, ByteSpan blob);

// The protocol version a store serves.
enum class SshVersion { k1, k2 };

class CSshKeyStore {
 public:
  enum class LoadResult { kLoaded = 0, kCancelled = 1, kWrongPassword = 2, kNoKey = 3 };

  // The store of the configuration folder.
  explicit CSshKeyStore(SshVersion version = SshVersion::k2);
  explicit CSshKeyStore(std::string path, SshVersion version = SshVersion::k2)
      : path_(std::move(path)), version_(version) {}
  SshVersion Version() const { return version_; }

  // Accepts a known key silently, asks about a new one (and stores it when accepted), refuses a
  // changed one with a message. questions may be null: new keys are then refused. A version 2
  // store also honours the user's known_hosts file for hosts it has no key of (port names the
  // entry there).
  bool CheckHostKey(const std::string& host, ByteSpan blob, ISshQuestions* questions,
                    int port = kSshStandardPort);
  // Without a password the user is asked for one.
  LoadResult LoadUserKey(const std::string& user, const std::string* password,
                         ISshQuestions* questions, std::optional<CSshDssKey>& key);
  // Retries wrong passwords and offers to create a missing pair; raises "Connection aborted."
  // when the user gives up and "Can't load keys for user." when the pair cannot be had.
  CSshDssKey LoadForAuthentication(const std::string& user, const std::string& password,
                                   ISshQuestions* questions);
  // The same for the RSA pairs of a version 1 store.
  LoadResult LoadUserKey(const std::string& user, const std::string* password,
                         ISshQuestions* questions, std::optional<CSsh1RsaKey>& key);
  CSsh1RsaKey LoadSsh1ForAuthentication(const std::string& user, const std::string& password,
                                        ISshQuestions* questions);
  // Generates a pair of the store's version, stores it, writes "<user>.pub" into the data
  // folder and tells the user so.
  bool CreateUserKey(const std::string& user, const std::string& password,
                     ISshQuestions* questions);
  // The public key's text form, after asking for the key's password.
  std::optional<std::string> ExportPublicKey(const std::string& user, ISshQuestions* questions);

  // Version 2: ed25519, ECDSA and RSA pairs are OpenSSH private-key files, one per user, in the
  // folder beside the store ("ssh2-keys.d"), 0600 and written in one step like the store.
  bool CreateOpenSshKey(const std::string& user, const std::string& password, SshNewKeyType type,
                        ISshQuestions* questions);
  bool HasOpenSshKey(const std::string& user) const;
  std::string OpenSshKeyPath(const std::string& user) const;
  // The file's text, for backups; nothing when there is none.
  std::optional<std::string> OpenSshKeyFile(const std::string& user) const;
  bool StoreOpenSshKeyFile(const std::string& user, const std::string& text);
  // Retries a wrong password as LoadForAuthentication does.
  CSshUserKey LoadOpenSshForAuthentication(const std::string& user, const std::string& password,
                                           ISshQuestions* questions);

  // The users of both kinds of pair.
  std::vector<std::string> ListUsers() const;
  std::vector<std::string> ListHosts() const { return Names(kHosts); }
  std::optional<Bytes> UserRecord(const std::string& user) const { return Value(kUsers, user); }
  std::optional<Bytes> HostKey(const std::string& host) const { return Value(kHosts, host); }
  bool StoreUserRecord(const std::string& user, ByteSpan record) {
    return Put(kUsers, user, record);
  }
  bool StoreHostKey(const std::string& host, ByteSpan blob) { return Put(kHosts, host, blob); }
  // Removes the user's pair of either kind.
  bool RemoveUser(const std::string& user);
  bool RemoveHost(const std::string& host) { return Remove(kHosts, host); }

  // The protected record of a key pair, and the pair back from it (nothing for a wrong password
  // or a damaged record).
  static Bytes ProtectRecord(const CSshDssKey& key, const std::string& password);
  static std::optional<CSshDssKey> UnprotectRecord(ByteSpan record, const std::string& password);
  static Bytes ProtectSsh1Record(const CSsh1RsaKey& key, const std::string& password);
  static std::optional<CSsh1RsaKey> UnprotectSsh1Record(ByteSpan record,
                                                        const std::string& password);
  // A host key's text form for this store's version.
  std::string HostKeyText(const std::string& host, ByteSpan blob) const;

 private:
  enum Section { kUsers, kHosts };
  struct Entry {
    Section section;
    std::string name;
    std::string value;  // Base64
  };
  // Nothing when the store exists but cannot be read; an absent store is empty.
  std::optional<std::vector<Entry>> ReadEntries() const;
  // False when the store cannot be read; otherwise value is the entry, or nothing.
  bool ReadValue(Section section, const std::string& name, std::optional<Bytes>& value) const;
  bool WriteEntries(const std::vector<Entry>& entries) const;
  std::vector<std::string> Names(Section section) const;
  std::optional<Bytes> Value(Section section, const std::string& name) const;
  bool Put(Section section, const std::string& name, ByteSpan bytes);
  bool Remove(Section section, const std::string& name);
  template <class Key>
  LoadResult LoadKey(const std::string& user, const std::string* password, ISshQuestions* questions,
                     std::optional<Key>& key);
  template <class Key>
  Key LoadKeyForAuthentication(const std::string& user, const std::string& password,
                               ISshQuestions* questions);

  std::string path_;
  SshVersion version_ = SshVersion::k2;
};

}  // namespace ostrane
