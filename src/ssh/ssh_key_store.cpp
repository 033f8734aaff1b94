#include "ssh/ssh_key_store.h"

#include <cryptopp/des.h>
#include <cryptopp/misc.h>
#include <cryptopp/modes.h>
#include <cryptopp/sha.h>

#include <algorithm>
#include <filesystem>

#include "platform/paths.h"
#include "platform/ssh_key_files.h"
#include "ssh/ssh_error.h"
#include "ssh/ssh_host_key.h"
#include "ssh/ssh_key_text.h"
#include "ssh/ssh_limits.h"

namespace ostrane {

namespace {

constexpr char kSsh1FileName[] = "/ssh1-keys";
constexpr char kSsh2FileName[] = "/ssh2-keys";
// Size of the user key pairs the store creates.
constexpr unsigned kNewSsh1KeyBits = 1024;
constexpr std::string_view kUserSection = "[UserKeys]";
constexpr std::string_view kHostSection = "[HostKeys]";
// The whole store file: far beyond any real store (a host key line is under 1 KiB), and still a
// bound on what a damaged file can make the program read.
constexpr size_t kMaxStoreFile = 64u * 1024 * 1024;
// Beside the store; processes take it around every read and every read-change-write.
constexpr char kLockSuffix[] = ".lock";
constexpr size_t kDigestSize = 20;
constexpr size_t kTrailerZeros = 4;
constexpr uint8_t kZeroIv[8] = {};

// Names are value names of the file and parts of file names; only clean ones are stored.
bool ValidName(const std::string& name) {
  const auto clean = CleanSshKeyName(name);
  return clean && *clean == name;
}

// The three DES keys: the first 24 bytes of SHA-1(password) followed by SHA-1(that, password).
CryptoPP::SecByteBlock RecordKey(const std::string& password) {
  const auto* pw = reinterpret_cast<const uint8_t*>(password.data());
  CryptoPP::SecByteBlock both(2 * kDigestSize);
  CryptoPP::SHA1().CalculateDigest(both.data(), pw, password.size());
  CryptoPP::SHA1 h2;
  h2.Update(both.data(), kDigestSize);
  h2.Update(pw, password.size());
  h2.Final(both.data() + kDigestSize);
  return CryptoPP::SecByteBlock(both.data(), 24);
}

// The protection of a plain record: zero fill to a multiple of 8, the SHA-1 digest of what
// precedes it and 4 zero bytes, all encrypted with 3DES-CBC under the password's key.
Bytes SealRecord(Bytes record, const std::string& password) {
  record.resize((record.size() + 7) / 8 * 8, 0);
  uint8_t digest[kDigestSize];
  CryptoPP::SHA1().CalculateDigest(digest, record.data(), record.size());
  record.insert(record.end(), digest, digest + kDigestSize);
  record.insert(record.end(), kTrailerZeros, 0);
  const CryptoPP::SecByteBlock k = RecordKey(password);
  CryptoPP::CBC_Mode<CryptoPP::DES_EDE3>::Encryption cipher(k, k.size(), kZeroIv);
  cipher.ProcessData(record.data(), record.data(), record.size());
  return record;
}

// The plain record (with its zero fill) when the digest matches: the password was right.
std::optional<Bytes> OpenRecord(ByteSpan record, const std::string& password) {
  if (record.size() < kDigestSize + kTrailerZeros + 8 || record.size() % 8 != 0)
    return std::nullopt;
  Bytes plain(record.begin(), record.end());
  const CryptoPP::SecByteBlock k = RecordKey(password);
  CryptoPP::CBC_Mode<CryptoPP::DES_EDE3>::Decryption cipher(k, k.size(), kZeroIv);
  cipher.ProcessData(plain.data(), plain.data(), plain.size());
  const size_t body = plain.size() - kDigestSize - kTrailerZeros;
  uint8_t digest[kDigestSize];
  CryptoPP::SHA1().CalculateDigest(digest, plain.data(), body);
  if (!CryptoPP::VerifyBufsEqual(digest, plain.data() + body, kDigestSize)) {
    WipeBytes(plain);
    return std::nullopt;
  }
  plain.resize(body);
  return plain;
}

// The public half of a new pair goes into "<user>.pub" in the data folder, for the user to give
// to the host's administrator; the user is told where it is.
bool WritePublicKeyFile(const std::string& user, const std::string& text,
                        ISshQuestions* questions) {
  const std::string folder = platform::DataFolder();
  platform::MakeFolders(folder);
  const std::string file = folder + "/" + user + ".pub";
  if (!platform::WritePrivateFile(file, text)) return false;
  if (questions != nullptr) {
    MessageQuestion q;
    q.messageId = kMsgKeysCreated;
    q.text =
        "Your keys have been created. The private key has been stored securely, and your public "
        "key has been written into file \"" +
        file + "\", you can export that file to your host administrator.";
    q.icon = MessageIcon::kInformation;
    questions->AskMessage(q);
  }
  return true;
}

}  // namespace

std::optional<std::string> CleanSshKeyName(std::string_view name) {
  while (!name.empty() && (name.back() == '\r' || name.back() == ' ' || name.back() == '\t'))
    name.remove_suffix(1);
  if (name.empty() || name.find_first_of("=[]/") != std::string_view::npos ||
      name.find("..") != std::string_view::npos)
    return std::nullopt;
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
  return std::string(name);
}

CSshKeyStore::CSshKeyStore(SshVersion version)
    : path_(platform::ConfigFolder() + (version == SshVersion::k1 ? kSsh1FileName : kSsh2FileName)),
      version_(version) {
  platform::MakeFolders(platform::ConfigFolder());
}

std::optional<std::vector<CSshKeyStore::Entry>> CSshKeyStore::ReadEntries() const {
  std::vector<Entry> entries;
  bool missing = false;
  const auto text = platform::ReadWholeFile(path_, kMaxStoreFile, &missing);
  if (!text) {
    if (missing) return entries;
    return std::nullopt;
  }
  std::optional<Section> section;
  size_t at = 0;
  while (at < text->size()) {
    size_t end = text->find('\n', at);
    if (end == std::string::npos) end = text->size();
    std::string_view line(text->data() + at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line == kUserSection) {
      section = kUsers;
    } else if (line == kHostSection) {
      section = kHosts;
    } else if (const size_t eq = line.find('=');
               section && eq != std::string_view::npos && eq > 0) {
      entries.push_back(
          {*section, std::string(line.substr(0, eq)), std::string(line.substr(eq + 1))});
    }
  }
  return entries;
}

bool CSshKeyStore::WriteEntries(const std::vector<Entry>& entries) const {
  std::string text;
  for (Section s : {kUsers, kHosts}) {
    text += s == kUsers ? kUserSection : kHostSection;
    text += '\n';
    for (const Entry& e : entries)
      if (e.section == s) text += e.name + "=" + e.value + "\n";
  }
  return platform::WritePrivateFile(path_, text);
}

std::vector<std::string> CSshKeyStore::Names(Section section) const {
  platform::CFileLock lock(path_ + kLockSuffix, platform::CFileLock::Mode::kShared);
  std::vector<std::string> names;
  for (const Entry& e : ReadEntries().value_or(std::vector<Entry>{}))
    if (e.section == section) names.push_back(e.name);
  return names;
}

bool CSshKeyStore::ReadValue(Section section, const std::string& name,
                             std::optional<Bytes>& value) const {
  platform::CFileLock lock(path_ + kLockSuffix, platform::CFileLock::Mode::kShared);
  const auto entries = ReadEntries();
  value.reset();
  if (!entries) return false;
  for (const Entry& e : *entries) {
    if (e.section != section || e.name != name) continue;
    Bytes bytes = DecodeBase64(e.value);
    const size_t limit = section == kUsers ? kSshMaxUserKeyRecord : kSshMaxHostKeyBlob;
    if (bytes.size() > limit) bytes.resize(limit);
    value = std::move(bytes);
    break;
  }
  return true;
}

std::optional<Bytes> CSshKeyStore::Value(Section section, const std::string& name) const {
  std::optional<Bytes> value;
  ReadValue(section, name, value);
  return value;
}

// Every change re-reads the store under the exclusive lock, so a change another process made
// since this one last read it is kept. A store that cannot be read is never overwritten.
bool CSshKeyStore::Put(Section section, const std::string& name, ByteSpan bytes) {
  if (!ValidName(name)) return false;
  platform::CFileLock lock(path_ + kLockSuffix, platform::CFileLock::Mode::kExclusive);
  if (!lock.Held()) return false;
  auto read = ReadEntries();
  if (!read) return false;
  std::vector<Entry>& entries = *read;
  const std::string value = EncodeBase64(bytes);
  auto it = std::find_if(entries.begin(), entries.end(),
                         [&](const Entry& e) { return e.section == section && e.name == name; });
  if (it != entries.end())
    it->value = value;
  else
    entries.push_back({section, name, value});
  return WriteEntries(entries);
}

bool CSshKeyStore::Remove(Section section, const std::string& name) {
  platform::CFileLock lock(path_ + kLockSuffix, platform::CFileLock::Mode::kExclusive);
  if (!lock.Held()) return false;
  auto read = ReadEntries();
  if (!read) return false;
  std::vector<Entry>& entries = *read;
  const auto old = entries.size();
  std::erase_if(entries, [&](const Entry& e) { return e.section == section && e.name == name; });
  return entries.size() != old && WriteEntries(entries);
}

std::vector<std::string> CSshKeyStore::ListUsers() const {
  std::vector<std::string> names = Names(kUsers);
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(path_ + ".d", ec)) {
    const std::string name = entry.path().filename().string();
    if (ValidName(name) && std::find(names.begin(), names.end(), name) == names.end())
      files.push_back(name);
  }
  // The folder has no order of its own.
  std::sort(files.begin(), files.end());
  names.insert(names.end(), files.begin(), files.end());
  return names;
}

