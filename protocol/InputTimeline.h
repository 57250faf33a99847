#pragma once
#include "protocol/RegisterMap.h"
#include "protocol/SamplingPace.h"

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
    bool level;  // as the unit reports it
  };
  struct Gap {
    int64_t from;
    std::optional<int64_t> to;  // open while the unit is away
    GapCause cause = GapCause::NoReply;
  };
  // Beyond this many edges an input forgets its oldest (8 hours of a change a second is 28 800).
  static constexpr std::size_t kDefaultEdgesKept = 1'000'000;
  explicit InputTimeline(std::size_t edgesKept = kDefaultEdgesKept) : edgesKept_(edgesKept) {}

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

  const std::deque<Edge>& Edges(int row) const { return lanes_[Index(row)].edges; }
  const std::vector<Gap>& Gaps() const { return gaps_; }
  // The level at ms, nothing before the first sample or inside a gap.
  std::optional<bool> LevelAt(int row, int64_t ms) const;
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
  std::size_t EdgeCount() const;

 private:
  struct Lane {
    std::deque<Edge> edges;
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

  std::size_t edgesKept_;
  std::array<Lane, kInputRows> lanes_;
  std::vector<Gap> gaps_;
  std::vector<PaceMark> paces_;
  std::deque<RecentPoll> recent_;
  int polls_ = 0;
  std::optional<int> lastChangedRow_;
  std::optional<int64_t> firstMs_, lastMs_;
  bool levelsKnown_ = false;
};
