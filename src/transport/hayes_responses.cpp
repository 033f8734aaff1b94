#include "transport/hayes_responses.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace ostrane {

namespace {

struct VerboseResult {
  std::string_view word;
  HayesResult result;
  bool prefix;  // CONNECT carries a rate and more after it
};

// Longer words first where one begins another (RINGING and RING).
constexpr VerboseResult kVerboseResults[] = {
    {"OK", HayesResult::kOk, false},
    {"CONNECT", HayesResult::kConnect, true},
    {"RINGING", HayesResult::kRinging, false},
    {"RINGBACK", HayesResult::kRinging, false},
    {"RING", HayesResult::kRing, false},
    {"NO CARRIER", HayesResult::kNoCarrier, false},
    {"ERROR", HayesResult::kError, false},
    {"NO DIALTONE", HayesResult::kNoDialtone, false},
    {"NO DIAL TONE", HayesResult::kNoDialtone, false},
    {"BUSY", HayesResult::kBusy, false},
    {"NO ANSWER", HayesResult::kNoAnswer, false},
    {"DELAYED", HayesResult::kError, false},
    {"BLACKLISTED", HayesResult::kError, false},
};

// Numeric codes (ATV0) 0 to 8; every other number is a CONNECT at some rate.
constexpr HayesResult kNumericResults[] = {
    HayesResult::kOk,         HayesResult::kConnect, HayesResult::kRing,
    HayesResult::kNoCarrier,  HayesResult::kError,   HayesResult::kConnect,
    HayesResult::kNoDialtone, HayesResult::kBusy,    HayesResult::kNoAnswer,
};

struct FailureText {
  HayesResult result;
  std::string_view text;
};

constexpr FailureText kFailureTexts[] = {
    {HayesResult::kBusy, "\r\nBusy"},
    {HayesResult::kNoCarrier, "\r\nNo carrier"},
    {HayesResult::kNoAnswer, "\r\nNo answer"},
    {HayesResult::kNoDialtone, "\r\nNo dial tone"},
    {HayesResult::kError, "\r\nThe modem refused the command."},
};

// Characters a dial string may carry: digits, tone keys, pause, wait for dial tone or quiet
// answer, pulse/tone switch, flash.
constexpr std::string_view kDialChars = "0123456789*#,WPT@!ABCD";
constexpr std::string_view kDroppedChars = " ()-.\t";

}  // namespace

std::string_view HayesFailureText(HayesResult result) {
  for (const FailureText& f : kFailureTexts)
    if (f.result == result) return f.text;
  return {};
}

std::optional<HayesResult> ClassifyHayesLine(std::string_view line) {
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  if (line.empty()) return std::nullopt;
  if (line.size() <= 3 &&
      std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const size_t code = std::stoul(std::string(line));
    return code < std::size(kNumericResults) ? kNumericResults[code] : HayesResult::kConnect;
  }
  for (const VerboseResult& v : kVerboseResults) {
    if (v.prefix ? line.substr(0, v.word.size()) == v.word : line == v.word) return v.result;
  }
  return std::nullopt;
}

std::optional<CHayesResponseReader::Found> CHayesResponseReader::Feed(const uint8_t* data,
                                                                      size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c != '\r' && c != '\n') {
      if (line_.size() < kMaxModemLine) line_.push_back(c);
      continue;
    }
    const std::optional<HayesResult> result = ClassifyHayesLine(line_);
    line_.clear();
    if (result) return Found{*result, i + 1};
  }
  return std::nullopt;
}

std::optional<std::string> CleanDialString(std::string_view typed) {
  std::string out;
  for (char c : typed) {
    if (kDroppedChars.find(c) != std::string_view::npos) continue;
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (kDialChars.find(upper) == std::string_view::npos) return std::nullopt;
    out.push_back(upper);
  }
  if (out.empty() || out.size() > kMaxDialString) return std::nullopt;
  return out;
}

bool CCarrierLossWatch::Feed(const uint8_t* data, size_t length) {
  // A line of its own: the words between a line end and a carriage return.
  static constexpr std::string_view kPattern = "\nNO CARRIER\r";
  for (size_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == kPattern[matched_]) {
      if (++matched_ == kPattern.size()) {
        matched_ = 0;
        return true;
      }
    } else {
      // Only the first character of the pattern can begin it again.
      matched_ = c == kPattern[0] ? 1 : 0;
    }
  }
  return false;
}

}  // namespace ostrane
