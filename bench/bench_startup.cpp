// The real program's start-up: from starting vorka_config to its first command on the line
// (sent once the window is shown), and its resident memory once the start-up sequence is over.
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include "bench/Summary.h"

#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

void BM_StartupToShownWindow(benchmark::State& state) {
  VirtualUnit unit;
  unit.SetReplyOverride("j", "0");  // the start-up ends without waiting out the restart
  PtyServer server(unit);
  server.Start();
  ::setenv("VORKA_COM1", server.SlavePath().c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  double shown = 0, rss = 0;
  for (auto _ : state) {
    unit.ClearReceived();
    char program[] = VORKA_CONFIG_PATH;
    char* argv[] = {program, nullptr};
    pid_t pid = 0;
    const auto start = Clock::now();
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start vorka_config");
      return;
    }
    while (unit.Received().empty() && Clock::now() - start < std::chrono::seconds(20))
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    shown += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    while (unit.Received().size() < 3 && Clock::now() - start < std::chrono::seconds(20))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    rss += double(ResidentKiB(pid)) / 1024.0;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  state.counters["ms_to_shown_window"] = shown / double(state.iterations());
  state.counters["rss_MiB_after_startup"] = rss / double(state.iterations());
  RecordFigure("start-up to a shown window", shown / double(state.iterations()), "ms", "");
  RecordFigure("resident memory after start-up", rss / double(state.iterations()), "MiB", "");
}
BENCHMARK(BM_StartupToShownWindow)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
