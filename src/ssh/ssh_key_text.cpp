#include "ssh/ssh_key_text.h"

#include <cryptopp/base64.h>
#include <cryptopp/filters.h>

namespace ostrane {

namespace {

constexpr size_t kLineLength = 70;
constexpr char kLineEnd[] = "\r\n";

struct TextFrame {
  SshKeyTextKind kind;
  std::string_view begin;
  std::string_view end;
};

constexpr TextFrame kFrames[] = {
    {SshKeyTextKind::kSsh2PublicKey, "---- BEGIN SSH2 PUBLIC KEY ----",
     "---- END SSH2 PUBLIC KEY ----"},
    {SshKeyTextKind::kSsh2PrivateRecord, "---- BEGIN SSH2 ENCRYPTED PRIVATE KEY ----",
     "---- END SSH2 ENCRYPTED PRIVATE KEY ----"},
};

}  // namespace

std::string EncodeBase64(ByteSpan bytes) {
  std::string text;
  CryptoPP::Base64Encoder encoder(new CryptoPP::StringSink(text), false);
  encoder.Put(bytes.data(), bytes.size());
  encoder.MessageEnd();
  return text;
}

Bytes DecodeBase64(std::string_view text) {
  std::string out;
  CryptoPP::Base64Decoder decoder(new CryptoPP::StringSink(out));
  decoder.Put(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  decoder.MessageEnd();
  return Bytes(out.begin(), out.end());
}

std::string SshKeyText(SshKeyTextKind kind, ByteSpan bytes, std::string_view subject) {
  const TextFrame* frame = &kFrames[0];
  for (const TextFrame& f : kFrames)
    if (f.kind == kind) frame = &f;
  std::string text(frame->begin);
  text += kLineEnd;
  if (!subject.empty()) {
    text += "Subject: ";
    text += subject;
    text += kLineEnd;
  }
  const std::string body = EncodeBase64(bytes);
  for (size_t at = 0; at < body.size(); at += kLineLength) {
    text += body.substr(at, kLineLength);
    text += kLineEnd;
  }
  text += frame->end;
  text += kLineEnd;
  return text;
}

}  // namespace ostrane
