#include "transport/byte_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ostrane {

namespace {
// Overflow storage larger than this is given back once it has been taken.
constexpr size_t kOverflowKeep = 64 * 1024;
}  // namespace

bool CByteRing::SetCapacity(size_t capacity, size_t overflowLimit) {
  std::lock_guard lock(mutex_);
  overflowLimit_ = overflowLimit;
  try {
    storage_.assign(capacity, 0);
  } catch (const std::bad_alloc&) {
    storage_.clear();
    free_ = readPos_ = writePos_ = 0;
    return false;
  }
  free_ = capacity;
  readPos_ = writePos_ = 0;
  overflow_.clear();
  overflowHead_ = 0;
  return true;
}

size_t CByteRing::PutSomeLocked(const uint8_t* data, size_t length) {
  const size_t n = std::min(length, free_);
  const size_t first = std::min(n, storage_.size() - writePos_);
  if (first > 0) std::memcpy(storage_.data() + writePos_, data, first);
  if (n > first) std::memcpy(storage_.data(), data + first, n - first);
  if (n > 0) writePos_ = (writePos_ + n) % storage_.size();
  free_ -= n;
  return n;
}

bool CByteRing::FitsLocked(size_t length) const {
  const size_t overflowRoom = overflowLimit_ - std::min(overflowLimit_, OverflowCountLocked());
  const size_t ringRoom = OverflowCountLocked() > 0 ? 0 : free_;
  return length <= ringRoom || length - ringRoom <= overflowRoom;
}

bool CByteRing::Put(const uint8_t* data, size_t length, IRingWaitPolicy* policy) {
  std::unique_lock lock(mutex_);
  RingWait mode = policy != nullptr ? policy->Mode() : RingWait::kBounded;
  if (mode == RingWait::kBounded && !FitsLocked(length)) return false;
  while (length > 0) {
    // Once something overflowed, later bytes queue behind it to keep the order.
    if (OverflowCountLocked() > 0) break;
    const size_t n = PutSomeLocked(data, length);
    data += n;
    length -= n;
    if (length == 0 || storage_.empty() || mode != RingWait::kWait) break;
    lock.unlock();
    policy->WakeReader();
    lock.lock();
    room_.wait(lock, [&] {
      mode = policy->Mode();
      return free_ > 0 || mode != RingWait::kWait;
    });
  }
  if (length == 0) return true;
  if (mode == RingWait::kBounded && !FitsLocked(length)) return false;
  overflow_.insert(overflow_.end(), data, data + length);
  return true;
}

size_t CByteRing::TakeRingLocked(uint8_t* buffer, size_t max) {
  const size_t queued = storage_.size() - free_;
  const size_t n = std::min(max, queued);
  const size_t first = std::min(n, storage_.size() - readPos_);
  if (first > 0) std::memcpy(buffer, storage_.data() + readPos_, first);
  if (n > first) std::memcpy(buffer + first, storage_.data(), n - first);
  if (n > 0) readPos_ = (readPos_ + n) % storage_.size();
  free_ += n;
  return n;
}

size_t CByteRing::Take(uint8_t* buffer, size_t max) {
  size_t n = 0;
  {
    std::lock_guard lock(mutex_);
    n = TakeRingLocked(buffer, max);
    if (n == 0 && OverflowCountLocked() > 0) {
      n = std::min(max, overflow_.size() - overflowHead_);
      std::memcpy(buffer, overflow_.data() + overflowHead_, n);
      overflowHead_ += n;
      if (overflowHead_ == overflow_.size()) {
        overflow_.clear();
        overflowHead_ = 0;
        if (overflow_.capacity() > kOverflowKeep) overflow_.shrink_to_fit();
      }
    }
  }
  if (n > 0) room_.notify_all();
  return n;
}

void CByteRing::Clear() {
  {
    std::lock_guard lock(mutex_);
    free_ = storage_.size();
    readPos_ = writePos_ = 0;
    overflow_.clear();
    overflowHead_ = 0;
  }
  room_.notify_all();
}

size_t CByteRing::Count() const {
  std::lock_guard lock(mutex_);
  return storage_.size() - free_ + OverflowCountLocked();
}

void CByteRing::WakeWriters() {
  { std::lock_guard lock(mutex_); }
  room_.notify_all();
}

}  // namespace ostrane
