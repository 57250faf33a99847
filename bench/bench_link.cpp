// Link benchmarks against the virtual unit on a pseudo-terminal:
//  - a command round trip through ComSendLine/ComReceiveLine beside a minimal raw
//    write-then-wait-then-read loop on the same kind of line (the ratio is reported);
//  - processor time of the waiting thread while ComReceiveLine waits out a silent unit.
#include "link/Async.h"
#include "protocol/Exchange.h"
#include "protocol/RegisterMap.h"
#include "protocol/UnitProtocol.h"
#include "protocol/flows/ConsoleUnit.h"
#include "protocol/flows/UnitFlows.h"
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include "bench/RawLine.h"
#include "bench/Summary.h"
#include "tests/support/TestBackups.h"

#include <benchmark/benchmark.h>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

double g_rawRoundTripNs = 0;

double ThreadCpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Line {
  VirtualUnit unit;
  PtyServer server{unit};
  Line() {
    server.Start();
    ::setenv("VORKA_COM1", server.SlavePath().c_str(), 1);
  }
};

void BM_RawRoundTrip(benchmark::State& state) {
  Line line;
  const int fd = OpenRaw(line.server.SlavePath());
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(RawExchange(fd, "!0Q"));
  g_rawRoundTripNs =
      double(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                 .count()) /
      double(state.iterations());
  ::close(fd);
}
BENCHMARK(BM_RawRoundTrip)->Unit(benchmark::kMicrosecond);

void BM_LinkRoundTrip(benchmark::State& state) {
  Line line;
  if (!ComOpen("COM1", 115200, 'n', 8, 1.0f)) {
    state.SkipWithError("cannot open the line");
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    ComSendLine("!0Q");
    std::string reply;
    if (!ComReceiveLine(1000, reply, 255)) state.SkipWithError("no reply");
    benchmark::DoNotOptimize(reply);
  }
  const double ns =
      double(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                 .count()) /
      double(state.iterations());
  if (g_rawRoundTripNs > 0) {
    state.counters["ratio_to_raw"] = ns / g_rawRoundTripNs;
    RecordFigure("command round trip, link : raw loop", ns / g_rawRoundTripNs, "", "<= 1.2");
  }
  ComClose();
}
BENCHMARK(BM_LinkRoundTrip)->Unit(benchmark::kMicrosecond);

void BM_SilentUnitWaitCpu(benchmark::State& state) {
  Line line;
  line.unit.SetSilent(true);
  ComOpen("COM1", 115200, 'n', 8, 1.0f);
  double cpu = 0;
  for (auto _ : state) {
    const double before = ThreadCpuSeconds();
    ComSendLine("!0Q");
    std::string reply;
    benchmark::DoNotOptimize(ComReceiveLine(1000, reply, 255));
    cpu += ThreadCpuSeconds() - before;
  }
  state.counters["cpu_ms_per_1000ms_wait"] = 1000.0 * cpu / double(state.iterations());
  RecordFigure("CPU while waiting 1000 ms on a silent unit", 1000.0 * cpu / double(state.iterations()), "ms",
               "< 20");
  ComClose();
}
BENCHMARK(BM_SilentUnitWaitCpu)->Iterations(3)->Unit(benchmark::kMillisecond);

// The 29-command read against a unit paced at 115200 Bd, as a ratio to the wire time of its bytes
// (10 bit times a byte, commands with prefix and CR, replies with CR).
void BM_ReadScriptAgainstWireTime(benchmark::State& state) {
  constexpr int kBaud = 115200;
  Line line;
  line.unit.SetBaud(kBaud);
  ConsoleUnit unit{TestBackups()};  // the exchange without a window: no logs, no boxes
  std::string reason;
  if (!unit.Open("COM1", kBaud, 1000, reason)) {
    state.SkipWithError(reason.c_str());
    return;
  }
  CommandExchange& exchange = unit.Exchange();
  const auto script = BuildReadScript(true);
  double wall = 0, wire = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const ExchangeResult result = exchange.Run(script);
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.completed) state.SkipWithError("read failed");
    std::size_t bytes = 0;
    for (const auto& l : script) bytes += 2 + l.size() + 1;
    for (const auto& r : result.replies) bytes += r.size() + 1;
    wire += double(bytes) * 10.0 / kBaud;
  }
  state.counters["ratio_to_wire_time"] = wall / wire;
  RecordFigure("29-command read at 115200 Bd : wire time", wall / wire, "", "<= 1.05");
  ComClose();
}
BENCHMARK(BM_ReadScriptAgainstWireTime)->Iterations(20)->Unit(benchmark::kMillisecond);

// The same 29 commands through the raw loop: the floor the paced virtual unit allows.
void BM_RawReadScriptAgainstWireTime(benchmark::State& state) {
  constexpr int kBaud = 115200;
  Line line;
  line.unit.SetBaud(kBaud);
  const int fd = OpenRaw(line.server.SlavePath());
  const auto script = BuildReadScript(true);
  double wall = 0, wire = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::size_t bytes = 0;
    for (const auto& l : script)
      bytes += std::strlen(kUnitPrefix) + l.size() + 1 + RawExchange(fd, kUnitPrefix + l).size();
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    wire += double(bytes) * 10.0 / kBaud;
  }
  state.counters["ratio_to_wire_time"] = wall / wire;
  RecordFigure("  the same 29 commands by the raw loop : wire time", wall / wire, "", "(the floor)");
  ::close(fd);
}
BENCHMARK(BM_RawReadScriptAgainstWireTime)->Iterations(20)->Unit(benchmark::kMillisecond);

// Fast sampling: the inputs polled back to back at 115200 Bd for two seconds, the period measured
// as a ratio to the wire time of one "stav" script (two commands with prefix and CR, two replies
// of "0,XX" with CR).
void BM_FastSamplingAgainstWireTime(benchmark::State& state) {
  constexpr int kBaud = 115200;
  Line line;
  line.unit.SetBaud(kBaud);
  line.unit.SetToggle(0, 50.0);
  ConsoleUnit unit{TestBackups()};
  std::string reason;
  if (!unit.Open("COM1", kBaud, 1000, reason)) {
    state.SkipWithError(reason.c_str());
    return;
  }
  PollPace pace;
  pace.period = std::chrono::milliseconds(0);
  double periodMs = 0;
  std::size_t polls = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const auto stopped = [&] { return std::chrono::steady_clock::now() - start >= std::chrono::seconds(2); };
    PollEvents events;
    events.seen = [&](std::chrono::steady_clock::time_point, uint16_t) { ++polls; };
    events.gap = [](std::chrono::steady_clock::time_point, GapCause) {};
    events.paced = [&](double ms) { periodMs = ms; };
    PollInputs(unit, pace, stopped, events);
  }
  const double wireMs = PollWireMs(kBaud);
  state.counters["period_ms"] = periodMs;
  state.counters["wire_ms"] = wireMs;
  state.counters["polls"] = double(polls);
  RecordFigure("fast sampling period at 115200 Bd : wire time of one poll", periodMs / wireMs, "", "<= 1.3");
  ComClose();
}
BENCHMARK(BM_FastSamplingAgainstWireTime)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
