#include "link/ReceiveQueue.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace {

// The chip as libftdi reads it: each read delivers the next chunk, -1 a failed transfer.
struct Chip {
  std::deque<std::string> deliveries;
  int Read(unsigned char* buffer, int size) {
    if (deliveries.empty()) return 0;
    std::string next = deliveries.front();
    deliveries.pop_front();
    if (next == "FAIL") return -1;
    if (static_cast<int>(next.size()) > size) {  // the rest comes with the next read
      deliveries.push_front(next.substr(static_cast<std::size_t>(size)));
      next.resize(static_cast<std::size_t>(size));
    }
    std::copy(next.begin(), next.end(), buffer);
    return static_cast<int>(next.size());
  }
};

std::string Take(ReceiveQueue& queue, std::size_t size) {
  std::string out(size, '\0');
  out.resize(queue.Take(out.data(), size));
  return out;
}

// A reply split over transfers arrives whole and in order, whatever the reads take at a time; a
// failed transfer loses nothing queued; a purge empties it.
TEST(ReceiveQueueTest, QueuesWhatTheChipDeliversInOrder) {
  Chip chip{{"0,VK1", "", "2345\r", "FAIL", std::string(600, 'x')}};
  ReceiveQueue queue;
  const auto read = [&chip](unsigned char* b, int n) { return chip.Read(b, n); };
  EXPECT_TRUE(queue.Fetch(read));
  EXPECT_EQ(queue.Size(), 5u);
  EXPECT_EQ(Take(queue, 2), "0,");
  EXPECT_TRUE(queue.Fetch(read));  // nothing new: the status is what is left
  EXPECT_EQ(queue.Size(), 3u);
  EXPECT_TRUE(queue.Fetch(read));
  EXPECT_FALSE(queue.Fetch(read));
  EXPECT_EQ(Take(queue, 100), "VK12345\r");
  EXPECT_EQ(Take(queue, 1), "");
  EXPECT_TRUE(queue.Fetch(read));
  EXPECT_EQ(queue.Size(), 512u);  // one transfer's worth; the rest stays with the chip
  EXPECT_TRUE(queue.Fetch(read));
  EXPECT_EQ(queue.Size(), 600u);
  queue.Clear();
  EXPECT_EQ(queue.Size(), 0u);
}

}  // namespace
