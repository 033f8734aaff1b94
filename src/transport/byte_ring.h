// CByteRing: the fixed-capacity receive queue between producers (the worker's decoder, local
// echo, the local loop) and the worker's delivery. Bytes are never dropped: a writer that may
// wait waits for room; one that may not (the worker itself, or a writer holding the terminal
// lock) leaves the rest in an overflow store that is taken after the ring's bytes.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace ostrane {

// Decides, on the writer's thread, whether a writer may wait for room, and wakes the reader
// before it does.
class IRingWaitPolicy {
 public:
  virtual ~IRingWaitPolicy() = default;
  virtual bool MayWait() const = 0;
  virtual void WakeReader() = 0;
};

class CByteRing {
 public:
  CByteRing() = default;
  CByteRing(const CByteRing&) = delete;
  CByteRing& operator=(const CByteRing&) = delete;

  // Allocates and empties the queue; false when the storage cannot be had.
  bool SetCapacity(size_t capacity);
  // Stores every byte, in order after everything queued before. policy may be null (never wait).
  void Put(const uint8_t* data, size_t length, IRingWaitPolicy* policy);
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
  void OverflowLocked(const uint8_t* data, size_t length);

  std::vector<uint8_t> storage_;
  size_t free_ = 0;
  size_t readPos_ = 0;
  size_t writePos_ = 0;
  std::vector<uint8_t> overflow_;
  size_t overflowHead_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable room_;
};

}  // namespace ostrane
