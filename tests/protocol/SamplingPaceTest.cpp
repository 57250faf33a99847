// The period the inputs are really sampled at, and the spans that were no sampling at all.
#include "protocol/InputTimeline.h"
#include "protocol/SamplingPace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct PaceCase {
  const char* name;
  std::vector<int64_t> intervalsUs;   // between successive samples
  std::vector<double> toldMs;         // the periods told, in order
  std::vector<std::size_t> pausesAt;  // the samples (1-based among the intervals) after a pause
};

std::vector<int64_t> Repeat(int64_t us, int times) {
  return std::vector<int64_t>(static_cast<std::size_t>(times), us);
}
std::vector<int64_t> Join(std::vector<int64_t> a, const std::vector<int64_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(SamplingPaceTest, TellsThePeriodOnceMeasuredAndWhenItChangesAndSeesPauses) {
  const PaceCase cases[] = {
      {"a steady 40 ms", Repeat(40'000, 48), {40.0}, {}},
      {"too few to tell", Repeat(40'000, 15), {}, {}},
      {"back to back, 1.8 ms", Repeat(1'800, 32), {1.8}, {}},
      {"a tenth slower is no change", Join(Repeat(40'000, 16), Repeat(44'000, 32)), {40.0}, {}},
      // Told once it has lasted a second, and ten seconds after the period told before.
      {"a unit that slows to 60 ms", Join(Repeat(40'000, 256), Repeat(60'000, 32)), {40.0, 60.0}, {}},
      {"a slowing shorter than a second",
       Join(Join(Repeat(40'000, 256), Repeat(60'000, 16)), Repeat(40'000, 32)),
       {40.0},
       {}},
      {"a new period within ten seconds waits for them",
       Join(Repeat(40'000, 16), Repeat(60'000, 176)),
       {40.0, 60.0},
       {}},
      {"nor sooner", Join(Repeat(40'000, 16), Repeat(60'000, 160)), {40.0}, {}},
      // A machine busy on every core: blocks 30 % either side of the period, for a minute.
      {"a wobble is no change",
       Join(Repeat(40'000, 16),
            [] {
              std::vector<int64_t> wobble;
              for (int block = 0; block < 90; ++block) {
                const auto more = Repeat(block % 2 ? 28'000 : 52'000, 16);
                wobble.insert(wobble.end(), more.begin(), more.end());
              }
              return wobble;
            }()),
       {40.0},
       {}},
      // A modal dialog held the polls for two seconds: that interval is no sampling, and it moves
      // the period not at all.
      {"a 2 s pause", Join(Join(Repeat(40'000, 16), {2'000'000}), Repeat(40'000, 16)), {40.0}, {17}},
      // Fast sampling: a 120 ms hold is a pause (at least 100 ms, more than five periods).
      {"fast, a 120 ms hold", Join(Join(Repeat(2'000, 16), {120'000}), Repeat(2'000, 4)), {2.0}, {17}},
      {"fast, a 60 ms repaint is none", Join(Join(Repeat(2'000, 16), {60'000}), Repeat(2'000, 4)), {2.0}, {}},
      // 40 ms polls held for 150 ms: less than five periods.
      {"slow, 150 ms is none", Join(Repeat(40'000, 16), {150'000}), {40.0}, {}},
  };
  for (const PaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    SamplingPace pace;
    std::vector<double> told;
    std::vector<std::size_t> pauses;
    int64_t us = 5'000'000;
    pace.Sample(us);
    for (std::size_t i = 0; i < c.intervalsUs.size(); ++i) {
      us += c.intervalsUs[i];
      const SamplingPace::Step step = pace.Sample(us);
      if (step.periodMs) told.push_back(*step.periodMs);
      if (step.afterPause) pauses.push_back(i + 1);
    }
    ASSERT_EQ(told.size(), c.toldMs.size());
    for (std::size_t i = 0; i < told.size(); ++i) EXPECT_NEAR(told[i], c.toldMs[i], 0.05);
    EXPECT_EQ(pauses, c.pausesAt);
  }
}

TEST(SamplingPaceTest, AfterALossTheNextSampleIsNoInterval) {
  SamplingPace pace;
  int64_t us = 0;
  for (int i = 0; i <= 16; ++i) pace.Sample(us += 40'000);
  pace.Lost();
  EXPECT_FALSE(pace.Sample(us += 5'000'000).afterPause);  // the gap is the loss's, told already
}

TEST(SamplingPaceTest, PeriodsAreWrittenWithTheGivenPointWhateverTheLocale) {
  const struct {
    double ms;
    char point;
    const char* text;
  } cases[] = {{1.44, ',', "1,4"}, {1.44, '.', "1.4"}, {0.96, '.', "1.0"}, {9.94, '.', "9.9"},
               {9.96, '.', "10"},  {40.2, ',', "40"},  {0.04, ',', "0,0"}};
  for (const auto& c : cases) EXPECT_EQ(PeriodText(c.ms, c.point), c.text) << c.ms;
}

// An input that changes at more than a third of the polls may be faster than they see.
TEST(SamplingPaceTest, AnInputChangingAtMoreThanAThirdOfThePollsIsFasterThanTheSampling) {
  const struct {
    int period;  // polls per change
    bool faster;
  } cases[] = {{1, true}, {2, true}, {3, false}, {10, false}};
  for (const auto& c : cases) {
    InputTimeline timeline;
    for (int poll = 0; poll < 60; ++poll)
      timeline.Sample(poll * 40, (poll / c.period) % 2 ? uint16_t{1} : uint16_t{0});
    EXPECT_EQ(timeline.FasterThanSampling(1), c.faster) << c.period;
    EXPECT_FALSE(timeline.FasterThanSampling(2));
    timeline.ClearCounters();
    EXPECT_FALSE(timeline.FasterThanSampling(1));
  }
}

// A burst is judged as it happens: a 2 s burst of changes at every second poll in a 40 s session
// is hatched while it lasts and not after, and the lane's count stays a least count.
TEST(SamplingPaceTest, ABurstIsFasterThanTheSamplingWhileItLastsAndItsCountALeastCount) {
  InputTimeline timeline;
  const auto poll = [&](int64_t ms) {
    const bool inBurst = ms >= 20'000 && ms < 22'000;
    timeline.Sample(ms, inBurst && (ms / 2) % 2 ? uint16_t{1} : uint16_t{0});
  };
  int64_t ms = 0;
  for (; ms < 21'900; ++ms) poll(ms);
  EXPECT_TRUE(timeline.FasterThanSampling(1));
  EXPECT_TRUE(timeline.CountIsLeast(1));
  EXPECT_FALSE(timeline.CountIsLeast(2));
  for (; ms < 40'000; ++ms) poll(ms);
  EXPECT_FALSE(timeline.FasterThanSampling(1));
  EXPECT_TRUE(timeline.CountIsLeast(1));
  timeline.ClearCounters();
  EXPECT_FALSE(timeline.CountIsLeast(1));
}

}  // namespace
