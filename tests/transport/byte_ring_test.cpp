#include "transport/byte_ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace ostrane {
namespace {

class CFlagPolicy : public IRingWaitPolicy {
 public:
  explicit CFlagPolicy(RingWait initial = RingWait::kWait) : mode(initial) {}
  RingWait Mode() const override { return mode.load(); }
  void WakeReader() override { ++wakes; }
  std::atomic<RingWait> mode;
  std::atomic<int> wakes{0};
};

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return s;
}

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

std::string TakeAll(CByteRing& ring, size_t chunk) {
  std::string out;
  std::vector<uint8_t> buffer(chunk);
  while (size_t n = ring.Take(buffer.data(), chunk))
    out.append(reinterpret_cast<char*>(buffer.data()), n);
  return out;
}

TEST(ByteRing, WrapsAroundAndKeepsOrder) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(10, 100));
  uint8_t out[16];
  ring.Put(Bytes("abcdefg"), 7, nullptr);
  EXPECT_EQ(ring.Take(out, 5), 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 5), "abcde");
  ring.Put(Bytes("hijklmnop"), 9, nullptr);  // wraps at the end of the storage
  EXPECT_EQ(ring.Count(), 11u);
  EXPECT_EQ(TakeAll(ring, 3), "fghijklmnop");
  EXPECT_EQ(ring.Count(), 0u);
}

TEST(ByteRing, OverflowingWriterLosesNothingWhateverTheLimit) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(8, 10));
  CFlagPolicy worker(RingWait::kOverflow);
  const std::string data = Pattern(100);
  EXPECT_TRUE(ring.Put(Bytes(data), data.size(), &worker));
  EXPECT_TRUE(ring.Put(Bytes("XYZ"), 3, &worker));
  EXPECT_EQ(ring.Count(), 103u);
  EXPECT_EQ(TakeAll(ring, 7), data + "XYZ");
}

// A bounded writer may fill the ring and the overflow up to its limit; bytes beyond are
// refused whole, and once room is taken out, it is accepted again, in order.
TEST(ByteRing, BoundedWriterIsRefusedWholeBeyondTheOverflowLimit) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(8, 10));
  const std::string data = Pattern(18);
  EXPECT_TRUE(ring.Put(Bytes(data), data.size(), nullptr));
  EXPECT_FALSE(ring.Put(Bytes("Z"), 1, nullptr));
  EXPECT_EQ(ring.Count(), 18u);
  uint8_t out[4];
  ASSERT_EQ(ring.Take(out, 4), 4u);
  // Room in the ring does not help while overflow waits: order comes first.
  EXPECT_FALSE(ring.Put(Bytes("Z"), 1, nullptr));
  ASSERT_EQ(ring.Take(out, 4), 4u);
  ASSERT_EQ(ring.Take(out, 4), 4u);  // the first overflow bytes
  EXPECT_TRUE(ring.Put(Bytes("Z"), 1, nullptr));
  EXPECT_EQ(TakeAll(ring, 5), data.substr(12) + "Z");
}

TEST(ByteRing, WaitingWriterMovesLargeDataThroughSmallRing) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(64, 0));
  CFlagPolicy policy;
  const std::string data = Pattern(200000);
  std::atomic<bool> done{false};
  std::atomic<size_t> mostQueued{0};
  std::thread writer([&] {
    ring.Put(Bytes(data), data.size(), &policy);
    done = true;
  });
  std::string got;
  uint8_t buffer[48];
  while (got.size() < data.size()) {
    mostQueued = std::max(mostQueued.load(), ring.Count());
    if (size_t n = ring.Take(buffer, sizeof buffer))
      got.append(reinterpret_cast<char*>(buffer), n);
    else
      std::this_thread::yield();
  }
  writer.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(got, data);
  // The writer waited for room instead of spilling: the queue never held more than the ring.
  EXPECT_LE(mostQueued.load(), 64u);
  EXPECT_GT(policy.wakes.load(), 0);
}

TEST(ByteRing, WaitingWriterOverflowsWhenItMayNoLongerWait) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(16, 2000));
  CFlagPolicy policy;
  const std::string data = Pattern(1000);
  std::atomic<bool> stored{false};
  std::thread writer([&] { stored = ring.Put(Bytes(data), data.size(), &policy); });
  while (ring.Count() < 16) std::this_thread::yield();
  policy.mode = RingWait::kBounded;
  ring.WakeWriters();
  writer.join();
  EXPECT_TRUE(stored);
  EXPECT_EQ(ring.Count(), 1000u);
  ring.Put(Bytes("tail"), 4, &policy);  // queues behind the overflow
  EXPECT_EQ(TakeAll(ring, 100), data + "tail");
}

TEST(ByteRing, ClearEmptiesRingAndOverflow) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(4, 100));
  ring.Put(Bytes("abcdefgh"), 8, nullptr);
  ring.Clear();
  EXPECT_EQ(ring.Count(), 0u);
  ring.Put(Bytes("xy"), 2, nullptr);
  EXPECT_EQ(TakeAll(ring, 8), "xy");
}

}  // namespace
}  // namespace ostrane
