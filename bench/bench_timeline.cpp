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
      edges = timeline.EdgeCount();
      benchmark::DoNotOptimize(timeline);
    }
  }
  state.counters["edges"] = double(edges);
  state.counters["MiB"] = mib;
  RecordFigure("memory of 8 hours of ten inputs changing every second", mib, "MiB", "<= 50");
}
BENCHMARK(BM_TimelineMemoryOfEightHours)->Iterations(1)->Unit(benchmark::kMillisecond);

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
