// The bookkeeping of polling, fed poll results as a table: what is shown, what is a gap, when the
// next ask is, when the unit counts as lost.
#include "protocol/InputPoller.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Us = InputPoller::Us;
constexpr Us kMs = 1000;
constexpr Us kSecond = 1'000'000;

struct Row {
  Us asked, now;
  bool answered;
  uint16_t word = 0;
  bool lineBeforeFirst = false;
  bool interruptedBefore = false;  // another script ran before this poll
  // Expected.
  std::optional<Us> sampleOf;  // the asked time of the sample shown
  std::optional<Us> gapFrom;
  GapCause cause = GapCause::NoReply;
  bool silenceBegins = false;
  bool lost = false;
  std::optional<Us> nextAsk;
};

struct Case {
  const char* name;
  InputPoller::Pace pace;
  std::vector<Row> rows;
};

InputPoller::Pace Page() { return {40 * kMs, 0, kSecond, kSecond}; }
InputPoller::Pace Timeline(Us periodUs = 40 * kMs) { return {periodUs, std::nullopt, kSecond, kSecond}; }
InputPoller::Pace Monitor() { return {40 * kMs, 5 * kSecond, kSecond, kSecond}; }

TEST(InputPollerTest, SaysWhatToShowWhatIsAGapAndWhenToAskNext) {
  const Case cases[] = {
      {"at a period every word is shown as it comes, the next ask a period on",
       Page(),
       {{0, 2 * kMs, true, 0x1, false, false, 0, {}, {}, false, false, 40 * kMs},
        {40 * kMs, 42 * kMs, true, 0x2, false, false, 40 * kMs, {}, {}, false, false, 80 * kMs},
        // A poll asked late (the window was busy) does not bring a burst after it.
        {200 * kMs, 202 * kMs, true, 0x2, false, false, 200 * kMs, {}, {}, false, false, 202 * kMs}}},
      {"back to back a word is shown once the next poll came in step",
       Timeline(0),
       {{0, 2 * kMs, true, 0x1, false, false, {}, {}, {}, false, false, 2 * kMs},
        {2 * kMs, 4 * kMs, true, 0x2, false, false, 0, {}, {}, false, false, 4 * kMs},
        // A line before this poll: the one before was out of step after all, and is never shown.
        {4 * kMs, 6 * kMs, true, 0x3, true, false, {}, {}, {}, false, false, 6 * kMs},
        {6 * kMs, 8 * kMs, true, 0x4, false, false, 4 * kMs, {}, {}, false, false, 8 * kMs},
        // A save ran in between: the held word is dropped.
        {50 * kMs, 52 * kMs, true, 0x5, false, true, {}, {}, {}, false, false, 52 * kMs}}},
      {"the page stops at the first poll without a reply",
       Page(),
       {{0, 2 * kMs, true, 0x1, false, false, 0, {}, {}, false, false, 40 * kMs},
        {40 * kMs, 1040 * kMs, false, 0, false, false, {}, 40 * kMs, GapCause::NoReply, true, true, {}}}},
      {"the timeline goes on through a silence, asking once a second, its gap told once",
       Timeline(),
       {{0, 2 * kMs, true, 0x1, false, false, 0, {}, {}, false, false, 40 * kMs},
        {40 * kMs,
         1040 * kMs,
         false,
         0,
         false,
         false,
         {},
         40 * kMs,
         GapCause::NoReply,
         true,
         false,
         1040 * kMs},
        {1040 * kMs, 2040 * kMs, false, 0, false, false, {}, {}, {}, false, false, 2040 * kMs},
        // Back: no pause is made of the silence, which is a gap already.
        {2040 * kMs, 2042 * kMs, true, 0x1, false, false, 2040 * kMs, {}, {}, false, false, 2080 * kMs}}},
      {"a line that hung up fails at once: asked a period later, then once a second",
       Timeline(),
       {{0, 0, false, 0, false, false, {}, 0, GapCause::NoReply, true, false, 40 * kMs},
        {40 * kMs, 40 * kMs, false, 0, false, false, {}, {}, {}, false, false, 80 * kMs},
        {1000 * kMs, 1000 * kMs, false, 0, false, false, {}, {}, {}, false, false, 2000 * kMs}}},
      {"vorkactl's monitor counts the unit lost after five seconds of silence, asking up to then",
       Monitor(),
       {{0, 1000 * kMs, false, 0, false, false, {}, 0, GapCause::NoReply, true, false, 1000 * kMs},
        {4500 * kMs, 4600 * kMs, false, 0, false, false, {}, {}, {}, false, false, 5000 * kMs},
        {5000 * kMs, 5000 * kMs, false, 0, false, false, {}, {}, {}, false, true, {}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InputPoller poller(c.pace, 0);
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      const Row& row = c.rows[i];
      SCOPED_TRACE("row " + std::to_string(i));
      if (row.interruptedBefore) poller.Interrupted();
      const InputPoller::Step step =
          poller.Polled({row.asked, row.answered, row.lineBeforeFirst, row.word}, row.now);
      EXPECT_EQ(step.sample ? std::optional(step.sample->asked) : std::nullopt, row.sampleOf);
      EXPECT_EQ(step.gap ? std::optional(step.gap->from) : std::nullopt, row.gapFrom);
      if (step.gap && row.gapFrom) {
        EXPECT_EQ(step.gap->cause, row.cause);
      }
      EXPECT_EQ(step.silenceBegins, row.silenceBegins);
      EXPECT_EQ(step.lost, row.lost);
      if (row.nextAsk) {
        EXPECT_EQ(step.nextAsk, *row.nextAsk);
      }
    }
  }
}

// Polls held up for two seconds (the process stopped) are a pause: a gap from the last sample
// before it; the period is measured and told once.
TEST(InputPollerTest, APauseIsAGapAndThePeriodIsToldOnceMeasured) {
  InputPoller poller(Timeline(), 0);
  std::vector<double> told;
  Us asked = 0;
  for (int i = 0; i < 20; ++i, asked += 40 * kMs) {
    const auto step = poller.Polled({asked, true, false, 0}, asked + kMs);
    EXPECT_FALSE(step.gap);
    if (step.periodMs) told.push_back(*step.periodMs);
  }
  ASSERT_EQ(told.size(), 1U);
  EXPECT_NEAR(told.front(), 40.0, 0.05);
  const Us last = asked - 40 * kMs;
  const auto step = poller.Polled({last + 2 * kSecond, true, false, 0x1}, last + 2 * kSecond + kMs);
  ASSERT_TRUE(step.gap);
  EXPECT_EQ(step.gap->from, last);
  EXPECT_EQ(step.gap->cause, GapCause::Pause);
  ASSERT_TRUE(step.sample);
  EXPECT_EQ(step.sample->word, 0x1);
}

}  // namespace
