// vorkactl as a process: its read's gap per command at the virtual unit beside the raw loop, and
// the whole run from start to exit less the time the bytes need on the line.
#include "protocol/RegisterMap.h"
#include "protocol/UnitProtocol.h"
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include "bench/Gaps.h"
#include "bench/Summary.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Runs a program with the arguments; its output goes nowhere.
void RunProgram(const char* path, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), path);
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (posix_spawn(&pid, path, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
}

void RunCtl(const std::vector<std::string>& arguments) { RunProgram(VORKACTL_PATH, arguments); }

void BM_CtlReadAgainstRawLoop(benchmark::State& state) {
  VirtualUnit unit;
  PtyServer server(unit);
  server.Start();
  ::setenv("VORKA_COM1", server.SlavePath().c_str(), 1);
  const auto script = BuildReadScript(true);
  const std::string first = kUnitPrefix + script.front();
  double ctl = 0, raw = 0;
  for (auto _ : state) {
    unit.ClearReceived();
    RunCtl({"read", "-o", "/dev/null"});
    ctl += MedianGapSeconds(unit.Received(), unit.ReceivedTimes(), first, script.size());
    unit.ClearReceived();
    RunProgram(RAW_CLIENT_PATH, {server.SlavePath()});  // a process too, like vorkactl
    raw += MedianGapSeconds(unit.Received(), unit.ReceivedTimes(), first, script.size());
  }
  state.counters["ratio_to_raw"] = ctl / raw;
  RecordFigure("vorkactl read, gap per command : raw loop", ctl / raw, "", "<= 1.1");
}
BENCHMARK(BM_CtlReadAgainstRawLoop)->Iterations(15)->Unit(benchmark::kMillisecond);

// At 115200 Bd, paced like a real line: start to exit of "vorkactl read" less the wire time of
// its 31 commands and replies.
void BM_CtlReadStartToExit(benchmark::State& state) {
  constexpr int kBaud = 115200;
  VirtualUnit unit;
  unit.SetBaud(kBaud);
  PtyServer server(unit);
  server.Start();
  ::setenv("VORKA_COM1", server.SlavePath().c_str(), 1);
  double overhead = 0;
  for (auto _ : state) {
    unit.ClearReceived();
    const auto start = Clock::now();
    RunCtl({"read", "-o", "/dev/null"});
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    // The bytes on the line: each command with its CR, and the reply a unit in the same state
    // gives to it with its CR.
    VirtualUnit reference;
    std::size_t bytes = 0;
    for (const std::string& command : unit.Received())
      bytes += command.size() + 1 + reference.Respond(command).value_or("").size() + 1;
    overhead += wall - double(bytes) * 10.0 / kBaud;
  }
  state.counters["ms_beyond_wire_time"] = 1000.0 * overhead / double(state.iterations());
  RecordFigure("vorkactl read at 115200 Bd: start to exit less wire time",
               1000.0 * overhead / double(state.iterations()), "ms", "< 100");
}
BENCHMARK(BM_CtlReadStartToExit)->Iterations(10)->Unit(benchmark::kMillisecond);

// Four units at 9600 Bd read at once (each on its own thread and line) beside one alone: the
// lines run side by side, so four take little longer than one.
void BM_FourUnitsAtOnce(benchmark::State& state) {
  constexpr int kBaud = 9600;
  constexpr int kUnits = 4;
  std::vector<std::unique_ptr<VirtualUnit>> units;
  std::vector<std::unique_ptr<PtyServer>> servers;
  std::vector<std::string> fourPorts;
  for (int i = 0; i < kUnits; ++i) {
    units.push_back(std::make_unique<VirtualUnit>(VirtualUnit::Options{"VK0000" + std::to_string(i + 1)}));
    units.back()->SetBaud(kBaud);
    servers.push_back(std::make_unique<PtyServer>(*units.back()));
    servers.back()->Start();
    const std::string com = "COM" + std::to_string(i + 1);
    ::setenv(("VORKA_" + com).c_str(), servers.back()->SlavePath().c_str(), 1);
    fourPorts.insert(fourPorts.end(), {"--port", com});
  }
  char folder[] = "/tmp/vorka-bench-XXXXXX";
  if (!::mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::vector<std::string> read{"read", "-o", folder};
  const auto timed = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), read.begin(), read.end());
    const auto start = Clock::now();
    RunCtl(arguments);
    return std::chrono::duration<double>(Clock::now() - start).count();
  };
  double one = 0, four = 0;
  for (auto _ : state) {
    one += timed({"--port", "COM1"});
    four += timed(fourPorts);
  }
  state.counters["four_to_one"] = four / one;
  RecordFigure("vorkactl read of 4 units at 9600 Bd : 1 unit", four / one, "", "<= 1.3");
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FourUnitsAtOnce)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