bool CSshKeyStore::RemoveUser(const std::string& user) {
  bool removed = Remove(kUsers, user);
  std::error_code ec;
  if (ValidName(user) && std::filesystem::remove(OpenSshKeyPath(user), ec)) removed = true;
  return removed;
}

std::string CSshKeyStore::OpenSshKeyPath(const std::string& user) const {
  return path_ + ".d/" + user;
}

bool CSshKeyStore::HasOpenSshKey(const std::string& user) const {
  std::error_code ec;
  return ValidName(user) && std::filesystem::is_regular_file(OpenSshKeyPath(user), ec);
}

std::optional<std::string> CSshKeyStore::OpenSshKeyFile(const std::string& user) const {
  if (!HasOpenSshKey(user)) return std::nullopt;
  return platform::ReadWholeFile(OpenSshKeyPath(user), kSshMaxKeyFile);
}

bool CSshKeyStore::StoreOpenSshKeyFile(const std::string& user, const std::string& text) {
  if (!ValidName(user)) return false;
  platform::MakeFolders(path_ + ".d");
  return platform::WritePrivateFile(OpenSshKeyPath(user), text);
}

bool CSshKeyStore::CreateOpenSshKey(const std::string& user, const std::string& password,
                                    SshNewKeyType type, ISshQuestions* questions) {
  if (!ValidName(user)) return false;
  const CSshUserKey key = CSshUserKey::Generate(type, user);
  if (!StoreOpenSshKeyFile(user, key.ToOpenSshFile(password))) return false;
  // One kind of pair per user: the record form would otherwise shadow the new file.
  Remove(kUsers, user);
  return WritePublicKeyFile(user, key.PublicLine() + "\n", questions);
}

