// Link benchmarks against the virtual unit on a pseudo-terminal:
//  - a command round trip through ComSendLine/ComReceiveLine beside a minimal raw
//    write-then-wait-then-read loop on the same kind of line (the ratio is reported);
//  - processor time of the waiting thread while ComReceiveLine waits out a silent unit.
#include "link/Async.h"
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include <benchmark/benchmark.h>

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
  const int fd = ::open(line.server.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    [[maybe_unused]] auto n = ::write(fd, "!0Q\r", 4);
    std::string reply;
    while (reply.find('\r') == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      ::poll(&p, 1, 1000);
      char buffer[256];
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got > 0) reply.append(buffer, std::size_t(got));
    }
    benchmark::DoNotOptimize(reply);
  }
  g_rawRoundTripNs =
      double(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count()) /
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
      double(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count()) /
      double(state.iterations());
  if (g_rawRoundTripNs > 0) state.counters["ratio_to_raw"] = ns / g_rawRoundTripNs;
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
  ComClose();
}
BENCHMARK(BM_SilentUnitWaitCpu)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

