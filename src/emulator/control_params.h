// CControlParams: the parameter collector of the control-sequence parser.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "emulator/emulator_limits.h"

namespace ostrane {

class CControlParams {
 public:
  void Clear() {
    intermediateCount_ = 0;
    count_ = 0;
    atStart_ = true;
    overflow_ = false;
  }

  // One collected byte of a control sequence or a device-control header. Digits and ";" are
  // never intermediates, so they are tested first.
  void Collect(uint8_t byte) {
    if (byte >= '0' && byte <= '9') {
      AddDigit(byte - '0');
    } else if (byte == ';') {
      Separator();
    } else if (!Has(static_cast<char>(byte)) && intermediateCount_ < kMaxIntermediates) {
      intermediates_[intermediateCount_++] = static_cast<char>(byte);
    }
  }

  void AddDigit(int digit) {
    if (atStart_) {
      atStart_ = false;
      if (count_ == kMaxParams) {
        overflow_ = true;  // digits beyond the last parameter land nowhere
        return;
      }
      values_[count_] = 0;
      omitted_[count_] = false;
      ++count_;
      overflow_ = false;
    }
    if (overflow_) return;
    int32_t& v = values_[count_ - 1];
    // Saturates instead of overflowing.
    v = v <= (kMaxParamValue - 9) / 10 ? v * 10 + digit : kMaxParamValue;
  }

  void Separator() {
    if (!atStart_) {
      atStart_ = true;
    } else if (count_ < kMaxParams) {
      values_[count_] = 0;
      omitted_[count_] = true;
      ++count_;
    }
  }

  bool Has(char c) const {
    return std::find(intermediates_, intermediates_ + intermediateCount_, c) !=
           intermediates_ + intermediateCount_;
  }
  bool HasAny() const { return intermediateCount_ > 0; }
  int IntermediateCount() const { return intermediateCount_; }
  char Intermediate(int i) const { return intermediates_[i]; }
  // Private markers and intermediates, each once, in the order they arrived.
  std::string_view Intermediates() const {
    return std::string_view(intermediates_, static_cast<size_t>(intermediateCount_));
  }
  int Count() const { return count_; }
  int32_t Param(int i, int32_t dflt) const {
    return (i < 0 || i >= count_ || omitted_[i]) ? dflt : values_[i];
  }
  bool Omitted(int i) const { return i >= count_ || omitted_[i]; }

 private:
  char intermediates_[kMaxIntermediates] = {};
  int intermediateCount_ = 0;
  int32_t values_[kMaxParams] = {};
  bool omitted_[kMaxParams] = {};
  int count_ = 0;
  bool atStart_ = true;
  bool overflow_ = false;
};

}  // namespace ostrane
