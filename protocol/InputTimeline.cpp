#include "protocol/InputTimeline.h"

#include "protocol/SamplingPace.h"

#include <algorithm>

void InputTimeline::Sample(int64_t ms, uint16_t word) {
  if (!firstMs_) firstMs_ = ms;
  lastMs_ = ms;
  if (Away()) gaps_.back().to = ms;
  ++polls_;
  for (int row = 1; row <= kInputRows; ++row) {
    Lane& lane = lanes_[Index(row)];
    const bool level = (word >> kInputOfRow[row - 1]) & 1;
    const bool known = levelsKnown_ && !lane.edges.empty();
    if (known && lane.edges.back().level == level) continue;
    lane.edges.push_back({ms, level});
    if (lane.edges.size() > edgesKept_) lane.edges.pop_front();
    if (!known) continue;  // a level given, not a change
    ++lane.changes;
    lane.lastChange = ms;
    lastChangedRow_ = row;
  }
  levelsKnown_ = true;
}

void InputTimeline::Lost(int64_t ms, GapCause cause) {
  if (!levelsKnown_) return;
  lastMs_ = ms;
  levelsKnown_ = false;
  gaps_.push_back({ms, std::nullopt, cause});
}

void InputTimeline::ClearCounters() {
  for (Lane& lane : lanes_) {
    lane.changes = 0;
    lane.lastChange.reset();
  }
  polls_ = 0;
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
  return SamplingPace::FasterThanSampling(Changes(row), polls_);
}
