#include "protocol/SamplingPace.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

SamplingPace::Step SamplingPace::Sample(int64_t us) {
  Step step;
  const std::optional<int64_t> last = std::exchange(lastUs_, us);
  if (!last) return step;
  const int64_t interval = std::max<int64_t>(0, us - *last);
  // Before a period is told, the mean so far stands for it.
  const double periodUs =
      toldMs_
          ? *toldMs_ * 1000.0
          : (block_.empty() ? 0.0
                            : static_cast<double>(std::accumulate(block_.begin(), block_.end(), int64_t{0})) /
                                  static_cast<double>(block_.size()));
  if (periodUs > 0.0 && static_cast<double>(interval) >
                            std::max(kPausePeriods * periodUs, static_cast<double>(kLeastPauseUs))) {
    step.afterPause = true;
    return step;
  }
  block_.push_back(interval);
  if (block_.size() < kBlock) return step;
  const double meanMs = static_cast<double>(std::accumulate(block_.begin(), block_.end(), int64_t{0})) /
                        static_cast<double>(block_.size()) / 1000.0;
  block_.clear();
  if (!toldMs_ || std::abs(meanMs - *toldMs_) > kChangeShare * *toldMs_) step.periodMs = toldMs_ = meanMs;
  return step;
}

std::string PeriodText(double ms, char decimalPoint) {
  const bool tenths = ms < 9.95;
  const long long scaled = std::llround(tenths ? ms * 10.0 : ms);
  if (!tenths) return std::to_string(scaled);
  return std::to_string(scaled / 10) + decimalPoint + std::to_string(scaled % 10);
}
