#include "ssh/ssh_key_text.h"

#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/integer.h>

#include <algorithm>

#include "ssh/ssh_error.h"

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
    {SshKeyTextKind::kSsh1PrivateRecord, "---- BEGIN SSH1 ENCRYPTED PRIVATE KEY ----",
     "---- END SSH1 ENCRYPTED PRIVATE KEY ----"},
};

const TextFrame& FrameOf(SshKeyTextKind kind) {
  for (const TextFrame& f : kFrames)
    if (f.kind == kind) return f;
  return kFrames[0];
}

constexpr std::string_view kSubject = "Subject:";
constexpr std::string_view kComments = "Comments:";
constexpr std::string_view kBlanks = " \t";
// The sizes an SSH1 public key file may give.
constexpr unsigned kMinSsh1Bits = 512;
constexpr unsigned kMaxSsh1Bits = 1024;

// A header at the start of the text (after blank lines): its value up to the end of the line,
// and the text after that line.
bool TakeHeader(std::string_view& text, std::string_view name, std::string_view& value) {
  const size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || text.compare(start, name.size(), name) != 0) return false;
  std::string_view rest = text.substr(start + name.size());
  const size_t end = std::min(rest.find('\n'), rest.size());
  value = rest.substr(0, end);
  value.remove_prefix(std::min(value.find_first_not_of(kBlanks), value.size()));
  while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t'))
    value.remove_suffix(1);
  text = rest.substr(std::min(end + 1, rest.size()));
  return true;
}

// A quoted "Comments:" value may run over lines and hold backslash escapes; the body starts
// after its closing quote. False when the quote is never closed.
bool SkipQuotedComment(std::string_view& text, std::string_view value, std::string_view whole) {
  if (value.empty() || value.front() != '"') return true;
  size_t at = static_cast<size_t>(value.data() - whole.data()) + 1;
  while (at < whole.size() && whole[at] != '"') at += whole[at] == '\\' ? 2 : 1;
  if (at >= whole.size()) return false;
  const size_t lineEnd = whole.find('\n', at);
  text = lineEnd == std::string_view::npos ? std::string_view() : whole.substr(lineEnd + 1);
  return true;
}

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
  const TextFrame* frame = &FrameOf(kind);
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

std::optional<ImportedSshKey> ImportSshKeyText(std::string_view text, SshKeyTextKind kind) {
  const TextFrame& frame = FrameOf(kind);
  const size_t begin = text.find(frame.begin);
  if (begin == std::string_view::npos) return std::nullopt;
  const size_t end = text.find(frame.end, begin + frame.begin.size());
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view inner =
      text.substr(begin + frame.begin.size(), end - begin - frame.begin.size());
  std::string_view subject;
  if (!TakeHeader(inner, kSubject, subject)) return std::nullopt;
  const std::string_view whole = inner;
  std::string_view comment;
  if (TakeHeader(inner, kComments, comment) && !SkipQuotedComment(inner, comment, whole))
    return std::nullopt;
  ImportedSshKey key{std::string(subject), DecodeBase64(inner)};
  if (key.bytes.empty()) return std::nullopt;
  return key;
}

std::optional<ImportedSshKey> ImportSsh1PublicKey(std::string_view text) {
  std::string_view parts[3];
  std::string_view rest = text;
  for (std::string_view& part : parts) {
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t\r\n"), rest.size()));
    const size_t end = std::min(rest.find_first_of(" \t\r\n"), rest.size());
    part = rest.substr(0, end);
    rest.remove_prefix(end);
  }
  rest.remove_prefix(std::min(rest.find_first_not_of(kBlanks), rest.size()));
  const std::string_view comment =
      rest.substr(0, std::min(rest.find_first_of("\r\n"), rest.size()));
  auto decimal = [](std::string_view digits) -> std::optional<CryptoPP::Integer> {
    // Longer than any modulus of the allowed sizes could be.
    if (digits.empty() || digits.size() > 400 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
      return std::nullopt;
    return CryptoPP::Integer((std::string(digits) + ".").c_str());
  };
  const auto bits = decimal(parts[0]);
  const auto e = decimal(parts[1]);
  const auto n = decimal(parts[2]);
  if (!bits || !e || !n || *bits < CryptoPP::Integer(kMinSsh1Bits) ||
      *bits > CryptoPP::Integer(kMaxSsh1Bits) || n->BitCount() != bits->ConvertToLong() ||
      e->IsZero())
    return std::nullopt;
  ImportedSshKey key;
  key.subject = std::string(comment);
  while (!key.subject.empty() && (key.subject.back() == ' ' || key.subject.back() == '\t'))
    key.subject.pop_back();
  CSshWriter w(key.bytes);
  w.Mpint(*n);
  w.Mpint(*e);
  return key;
}

std::string OpenSshPublicLine(ByteSpan blob, std::string_view comment) {
  std::string type;
  try {
    CSshReader in(blob);
    type = std::string(in.Text());
  } catch (const CSshError&) {
    return {};
  }
  // A type is a printable name: anything else would break the line apart.
  const auto printable = [](char c) { return c > ' ' && c < 0x7f; };
  if (type.empty() || !std::all_of(type.begin(), type.end(), printable)) return {};
  std::string line = type + " " + EncodeBase64(blob);
  if (!comment.empty()) line += " " + std::string(comment);
  return line;
}

}  // namespace ostrane
