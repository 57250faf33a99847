#include "protocol/InputTimeline.h"

#include "protocol/SamplingPace.h"

#include <algorithm>

void InputTimeline::Sample(int64_t ms, uint16_t word) {
  if (!firstMs_) firstMs_ = ms;
  lastMs_ = ms;
  if (Away()) gaps_.back().to = ms;
  ++polls_;
  uint16_t changedRows = 0;
  for (int row = 1; row <= kInputRows; ++row) {
    Lane& lane = lanes_[Index(row)];
    const bool level = (word >> kInputOfRow[row - 1]) & 1;
    const bool known = levelsKnown_ && !lane.edges.empty();
    if (known && lane.edges.back().level == level) continue;
    lane.edges.push_back({ms, level});
    if (lane.edges.size() > edgesKept_) lane.edges.pop_front();
    if (!known) continue;  // a level given, not a change
    ++lane.changes;
    ++lane.recentChanges;
    changedRows = static_cast<uint16_t>(changedRows | (1U << Index(row)));
    lane.lastChange = ms;
    lastChangedRow_ = row;
  }
  levelsKnown_ = true;
  // The recent polls: a burst is judged as it happens, not against the whole session.
  recent_.push_back({ms, changedRows});
  while (ms - recent_.front().ms > kRecentMs) {
    for (int row = 1; row <= kInputRows; ++row)
      if (recent_.front().changedRows & (1U << Index(row))) --lanes_[Index(row)].recentChanges;
    recent_.pop_front();
  }
  for (int row = 1; row <= kInputRows; ++row)
    if (FasterThanSampling(row)) lanes_[Index(row)].countIsLeast = true;
}

void InputTimeline::ForgetRecent() {
  recent_.clear();
  for (Lane& lane : lanes_) lane.recentChanges = 0;
}

void InputTimeline::Lost(int64_t ms, GapCause cause) {
  if (!levelsKnown_) return;
  lastMs_ = ms;
  levelsKnown_ = false;
  gaps_.push_back({ms, std::nullopt, cause});
  ForgetRecent();  // after the gap the polls are judged anew
}

void InputTimeline::ClearCounters() {
  for (Lane& lane : lanes_) {
    lane.changes = 0;
    lane.lastChange.reset();
    lane.countIsLeast = false;
  }
  polls_ = 0;
  ForgetRecent();
  lastChangedRow_.reset();
}

std::optional<bool> InputTimeline::LevelAt(int row, int64_t ms) const {
  for (const Gap& gap : gaps_)
    if (ms >= gap.from && (!gap.to || ms < *gap.to)) return std::nullopt;
  const std::deque<Edge>& edges = Edges(row);
  const auto after = std::upper_bound(edges.begin(), edges.end(), ms,
                                      [](int64_t t, const Edge& edge) { return t < edge.ms; });
  if (after == edges.begin()) return std::nullopt;
  return std::prev(after)->level;
}

std::size_t InputTimeline::EdgeCount() const {
  std::size_t count = 0;
  for (const Lane& lane : lanes_) count += lane.edges.size();
  return count;
}

bool InputTimeline::FasterThanSampling(int row) const {
  return SamplingPace::FasterThanSampling(lanes_[Index(row)].recentChanges, static_cast<int>(recent_.size()));
}
