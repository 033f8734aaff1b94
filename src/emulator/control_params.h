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
    subParams_ = 0;
  }

  // With sub-parameters on, ":" separates the parts of one parameter ("38:2::255:0:0") instead
  // of being collected as an intermediate; the parts after a ":" are marked as sub-parameters.
  void SetSubParameters(bool on) { colonSplits_ = on; }

  // One collected byte of a control sequence or a device-control header. Digits and ";" are
  // never intermediates, so they are tested first.
  void Collect(uint8_t byte) {
    if ((byte >= '0' && byte <= '9') || byte == ';') {
      CollectNumbers(&byte, 1);
    } else if (byte == ':' && colonSplits_) {
      Separator();
      if (count_ < kMaxParams) subParams_ |= uint64_t{1} << count_;
    } else if (!Has(static_cast<char>(byte)) && intermediateCount_ < kMaxIntermediates) {
      intermediates_[intermediateCount_++] = static_cast<char>(byte);
    }
  }

  // Digits and separators from the front of `data`, a whole number at a time; returns the bytes
  // taken (it stops at the first other byte). The state carries over, so a number split by a
  // chunk boundary continues in the next call.
  size_t CollectNumbers(const uint8_t* data, size_t length) {
    size_t i = 0;
    while (i < length) {
      if (data[i] == ';') {
        Separator();
        ++i;
        continue;
      }
      auto digit = static_cast<int32_t>(data[i]) - '0';
      if (digit < 0 || digit > 9) break;
      int32_t* slot = OpenNumber();
      int32_t v = slot ? *slot : 0;
      do {
        // Saturates instead of overflowing.
        v = v <= (kMaxParamValue - 9) / 10 ? v * 10 + digit : kMaxParamValue;
      } while (++i < length && (digit = static_cast<int32_t>(data[i]) - '0') >= 0 && digit <= 9);
      if (slot) *slot = v;
    }
    return i;
  }

  // The whole parameter string of a fresh sequence: at most eight bytes, each a digit or ";"
  // (the caller has checked). Holds the number being read in a register, which CollectNumbers,
  // carrying its state across chunks, cannot; the result is the same.
  void CollectShort(const uint8_t* data, size_t length) {
    static_assert(kMaxParams > 8, "eight bytes make at most eight parameters here");
    // The count in a local: stores to values_ could otherwise alias it and force reloads.
    int count = count_;
    int32_t v = 0;
    bool digits = false;  // the parameter being read has a digit
    for (size_t i = 0; i < length; ++i) {
      const int32_t b = data[i];
      if (b == ';') {
        if (!digits) {
          values_[count] = 0;
          omitted_[count] = true;
          ++count;
        }
        digits = false;
        v = 0;
        continue;
      }
      if (!digits) {
        digits = true;
        omitted_[count] = false;
        ++count;
      }
      v = v * 10 + (b - '0');  // eight digits fit in 32 bits
      values_[count - 1] = v;
    }
    count_ = count;
    atStart_ = !digits;
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
  // The Count() values in order, an omitted one as 0: for functions whose default is 0.
  const int32_t* Values() const { return values_; }
  // Parameter i followed a ":" (sub-parameters on).
  bool IsSubParameter(int i) const { return i >= 0 && i < count_ && (subParams_ >> i & 1) != 0; }

 private:
  // The slot of the number being collected, opened at its first digit; nullptr when the
  // parameters are full (digits beyond the last parameter land nowhere).
  int32_t* OpenNumber() {
    if (atStart_) {
      atStart_ = false;
      overflow_ = count_ == kMaxParams;
      if (overflow_) return nullptr;
      values_[count_] = 0;
      omitted_[count_] = false;
      ++count_;
    }
    return overflow_ ? nullptr : &values_[count_ - 1];
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

  char intermediates_[kMaxIntermediates] = {};
  int intermediateCount_ = 0;
  int32_t values_[kMaxParams] = {};
  bool omitted_[kMaxParams] = {};
  int count_ = 0;
  bool atStart_ = true;
  bool overflow_ = false;
  bool colonSplits_ = false;
  uint64_t subParams_ = 0;  // bit i: parameter i is a sub-parameter
};

}  // namespace ostrane
