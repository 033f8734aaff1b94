#include "ssh/ssh_protocol_base.h"

#include <cryptopp/cryptlib.h>

#include "ssh/ssh_error.h"

namespace ostrane {

namespace {

// A version line must be at least this long to be looked at.
constexpr size_t kMinVersionLine = 7;

}  // namespace

bool CSshProtocolBase::Feed(const uint8_t* data, size_t length) {
  try {
    size_t at = 0;
    while (at < length && !ended_) {
      if (phase_.load() == kVersion)
        at += FeedVersion(data + at, length - at);
      else
        at += FeedPacket(data + at, length - at);
    }
  } catch (const CSshError& e) {
    ShowText(SshErrorText(e.Code()));
    ended_ = true;
  } catch (const CryptoPP::Exception&) {
    // A key the library cannot use is the server's fault, never a reason to lose the thread.
    ShowText(SshErrorText(SshError::kInternal));
    ended_ = true;
  }
  return !ended_;
}

bool CSshProtocolBase::IsIdentification(std::string_view line) {
  return line.size() >= kMinVersionLine && line.starts_with("SSH-");
}

void CSshProtocolBase::RefuseVersion() {
  ShowText(kTextSshVersionUnsupported);
  ended_ = true;
}

void CSshProtocolBase::ShowText(std::string_view text, MessageIcon icon) {
  if (questions_ == nullptr) return;
  MessageQuestion q;
  q.text = std::string(text);
  q.icon = icon;
  questions_->AskMessage(q);
}

}  // namespace ostrane
