#pragma once
#include "protocol/RegisterMap.h"
#include "protocol/SamplingPace.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// The grid's inputs over time, as the monitor's polls saw them: per input its edges, not its
// samples, and the spans in which no reply came (no level is known there). Times are milliseconds
// on one steady clock. Rows are the grid's, 1 to kInputRows.
class InputTimeline {
 public:
  struct Edge {
    int64_t ms;
    bool level;          // as the unit reports it
    bool given = false;  // the level at the first sample or the first after a gap: no change
  };
  // Older edges, summarised: the changes of a stretch of at most kStretchMs from `first`, and the
  // level after them; no changes is a level given. Narrower than a pixel column at the widest
  // zoom (on a picture up to 2400 px wide), so it is drawn there as their edges were.
  class Stretch {
   public:
    Stretch(int64_t first, bool level, bool given) : first_(first), changes_(given ? 0 : 1), level_(level) {}
    int64_t First() const { return first_; }
    int64_t Last() const { return first_ + span_; }
    int64_t Changes() const { return changes_; }
    bool Level() const { return level_; }  // after the stretch
    bool Given() const { return changes_ == 0; }
    // The stretch extended to hold what came after it.
    void Take(int64_t last, uint32_t changes, bool level);

   private:
    int64_t first_;
    uint32_t span_ = 0;
    uint32_t changes_ : 31;
    uint32_t level_ : 1;
  };
  struct Gap {
    int64_t from;
    std::optional<int64_t> to;  // open while the unit is away
    GapCause cause = GapCause::NoReply;
  };
  static constexpr int64_t kStretchMs = 250;
  // An input keeps its last edges as they came (more than the widest zoom of ten minutes holds of
  // an input at 50 Hz) and summarises older ones into stretches; past so many stretches, the
  // oldest half is merged pairwise. The grid's inputs then take at most about 30 MiB, however long.
  static constexpr std::size_t kDefaultEdgesKept = 65'536;
  static constexpr std::size_t kDefaultStretchesKept = 131'072;
  explicit InputTimeline(std::size_t edgesKept = kDefaultEdgesKept,
                         std::size_t stretchesKept = kDefaultStretchesKept)
      : edgesKept_(std::max<std::size_t>(1, edgesKept)),
        stretchesKept_(std::max<std::size_t>(2, stretchesKept)) {}
  // For the counters alone: no picture, no edges kept beyond the last.
  static InputTimeline CountsOnly() {
    InputTimeline timeline(1, 2);
    timeline.countsOnly_ = true;
    return timeline;
  }

  // A poll's input word at ms. The first sample, and the first after a gap, gives every input a
  // level; after that only a changed level is an edge.
  void Sample(int64_t ms, uint16_t word);
  // No reply at ms (or no poll after it): no level from here until the next sample.
  void Lost(int64_t ms, GapCause cause = GapCause::NoReply);
  // The counters start again from now; the edges stay.
  void ClearCounters();
  // The sampling period measured from ms on (the recordings say when it changed).
  struct PaceMark {
    int64_t ms;
    double periodMs;
  };
  void Paced(int64_t ms, double periodMs) { paces_.push_back({ms, periodMs}); }
  const std::vector<PaceMark>& Paces() const { return paces_; }

  // The edges kept as they came, and before them the stretches that summarise older ones.
  const std::deque<Edge>& Edges(int row) const { return lanes_[Index(row)].edges; }
  const std::deque<Stretch>& Stretches(int row) const { return lanes_[Index(row)].stretches; }
  const std::vector<Gap>& Gaps() const { return gaps_; }
  // The level at ms, nothing before the first sample, inside a gap, or amid a stretch's changes.
  std::optional<bool> LevelAt(int row, int64_t ms) const;
  // From here on every input's edges are kept as they came (before it some are only summarised).
  std::optional<int64_t> WholeFrom() const;

  // An input's history a pixel column at a time, oldest first: what happened in each column, so
  // that drawing costs the columns, not the edges.
  class Walk {
   public:
    // Starts before `from`: the level then, if one is known.
    Walk(const InputTimeline& timeline, int row, int64_t from);
    struct Column {
      bool changed = false;       // a change in the column (a bar is drawn)
      bool given = false;         // a level given in it (no change: a step, no bar)
      std::optional<bool> level;  // after the column
    };
    // What happened up to (not at) end, since the last call.
    Column To(int64_t end);
    std::optional<bool> Level() const { return level_; }

   private:
    const std::deque<Stretch>& stretches_;
    const std::deque<Edge>& edges_;
    std::size_t stretch_ = 0, edge_ = 0;
    std::optional<bool> level_;
  };
  // Changes since the counters were cleared (a level given after a gap is no change).
  int Changes(int row) const { return lanes_[Index(row)].changes; }
  std::optional<int64_t> LastChange(int row) const { return lanes_[Index(row)].lastChange; }
  // The polls that gave levels since the counters were cleared.
  int Polls() const { return polls_; }
  // The input changed at so many of the recent polls (the last kRecentMs) that it may change
  // faster than they see: its picture now may show a slower wave that is not there.
  static constexpr int64_t kRecentMs = 2'000;
  bool FasterThanSampling(int row) const;
  // Some of its changes since the counters were cleared came faster than the polls see: its count
  // is a least count.
  bool CountIsLeast(int row) const { return lanes_[Index(row)].countIsLeast; }
  // The input that changed last, and when.
  std::optional<int> LastChangedRow() const { return lastChangedRow_; }
  std::optional<int64_t> FirstMs() const { return firstMs_; }
  std::optional<int64_t> LastMs() const { return lastMs_; }
  bool Away() const { return !gaps_.empty() && !gaps_.back().to; }
  // The edges and stretches kept, of every input.
  std::size_t EntriesKept() const;

 private:
  struct Lane {
    std::deque<Edge> edges;
    std::deque<Stretch> stretches;
    int changes = 0;
    std::optional<int64_t> lastChange;
    int recentChanges = 0;  // at the recent polls
    bool countIsLeast = false;
  };
  // The recent polls that gave levels: when, and the rows that changed at each (a bit per row).
  struct RecentPoll {
    int64_t ms;
    uint16_t changedRows;
  };
  static std::size_t Index(int row) { return static_cast<std::size_t>(row - 1); }
  void ForgetRecent();
  // The oldest edge into the stretches, and the oldest stretches merged when there are too many.
  void Summarise(Lane& lane);

  std::size_t edgesKept_, stretchesKept_;
  bool countsOnly_ = false;
  std::array<Lane, kInputRows> lanes_;
  std::vector<Gap> gaps_;
  std::vector<PaceMark> paces_;
  std::deque<RecentPoll> recent_;
  int polls_ = 0;
  std::optional<int> lastChangedRow_;
  std::optional<int64_t> firstMs_, lastMs_;
  bool levelsKnown_ = false;
};
