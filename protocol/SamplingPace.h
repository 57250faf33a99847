#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Why nothing is known of the inputs for a while: a poll got no reply, or no poll was made (the
// process was held: two polls further apart than a few periods).
enum class GapCause { NoReply, Pause };

// The pace the inputs are really sampled at, measured from the polls' own times: a timer's period
// or "as fast as the line allows" is only what was asked. Two samples further apart than a few
// periods are no sampling of what happened between them (a modal dialog held the polls, the
// process was stopped): that span is a pause, a gap like a missed reply.
class SamplingPace {
 public:
  // Intervals measured together: the period is their mean, so that one late poll moves nothing.
  static constexpr std::size_t kBlock = 16;
  // A new period is told when the sampling has stayed more than this share away from the one told
  // for kSteadyUs, and no sooner than kQuietUs after the one told before: a machine busy on every
  // core makes the polls wobble, and that is no new period.
  static constexpr double kChangeShare = 0.2;
  static constexpr int64_t kSteadyUs = 1'000'000;
  static constexpr int64_t kQuietUs = 10'000'000;
  // A pause is longer than this many periods, and never shorter than kLeastPauseUs: a repaint or
  // the scheduler may delay one poll by some milliseconds without a word.
  static constexpr int kPausePeriods = 5;
  static constexpr int64_t kLeastPauseUs = 100'000;

  struct Step {
    bool afterPause = false;         // nothing is known between the last sample and this one
    std::optional<double> periodMs;  // the period, when it became known or changed
  };
  // A sample taken at `us` microseconds on a steady clock.
  Step Sample(int64_t us);
  // A poll that got no reply: the next sample follows a gap, not an interval.
  void Lost() { lastUs_.reset(); }
  // The period told last.
  std::optional<double> PeriodMs() const { return toldMs_; }
  // What a lane must change at to be faster than the sampling: more than a third of the polls (a
  // wave sampled so gives a picture of a slower one that is not there).
  static bool FasterThanSampling(int changes, int polls) { return polls > 0 && changes * 3 > polls; }

 private:
  std::optional<int64_t> lastUs_;
  std::vector<int64_t> block_;
  std::optional<double> toldMs_;
  int64_t toldAtUs_ = 0;
  // The blocks since the sampling went away from the period told: when it went, what they took.
  std::optional<int64_t> awaySinceUs_;
  int64_t awayUs_ = 0;
  std::size_t awayIntervals_ = 0;
};

// A period in milliseconds as people read it: a tenth below 10 ms ("1.4"), whole ones above ("40"),
// with the decimal point given (the window's comma, the files' point), whatever the locale.
std::string PeriodText(double ms, char decimalPoint);