CSshUserKey CSshKeyStore::LoadOpenSshForAuthentication(const std::string& user,
                                                       const std::string& password,
                                                       ISshQuestions* questions) {
  const auto text = OpenSshKeyFile(user);
  if (!text) throw CSshError(SshError::kCannotLoadKeys);
  std::string current = password;
  for (int retry = 0;; ++retry) {
    SshKeyFileError error = SshKeyFileError::kNone;
    auto key = CSshUserKey::FromOpenSshFile(*text, current, error);
    WipeString(current);
    if (key) return std::move(*key);
    if (error != SshKeyFileError::kWrongPassphrase) throw CSshError(SshError::kCannotLoadKeys);
    const auto again = questions && retry < kSshKeyPasswordRetries
                           ? questions->AskKeyPassword(user, true)
                           : std::nullopt;
    if (!again) throw CSshError(SshError::kAborted);
    current = *again;
  }
}

std::string ChangedHostKeyText(const std::string& host, ByteSpan blob) {
  return std::string(kTextChangedHostKey) + "\n\nHost: " + host +
         "\nFingerprint of the key received: " + SshFingerprint(blob);
}

bool CSshKeyStore::CheckHostKey(const std::string& host, ByteSpan blob, ISshQuestions* questions,
                                int port) {
  auto tell = [questions](std::string text) {
    if (questions == nullptr) return;
    MessageQuestion q;
    q.text = std::move(text);
    q.icon = MessageIcon::kStop;
    questions->AskMessage(q);
  };
  std::optional<Bytes> known;
  if (!ReadValue(kHosts, host, known)) {
    // Asking about a known host as if it were new would invite accepting an impostor.
    tell(std::string(kTextKeyStoreUnreadable) + path_);
    return false;
  }
  if (known) {
    if (known->size() == blob.size() && std::equal(blob.begin(), blob.end(), known->begin()))
      return true;
    tell(ChangedHostKeyText(host, blob));
    return false;
  }
  if (version_ == SshVersion::k2) {
    switch (CheckKnownHostsFile(host, port, blob)) {
      case KnownHostMatch::kMatch:
        return true;
      case KnownHostMatch::kMismatch:
        tell(std::string(kTextKnownHostsDiffers) + KnownHostsPath() + ".\n\nHost: " + host +
             "\nFingerprint of the key received: " + SshFingerprint(blob));
        return false;
      case KnownHostMatch::kRevoked:
        tell(std::string(kTextKnownHostsRevoked) + KnownHostsPath() + ".");
        return false;
      case KnownHostMatch::kUnknown:
        break;
    }
  }
  if (questions == nullptr) return false;
  SshHostKeyQuestion q;
  q.host = host;
  q.keyText = HostKeyText(host, blob);
  q.fingerprint = SshFingerprint(blob);
  if (!questions->AskNewHostKey(q)) return false;
  // Accepted for this connection even when it cannot be remembered; the user is told.
  if (!StoreHostKey(host, blob)) tell(std::string(kTextHostKeyNotStored) + path_);
  return true;
}

