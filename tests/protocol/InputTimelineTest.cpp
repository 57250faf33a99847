#include "protocol/InputTimeline.h"
#include "protocol/WiringCheck.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// Row 1 is input 0, row 9 input 14.
constexpr uint16_t kIn0 = 0x0001, kIn1 = 0x0002, kIn14 = 0x4000;

TEST(InputTimelineTest, EdgesNotSamplesAndCountersFromTheirClearing) {
  struct Case {
    const char* what;
    std::vector<std::pair<int64_t, uint16_t>> samples;  // (ms, word); word 0xFFFF… as given
    int changesOfInput0;
    std::size_t edgesOfInput0;
  };
  const Case cases[] = {
      {"still", {{0, 0}, {40, 0}, {80, 0}}, 0, 1},
      {"one press", {{0, 0}, {40, kIn0}, {80, kIn0}, {120, 0}}, 2, 3},
      {"a bouncing contact", {{0, 0}, {40, kIn0}, {80, 0}, {120, kIn0}, {160, 0}, {200, kIn0}}, 5, 6},
      {"others moving", {{0, 0}, {40, kIn1}, {80, kIn14}, {120, 0}}, 0, 1},
  };
  for (const Case& c : cases) {
    InputTimeline timeline;
    for (const auto& [ms, word] : c.samples) timeline.Sample(ms, word);
    EXPECT_EQ(timeline.Changes(1), c.changesOfInput0) << c.what;
    EXPECT_EQ(timeline.Edges(1).size(), c.edgesOfInput0) << c.what;
  }
  InputTimeline timeline;
  timeline.Sample(0, 0);
  timeline.Sample(40, kIn14);
  EXPECT_EQ(timeline.LastChangedRow(), 9);
  EXPECT_EQ(timeline.LastChange(9), 40);
  EXPECT_EQ(timeline.LevelAt(9, 39), false);
  EXPECT_EQ(timeline.LevelAt(9, 40), true);
  timeline.ClearCounters();
  EXPECT_EQ(timeline.Changes(9), 0);
  EXPECT_FALSE(timeline.LastChangedRow());
  EXPECT_EQ(timeline.Edges(9).size(), 2U);  // the picture stays
  timeline.Sample(80, 0);
  EXPECT_EQ(timeline.Changes(9), 1);
}

TEST(InputTimelineTest, AGapHasNoLevelAndTheLevelAfterItIsNoChange) {
  InputTimeline timeline;
  timeline.Sample(0, kIn0);
  timeline.Sample(40, kIn0);
  timeline.Lost(1040);
  EXPECT_TRUE(timeline.Away());
  timeline.Lost(2040);  // told once
  EXPECT_EQ(timeline.Gaps().size(), 1U);
  EXPECT_FALSE(timeline.LevelAt(1, 1500));
  EXPECT_EQ(timeline.LevelAt(1, 500), true);
  timeline.Sample(3000, kIn0);  // back, the same level: given again, not counted
  EXPECT_FALSE(timeline.Away());
  EXPECT_EQ(timeline.Gaps().front().to, 3000);
  EXPECT_EQ(timeline.Changes(1), 0);
  EXPECT_EQ(timeline.Edges(1).size(), 2U);
  EXPECT_EQ(timeline.LevelAt(1, 3000), true);
  EXPECT_FALSE(timeline.LevelAt(1, 2999));
}

