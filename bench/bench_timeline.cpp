// The inputs over time: the memory of a long commissioning session and the drawing of a frame.
#include "protocol/InputTimeline.h"
#include "window/InputLanes.h"

#include <QElapsedTimer>
#include <QImage>

#include "bench/Summary.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

// Eight hours of all ten inputs changing once a second: edges, not samples, are kept.
void BM_TimelineMemoryOfEightHours(benchmark::State& state) {
  double mib = 0;
  std::size_t edges = 0;
  for (auto _ : state) {
    const std::size_t before = ::mallinfo2().uordblks;
    {
      InputTimeline timeline;
      // 25 polls a second, the word flipping every 25th.
      uint16_t word = 0;
      for (int64_t ms = 0; ms < 8LL * 3600 * 1000; ms += 40) {
        if (ms % 1000 == 0) word = static_cast<uint16_t>(~word);
        timeline.Sample(ms, word);
      }
      mib = double(::mallinfo2().uordblks - before) / (1024.0 * 1024.0);
      edges = timeline.EntriesKept();
      benchmark::DoNotOptimize(timeline);
    }
  }
  state.counters["edges"] = double(edges);
  state.counters["MiB"] = mib;
  RecordFigure("memory of 8 hours of ten inputs changing every second", mib, "MiB", "<= 50");
}
BENCHMARK(BM_TimelineMemoryOfEightHours)->Iterations(1)->Unit(benchmark::kMillisecond);

// Eight hours of all sixteen inputs as a 50 Hz square wave, polled every 2 ms (fast sampling): a
// hundred edges a second each, 46 million in all. Older ones are summarised, counts kept exact.
void BM_TimelineMemoryOfEightHoursAt50Hz(benchmark::State& state) {
  double mib = 0;
  std::size_t entries = 0;
  bool countsExact = false;
  for (auto _ : state) {
    const std::size_t before = ::mallinfo2().uordblks;
    {
      InputTimeline timeline;
      constexpr int64_t kEnd = 8LL * 3600 * 1000;
      for (int64_t ms = 0; ms < kEnd; ms += 2)
        timeline.Sample(ms, (ms / 10) % 2 ? uint16_t{0xFFFF} : uint16_t{0});
      mib = double(::mallinfo2().uordblks - before) / (1024.0 * 1024.0);
      entries = timeline.EntriesKept();
      countsExact = timeline.Changes(1) == kEnd / 10 - 1 && timeline.Changes(kInputRows) == kEnd / 10 - 1;
      benchmark::DoNotOptimize(timeline);
    }
  }
  if (!countsExact) state.SkipWithError("the counts are not exact");
  state.counters["entries"] = double(entries);
  state.counters["MiB"] = mib;
  RecordFigure("memory of 8 hours of every input at 50 Hz, fast sampling", mib, "MiB", "<= 64");
}
BENCHMARK(BM_TimelineMemoryOfEightHoursAt50Hz)->Iterations(1)->Unit(benchmark::kMillisecond);

// One frame of the ten lanes over ten minutes, every input changing every 100 ms.
void BM_TimelineFrameOfTenMinutes(benchmark::State& state) {
  InputTimeline timeline;
  uint16_t word = 0;
  for (int64_t ms = 0; ms <= 600'000; ms += 40) {
    if (ms % 100 < 40) word = static_cast<uint16_t>(~word);
    timeline.Sample(ms, word);
  }
  InputLanes lanes;
  lanes.resize(1280, 440);
  lanes.SetTimeline(&timeline);
  lanes.SetSpanMs(600'000);
  lanes.SetNow(600'000);
  QImage image(lanes.size(), QImage::Format_ARGB32_Premultiplied);
  double ms = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    lanes.render(&image);
    ms += double(clock.nsecsElapsed()) * 1e-6;
  }
  ms /= double(state.iterations());
  state.counters["ms_per_frame"] = ms;
  RecordFigure("one frame of 10 lanes over 10 minutes", ms, "ms", "<= 4");
}
BENCHMARK(BM_TimelineFrameOfTenMinutes)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
