#pragma once
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <vector>

// The receive queue a D2XX driver keeps, for a library that has none (libftdi): what the chip has
// delivered is fetched into it, the queue's size is the queue status, and reads take from its front.
class ReceiveQueue {
 public:
  // Reads what the chip has (read returns the bytes it put into the buffer, or < 0 on a failure) and
  // queues it. False on a failure, which keeps what was queued before.
  bool Fetch(const std::function<int(unsigned char* buffer, int size)>& read) {
    unsigned char chunk[512];
    const int n = read(chunk, static_cast<int>(sizeof chunk));
    if (n < 0) return false;
    bytes_.insert(bytes_.end(), chunk, chunk + n);
    return true;
  }
  std::size_t Size() const { return bytes_.size(); }
  // Up to size bytes from the front, in the order they came; the count taken.
  std::size_t Take(void* buffer, std::size_t size) {
    const std::size_t n = std::min(size, bytes_.size());
    if (n) std::memcpy(buffer, bytes_.data(), n);
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
  }
  void Clear() { bytes_.clear(); }

 private:
  std::vector<unsigned char> bytes_;
};
