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
    lane.edges.push_back({ms, level, !known});
    if (lane.edges.size() > edgesKept_) Summarise(lane);
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

void InputTimeline::Stretch::Take(int64_t last, uint32_t changes, bool level) {
  span_ = static_cast<uint32_t>(last - first_);
  changes_ += changes;
  level_ = level;
}

void InputTimeline::Summarise(Lane& lane) {
  const Edge edge = lane.edges.front();
  lane.edges.pop_front();
  if (countsOnly_) return;
  std::deque<Stretch>& stretches = lane.stretches;
  if (!edge.given && !stretches.empty() && !stretches.back().Given() &&
      edge.ms - stretches.back().First() < kStretchMs)
    stretches.back().Take(edge.ms, 1, edge.level);
  else
    stretches.emplace_back(edge.ms, edge.level, edge.given);
  if (stretches.size() <= stretchesKept_) return;
  // The older half, coarser: each two neighbours one stretch.
  const std::size_t half = stretches.size() / 2 & ~std::size_t{1};
  std::deque<Stretch> coarser;
  for (std::size_t n = 0; n < half; n += 2) {
    Stretch merged = stretches[n];
    const Stretch& next = stretches[n + 1];
    merged.Take(next.Last(), static_cast<uint32_t>(next.Changes()), next.Level());
    coarser.push_back(merged);
  }
  coarser.insert(coarser.end(), stretches.begin() + static_cast<std::ptrdiff_t>(half), stretches.end());
  stretches = std::move(coarser);
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
  if (after != edges.begin()) return std::prev(after)->level;
  const std::deque<Stretch>& stretches = Stretches(row);
  const auto later = std::upper_bound(stretches.begin(), stretches.end(), ms,
                                      [](int64_t t, const Stretch& stretch) { return t < stretch.First(); });
  if (later == stretches.begin()) return std::nullopt;
  const Stretch& stretch = *std::prev(later);
  if (ms >= stretch.Last()) return stretch.Level();
  return std::nullopt;  // amid its changes
}

std::optional<int64_t> InputTimeline::WholeFrom() const {
  std::optional<int64_t> from;
  for (const Lane& lane : lanes_)
    if (!lane.stretches.empty())
      from = std::max(from.value_or(lane.stretches.back().Last()), lane.stretches.back().Last());
  return from ? from : firstMs_;
}

InputTimeline::Walk::Walk(const InputTimeline& timeline, int row, int64_t from)
    : stretches_(timeline.Stretches(row)), edges_(timeline.Edges(row)) {
  // What ends by `from` is before the first column.
  stretch_ = static_cast<std::size_t>(
      std::upper_bound(stretches_.begin(), stretches_.end(), from,
                       [](int64_t t, const Stretch& stretch) { return t < stretch.Last(); }) -
      stretches_.begin());
  if (stretch_ > 0) level_ = stretches_[stretch_ - 1].Level();
  edge_ = static_cast<std::size_t>(std::upper_bound(edges_.begin(), edges_.end(), from,
                                                    [](int64_t t, const Edge& edge) { return t < edge.ms; }) -
                                   edges_.begin());
  if (edge_ > 0) level_ = edges_[edge_ - 1].level;
}

InputTimeline::Walk::Column InputTimeline::Walk::To(int64_t end) {
  Column column;
  for (; stretch_ < stretches_.size() && stretches_[stretch_].First() < end; ++stretch_) {
    const Stretch& stretch = stretches_[stretch_];
    (stretch.Given() ? column.given : column.changed) = true;
    level_ = stretch.Level();
    if (stretch.Last() >= end) break;  // its changes go on into the next column
  }
  const auto next = static_cast<std::size_t>(
      std::lower_bound(edges_.begin() + static_cast<std::ptrdiff_t>(edge_), edges_.end(), end,
                       [](const Edge& edge, int64_t t) { return edge.ms < t; }) -
      edges_.begin());
  if (next > edge_) {
    // Only the first can be a level given: after it, a level changes (or a gap came and went
    // within the column, which its shading covers).
    if (edges_[edge_].given) column.given = true;
    if (!edges_[edge_].given || next - edge_ > 1) column.changed = true;
    level_ = edges_[next - 1].level;
    edge_ = next;
  }
  column.level = level_;
  return column;
}

std::size_t InputTimeline::EntriesKept() const {
  std::size_t count = 0;
  for (const Lane& lane : lanes_) count += lane.edges.size() + lane.stretches.size();
  return count;
}

bool InputTimeline::FasterThanSampling(int row) const {
  return SamplingPace::FasterThanSampling(lanes_[Index(row)].recentChanges, static_cast<int>(recent_.size()));
}