// Past what an input keeps as it came, its older edges become stretches: every count stays
// exact, every level known after a stretch is the one the unit gave, and a level given after a
// gap stays apart from the changes.
TEST(InputTimelineTest, OlderEdgesAreSummarisedAndNothingIsLost) {
  struct Case {
    const char* what;
    std::size_t edgesKept, stretchesKept;
    int64_t stepMs, togglesEveryMs;
    bool coarse;  // merged past their number: wider than a stretch
  };
  const Case cases[] = {
      {"kept as they came", 1000, 1000, 40, 80, false},
      {"summarised in quarter seconds", 4, 1000, 40, 40, false},
      {"summarised, a change now and then", 4, 1000, 40, 400, false},
      {"merged when too many", 2, 4, 40, 320, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InputTimeline timeline(c.edgesKept, c.stretchesKept);
    const auto word = [&](int64_t ms) { return (ms / c.togglesEveryMs) % 2 ? kIn0 : uint16_t{0}; };
    int64_t ms = 0;
    for (; ms < 2000; ms += c.stepMs) timeline.Sample(ms, word(ms));
    timeline.Lost(ms);
    for (ms += 1000; ms < 5000; ms += c.stepMs) timeline.Sample(ms, word(ms));
    const auto& stretches = timeline.Stretches(1);
    EXPECT_EQ(stretches.empty(), c.edgesKept > 100);
    EXPECT_LE(stretches.size(), c.stretchesKept);
    int64_t changes = 0, given = 0;
    for (const InputTimeline::Stretch& stretch : stretches) {
      changes += stretch.Changes();
      given += stretch.Given();
      if (!c.coarse) {
        EXPECT_LT(stretch.Last() - stretch.First(), InputTimeline::kStretchMs);
      }
      EXPECT_EQ(timeline.LevelAt(1, stretch.Last()), word(stretch.Last()) != 0);
      if (stretch.Last() > stretch.First()) {
        EXPECT_FALSE(timeline.LevelAt(1, stretch.First()));
      }
    }
    for (const InputTimeline::Edge& edge : timeline.Edges(1)) {
      changes += !edge.given;
      given += edge.given;
    }
    EXPECT_EQ(changes, timeline.Changes(1));
    if (!c.coarse) {
      EXPECT_EQ(given, 2);  // the first sample, and the first after the gap
    }
  }
}

// The wiring check's verdicts from the words the polls would give, one every 40 ms.
// `times` words, alternately `a` and `b`: an input changing at every poll.
std::vector<uint16_t> Chatter(uint16_t a, uint16_t b, int times) {
  std::vector<uint16_t> words;
  for (int n = 0; n < times; ++n) words.push_back(n % 2 ? b : a);
  return words;
}
// Each word held for half a second (twelve polls or so).
std::vector<uint16_t> Slowly(const std::vector<uint16_t>& words) {
  std::vector<uint16_t> held;
  for (const uint16_t word : words) held.insert(held.end(), 12, word);
  return held;
}
std::vector<uint16_t> Join(std::vector<uint16_t> a, const std::vector<uint16_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(WiringCheckTest, VerdictsFromWhatTheInputsDid) {
  const WiringInput refX{1, 0, "RefX", false}, refY{2, 1, "RefY", false}, sensor{9, 14, "Sensor", true},
      spare{6, 5, "Spare", false};
  constexpr uint16_t kIn5 = 1U << 5;
  struct Case {
    const char* what;
    WiringInput asked;
    std::vector<uint16_t> words;  // after asking; the first is the level when asked
    int heldMs;                   // the last word held this long after
    bool skip;
    WiringVerdict verdict;
    std::optional<int> movedInstead = std::nullopt;
  };
  const Case cases[] = {
      {"pressed and let go", refX, {0, kIn0, kIn0, 0}, 400, false, WiringVerdict::Good},
      {"let go and not yet at rest a moment", refX, {0, kIn0, kIn0, 0}, 200, true, WiringVerdict::NeverSeen},
      {"an inverted input pressed", sensor, {kIn14, 0, kIn14}, 400, false, WiringVerdict::Good},
      // An input that changes by itself: at rest, when pressed, beside a swapped wire.
      {"chatters at rest", refX, Chatter(kIn0, 0, 30), 0, false, WiringVerdict::Chatters},
      {"chatters when pressed", refX, Join({0, kIn0}, Chatter(kIn0, 0, 8)), 0, false,
       WiringVerdict::Chatters},
      {"swapped beside a chattering input", refX, Join(Chatter(kIn5, 0, 4), Chatter(kIn5 | kIn1, kIn1, 4)), 0,
       true, WiringVerdict::Swapped, 1},
      {"swapped, pressed three times slowly", refX, Slowly(Chatter(0, kIn1, 7)), 0, true,
       WiringVerdict::Swapped, 1},
      {"only a chattering input moved", refX, Chatter(kIn5, 0, 12), 0, true, WiringVerdict::NeverSeen},
      {"at rest it is active", refX, {kIn0, 0, kIn0}, 1600, false, WiringVerdict::WrongPolarity},
      {"held when asked, then let go", refX, {kIn0, kIn0, 0}, 1600, false, WiringVerdict::Good},
      {"held when asked, let go, pressed again", refX, {kIn0, 0, kIn0, 0}, 1600, false, WiringVerdict::Good},
      {"not yet settled", refX, {kIn0, 0}, 600, true, WiringVerdict::NeverSeen},
      {"the neighbour moved", refX, {0, kIn1, 0}, 0, true, WiringVerdict::Swapped, 1},
      {"an input not checked moved", refX, {0, kIn5, 0}, 0, true, WiringVerdict::Swapped, 5},
      {"nothing moved", refX, {0, 0, 0}, 0, true, WiringVerdict::NeverSeen},
      {"pressed, never let go", refX, {0, kIn0, kIn0}, 2000, true, WiringVerdict::NeverSeen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WiringCheck check({c.asked, refX.row == c.asked.row ? refY : refX}, {refX, refY, spare, sensor});
    EXPECT_EQ(check.Instruction(), "Sepněte a uvolněte " + InputCaption(c.asked));
    int64_t ms = 0;
    for (const uint16_t word : c.words) check.Sample(ms += 40, word);
    for (const int64_t until = ms + c.heldMs; ms < until;) check.Sample(ms += 40, c.words.back());
    if (c.skip) check.Skip();
    EXPECT_EQ(check.Results().front().verdict, c.verdict);
    ASSERT_EQ(check.Results().front().movedInstead.has_value(), c.movedInstead.has_value());
    if (c.movedInstead) {
      EXPECT_EQ(check.Results().front().movedInstead->input, *c.movedInstead);
    }
    EXPECT_FALSE(check.Done());  // the second input is asked for next
  }
  // Judged so, a chattering input is never the other half of a swap later, nor good when asked.
  WiringCheck noisy({refX, refY}, {refX, refY, spare});
  int64_t at = 0;
  for (const uint16_t word : Chatter(kIn0, 0, 10)) noisy.Sample(at += 40, word);
  ASSERT_EQ(noisy.Results().front().verdict, WiringVerdict::Chatters);
  EXPECT_EQ(WiringCheck::Line(noisy.Results().front()),
            "vstup 0 – RefX: vstup se mění sám – zákmity nebo rušení?");
  for (const uint16_t word : {uint16_t{0}, kIn0, uint16_t{0}}) noisy.Sample(at += 40, word);
  noisy.Skip();
  EXPECT_EQ(noisy.Results().back().verdict, WiringVerdict::NeverSeen);
  WiringCheck swapped({refX, refY}, {refX, refY, spare});
  for (const uint16_t word : {uint16_t{0}, kIn1, uint16_t{0}}) swapped.Sample(0, word);
  swapped.Skip();
  EXPECT_EQ(WiringCheck::Line(swapped.Results().front()),
            "vstup 0 – RefX: nezměnil se, změnil se vstup 1 – RefY – možná prohozené vodiče");
  // Live: the input that moved last, whether it is checked or not.
  swapped.Sample(0, kIn5);
  ASSERT_TRUE(swapped.LastMoved());
  EXPECT_EQ(swapped.LastMoved()->input, 5);
  EXPECT_EQ(InputCaption({4, 3, "-", false}), "vstup 3");
}

}  // namespace
