#pragma once
// The pace of a client as the virtual unit sees it.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// The median gap between successive commands of a script that starts with first and has the given
// number of commands, as they arrived at the unit: the steady cost per command, without the odd
// gap in which the machine ran something else. 0 when the script is not among them.
inline double MedianGapSeconds(const std::vector<std::string>& received,
                               const std::vector<std::chrono::steady_clock::time_point>& at,
                               const std::string& first, std::size_t commands) {
  for (std::size_t i = 0; i + commands <= received.size(); ++i) {
    if (received[i] != first) continue;
    std::vector<double> gaps;
    for (std::size_t k = i + 1; k < i + commands; ++k)
      gaps.push_back(std::chrono::duration<double>(at[k] - at[k - 1]).count());
    std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2), gaps.end());
    return gaps[gaps.size() / 2];
  }
  return 0;
}
