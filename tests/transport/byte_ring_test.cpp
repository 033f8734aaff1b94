#include "transport/byte_ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace ostrane {
namespace {

class CFlagPolicy : public IRingWaitPolicy {
 public:
  bool MayWait() const override { return mayWait.load(); }
  void WakeReader() override { ++wakes; }
  std::atomic<bool> mayWait{true};
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
  ASSERT_TRUE(ring.SetCapacity(10));
  uint8_t out[16];
  ring.Put(Bytes("abcdefg"), 7, nullptr);
  EXPECT_EQ(ring.Take(out, 5), 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 5), "abcde");
  ring.Put(Bytes("hijklmnop"), 9, nullptr);  // wraps at the end of the storage
  EXPECT_EQ(ring.Count(), 11u);
  EXPECT_EQ(TakeAll(ring, 3), "fghijklmnop");
  EXPECT_EQ(ring.Count(), 0u);
}

TEST(ByteRing, WriterThatMayNotWaitLosesNothing) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(8));
  const std::string data = Pattern(100);
  ring.Put(Bytes(data), data.size(), nullptr);
  ring.Put(Bytes("XYZ"), 3, nullptr);
  EXPECT_EQ(ring.Count(), 103u);
  EXPECT_EQ(TakeAll(ring, 7), data + "XYZ");
}

TEST(ByteRing, WaitingWriterMovesLargeDataThroughSmallRing) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(64));
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
  ASSERT_TRUE(ring.SetCapacity(16));
  CFlagPolicy policy;
  const std::string data = Pattern(1000);
  std::thread writer([&] { ring.Put(Bytes(data), data.size(), &policy); });
  while (ring.Count() < 16) std::this_thread::yield();
  policy.mayWait = false;
  ring.WakeWriters();
  writer.join();
  EXPECT_EQ(ring.Count(), 1000u);
  ring.Put(Bytes("tail"), 4, &policy);  // queues behind the overflow
  EXPECT_EQ(TakeAll(ring, 100), data + "tail");
}

TEST(ByteRing, ClearEmptiesRingAndOverflow) {
  CByteRing ring;
  ASSERT_TRUE(ring.SetCapacity(4));
  ring.Put(Bytes("abcdefgh"), 8, nullptr);
  ring.Clear();
  EXPECT_EQ(ring.Count(), 0u);
  ring.Put(Bytes("xy"), 2, nullptr);
  EXPECT_EQ(TakeAll(ring, 8), "xy");
}

}  // namespace
}  // namespace ostrane