Bytes CSshKeyStore::ProtectRecord(const CSshDssKey& key, const std::string& password) {
  Bytes record = key.PublicBlob();
  CSshWriter(record).Mpint(key.PrivateValue());
  return SealRecord(std::move(record), password);
}

std::optional<CSshDssKey> CSshKeyStore::UnprotectRecord(ByteSpan record,
                                                        const std::string& password) {
  auto plain = OpenRecord(record, password);
  if (!plain) return std::nullopt;
  std::optional<CSshDssKey> key;
  try {
    CSshReader in(*plain);
    const size_t start = in.Remaining();
    in.Text();
    for (int i = 0; i < 4; ++i) in.Mpint();
    const size_t blobSize = start - in.Remaining();
    key = CSshDssKey::FromBlob(ByteSpan(plain->data(), blobSize));
    if (key) key->SetPrivateValue(in.Mpint());
  } catch (const CSshError&) {
    key.reset();
  }
  WipeBytes(*plain);
  return key;
}

Bytes CSshKeyStore::ProtectSsh1Record(const CSsh1RsaKey& key, const std::string& password) {
  Bytes record;
  CSshWriter w(record);
  key.WriteRecordBody(w);
  return SealRecord(std::move(record), password);
}

std::optional<CSsh1RsaKey> CSshKeyStore::UnprotectSsh1Record(ByteSpan record,
                                                             const std::string& password) {
  auto plain = OpenRecord(record, password);
  if (!plain) return std::nullopt;
  std::optional<CSsh1RsaKey> key;
  try {
    CSshReader in(*plain);
    key = CSsh1RsaKey::FromRecordBody(in);
  } catch (const CSshError&) {
    key.reset();
  }
  WipeBytes(*plain);
  return key;
}

namespace {

std::optional<CSshDssKey> Unprotect(ByteSpan record, const std::string& password,
                                    const CSshDssKey*) {
  return CSshKeyStore::UnprotectRecord(record, password);
}

std::optional<CSsh1RsaKey> Unprotect(ByteSpan record, const std::string& password,
                                     const CSsh1RsaKey*) {
  return CSshKeyStore::UnprotectSsh1Record(record, password);
}

}  // namespace

template <class Key>
CSshKeyStore::LoadResult CSshKeyStore::LoadKey(const std::string& user, const std::string* password,
                                               ISshQuestions* questions, std::optional<Key>& key) {
  const auto record = UserRecord(user);
  if (!record) return LoadResult::kNoKey;
  std::string asked;
  if (password == nullptr) {
    const auto answer = questions ? questions->AskKeyPassword(user, false) : std::nullopt;
    if (!answer) return LoadResult::kCancelled;
    asked = *answer;
    password = &asked;
  }
  key = Unprotect(*record, *password, static_cast<const Key*>(nullptr));
  WipeString(asked);
  return key ? LoadResult::kLoaded : LoadResult::kWrongPassword;
}

CSshKeyStore::LoadResult CSshKeyStore::LoadUserKey(const std::string& user,
                                                   const std::string* password,
                                                   ISshQuestions* questions,
                                                   std::optional<CSshDssKey>& key) {
  return LoadKey(user, password, questions, key);
}

CSshKeyStore::LoadResult CSshKeyStore::LoadUserKey(const std::string& user,
                                                   const std::string* password,
                                                   ISshQuestions* questions,
                                                   std::optional<CSsh1RsaKey>& key) {
  return LoadKey(user, password, questions, key);
}

