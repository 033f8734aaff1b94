// CWakeSignal: how other threads reach a worker that sleeps in poll(). Requests are kept as flags
// and an eventfd rings the doorbell; a request made before the worker starts waiting is not lost.
#pragma once

#include <atomic>

namespace ostrane::platform {

class CWakeSignal {
 public:
  enum Request : unsigned {
    kWake = 1,   // process data queued locally
    kAbort = 2,  // leave the wait and fail; stays set for good
    kRearm = 4,  // what the worker waits for has changed (output became pending)
  };

  CWakeSignal();
  ~CWakeSignal();
  CWakeSignal(const CWakeSignal&) = delete;
  CWakeSignal& operator=(const CWakeSignal&) = delete;

  void Post(Request request);
  // Takes the requests in mask (abort is never cleared). No system call.
  unsigned Take(unsigned mask) {
    const unsigned clear = mask & ~static_cast<unsigned>(kAbort);
    return requests_.fetch_and(~clear) & mask;
  }
  // Empties the doorbell. Call it before looking at the requests one last time and sleeping,
  // so that a request posted meanwhile still wakes the sleeper.
  void Drain();
  bool Aborted() const { return (requests_.load() & kAbort) != 0; }
  // The descriptor that becomes readable when a request was posted (for poll in this layer).
  int Descriptor() const { return fd_; }

 private:
  int fd_;
  std::atomic<unsigned> requests_{0};
};

}  // namespace ostrane::platform
