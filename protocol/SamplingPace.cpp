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
  const int64_t blockUs = std::accumulate(block_.begin(), block_.end(), int64_t{0});
  const double meanMs = static_cast<double>(blockUs) / static_cast<double>(block_.size()) / 1000.0;
  const std::size_t intervals = block_.size();
  block_.clear();
  const auto tell = [&](double ms) {
    step.periodMs = toldMs_ = ms;
    toldAtUs_ = us;
    awaySinceUs_.reset();
  };
  if (!toldMs_) {
    tell(meanMs);
    return step;
  }
  const auto away = [this](double ms) { return std::abs(ms - *toldMs_) > kChangeShare * *toldMs_; };
  if (!away(meanMs)) {
    awaySinceUs_.reset();
    return step;
  }
  if (!awaySinceUs_) {
    awaySinceUs_ = us - blockUs;
    awayUs_ = 0;
    awayIntervals_ = 0;
  }
  awayUs_ += blockUs;
  awayIntervals_ += intervals;
  if (us - *awaySinceUs_ < kSteadyUs || us - toldAtUs_ < kQuietUs) return step;
  // What the sampling took since it went away; a wobble either side of the period is none.
  const double awayMs = static_cast<double>(awayUs_) / static_cast<double>(awayIntervals_) / 1000.0;
  if (away(awayMs))
    tell(awayMs);
  else
    awaySinceUs_.reset();
  return step;
}

std::string PeriodText(double ms, char decimalPoint) {
  const bool tenths = ms < 9.95;
  const long long scaled = std::llround(tenths ? ms * 10.0 : ms);
  if (!tenths) return std::to_string(scaled);
  return std::to_string(scaled / 10) + decimalPoint + std::to_string(scaled % 10);
}