CSshDssKey CSshKeyStore::LoadForAuthentication(const std::string& user, const std::string& password,
                                               ISshQuestions* questions) {
  return LoadKeyForAuthentication<CSshDssKey>(user, password, questions);
}

CSsh1RsaKey CSshKeyStore::LoadSsh1ForAuthentication(const std::string& user,
                                                    const std::string& password,
                                                    ISshQuestions* questions) {
  return LoadKeyForAuthentication<CSsh1RsaKey>(user, password, questions);
}

template <class Key>
Key CSshKeyStore::LoadKeyForAuthentication(const std::string& user, const std::string& password,
                                           ISshQuestions* questions) {
  std::optional<Key> key;
  std::string current = password;
  LoadResult result = LoadUserKey(user, &current, questions, key);
  for (int retry = 0; result == LoadResult::kWrongPassword; ++retry) {
    const auto again = questions && retry < kSshKeyPasswordRetries
                           ? questions->AskKeyPassword(user, true)
                           : std::nullopt;
    if (!again) {
      WipeString(current);
      throw CSshError(SshError::kAborted);
    }
    current = *again;
    result = LoadUserKey(user, &current, questions, key);
  }
  if (result == LoadResult::kNoKey) {
    const auto created = questions ? questions->AskKeyCreation(user) : std::nullopt;
    if (!created) throw CSshError(SshError::kAborted);
    current = *created;
    if (!CreateUserKey(user, current, questions) ||
        LoadUserKey(user, &current, questions, key) != LoadResult::kLoaded) {
      WipeString(current);
      throw CSshError(SshError::kCannotLoadKeys);
    }
  }
  WipeString(current);
  if (result == LoadResult::kCancelled) throw CSshError(SshError::kInternal);
  if (!key) throw CSshError(SshError::kCannotLoadKeys);
  return *key;
}

bool CSshKeyStore::CreateUserKey(const std::string& user, const std::string& password,
                                 ISshQuestions* questions) {
  if (!ValidName(user)) return false;
  Bytes record;
  std::string text;
  if (version_ == SshVersion::k1) {
    const CSsh1RsaKey key = CSsh1RsaKey::Generate(kNewSsh1KeyBits);
    record = ProtectSsh1Record(key, password);
    text = key.PublicText(user) + "\n";
  } else {
    const CSshDssKey key = CSshDssKey::Generate();
    record = ProtectRecord(key, password);
    text = SshKeyText(SshKeyTextKind::kSsh2PublicKey, key.PublicBlob(), user);
  }
  const bool stored = StoreUserRecord(user, record);
  WipeBytes(record);
  if (!stored) return false;
  return WritePublicKeyFile(user, text, questions);
}

std::optional<std::string> CSshKeyStore::ExportPublicKey(const std::string& user,
                                                         ISshQuestions* questions) {
  std::optional<std::string> text;
  if (version_ == SshVersion::k1) {
    std::optional<CSsh1RsaKey> key;
    if (LoadUserKey(user, nullptr, questions, key) == LoadResult::kLoaded)
      text = key->PublicText(user) + "\n";
  } else if (const auto file = OpenSshKeyFile(user)) {
    // The OpenSSH one-line form, after the passphrase opens the file: only the owner exports.
    const auto password = questions ? questions->AskKeyPassword(user, false) : std::nullopt;
    SshKeyFileError error = SshKeyFileError::kNone;
    const auto key =
        password ? CSshUserKey::FromOpenSshFile(*file, *password, error) : std::nullopt;
    if (key) text = key->PublicLine() + "\n";
  } else {
    std::optional<CSshDssKey> key;
    if (LoadUserKey(user, nullptr, questions, key) == LoadResult::kLoaded)
      text = SshKeyText(SshKeyTextKind::kSsh2PublicKey, key->PublicBlob(), user);
  }
  if (!text && questions != nullptr) {
    MessageQuestion q;
    q.messageId = kMsgNoKeyAccess;
    q.text = std::string(kTextNoKeyAccess);
    q.icon = MessageIcon::kStop;
    questions->AskMessage(q);
  }
  return text;
}

std::string CSshKeyStore::HostKeyText(const std::string& host, ByteSpan blob) const {
  if (version_ == SshVersion::k1) {
    try {
      CSshReader in(blob);
      const CryptoPP::Integer n = in.Mpint();
      const CryptoPP::Integer e = in.Mpint();
      if (const auto key = CSsh1RsaKey::FromPublic(n, e)) return key->PublicText(host);
    } catch (const CSshError&) {
    }
  }
  return SshKeyText(SshKeyTextKind::kSsh2PublicKey, blob, host);
}

}  // namespace ostrane
