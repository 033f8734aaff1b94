// CByteRing: the fixed-capacity receive queue between producers (the worker's decoder, local
// echo, the local loop) and the worker's delivery. A writer that may wait waits for room. One
// that may not leaves the rest in an overflow store that is taken after the ring's bytes: the
// worker always may (it drains everything before it reads again, so its share is one read);
// any other writer only up to the overflow limit, beyond which its bytes are refused.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace ostrane {

// How a writer that finds the ring full goes on.
enum class RingWait {
  kWait,      // wait for room
  kOverflow,  // put the rest in the overflow store, however much it is
  kBounded,   // put the rest in the overflow store only while it stays within its limit
};

// Decides, on the writer's thread, how it goes on when the ring is full, and wakes the reader
// before a writer waits.
class IRingWaitPolicy {
 public:
  virtual ~IRingWaitPolicy() = default;
  virtual RingWait Mode() const = 0;
  virtual void WakeReader() = 0;
};

class CByteRing {
 public:
  CByteRing() = default;
  CByteRing(const CByteRing&) = delete;
  CByteRing& operator=(const CByteRing&) = delete;

  // Allocates and empties the queue; false when the storage cannot be had. overflowLimit bounds
  // what bounded writers may leave in the overflow store.
  bool SetCapacity(size_t capacity, size_t overflowLimit);
  // Stores the bytes in order after everything queued before. A bounded writer's bytes are
  // refused whole (false, nothing stored) when they fit neither the ring nor the overflow
  // limit; a writer switched to bounded while it waited may have stored a first part. policy
  // may be null (bounded).
  bool Put(const uint8_t* data, size_t length, IRingWaitPolicy* policy);
  // Copies out up to max bytes, oldest first, and returns the count.
  size_t Take(uint8_t* buffer, size_t max);
  void Clear();
  // Queued bytes, overflow included.
  size_t Count() const;
  size_t Capacity() const { return storage_.size(); }
  // Makes waiting writers ask their policy again (hold or stop changed).
  void WakeWriters();

 private:
  size_t PutSomeLocked(const uint8_t* data, size_t length);
  size_t TakeRingLocked(uint8_t* buffer, size_t max);
  size_t OverflowCountLocked() const { return overflow_.size() - overflowHead_; }
  bool FitsLocked(size_t length) const;

  std::vector<uint8_t> storage_;
  size_t free_ = 0;
  size_t readPos_ = 0;
  size_t writePos_ = 0;
  size_t overflowLimit_ = 0;
  std::vector<uint8_t> overflow_;
  size_t overflowHead_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable room_;
};

}  // namespace ostrane
