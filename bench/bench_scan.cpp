// The unit search: how long it takes against eight ports and an FTDI device that all stay silent,
// and the longest the port dialog's window goes without handling its events meanwhile.
#include "link/D2xx.h"
#include "link/ui/Scan.h"
#include "protocol/UnitScan.h"
#include "sim/FakeD2xx.h"
#include "sim/VirtualUnit.h"

#include <QElapsedTimer>

#include "bench/Stall.h"
#include "bench/Summary.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// COM1 … COM8 on pseudo-terminals that nobody answers, and one silent FTDI device.
struct SilentPorts {
  std::vector<int> fds;
  VirtualUnit unit;
  FakeD2xx usb{unit};

  SilentPorts() {
    unit.SetSilent(true);
    for (int n = 1; n <= 8; ++n) {
      const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
      ::grantpt(master);
      ::unlockpt(master);
      const std::string slave = ::ptsname(master);
      fds.push_back(master);
      fds.push_back(::open(slave.c_str(), O_RDWR | O_NOCTTY));
      ::setenv(("VORKA_COM" + std::to_string(n)).c_str(), slave.c_str(), 1);
    }
    SetD2xx(&usb);
  }
  ~SilentPorts() {
    SetD2xx(nullptr);
    for (int fd : fds) ::close(fd);
    for (int n = 1; n <= 8; ++n) ::unsetenv(("VORKA_COM" + std::to_string(n)).c_str());
  }
};

void BM_ScanOfSilentPorts(benchmark::State& state) {
  SilentPorts ports;
  double seconds = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    const std::vector<ScanFound> found = ScanForUnits(ScanTargets({}), 115200);
    seconds += double(clock.nsecsElapsed()) * 1e-9;
    benchmark::DoNotOptimize(found);
  }
  RecordFigure("search of 8 silent ports and an FTDI device", 1000.0 * seconds / double(state.iterations()),
               "ms", "<= 1500");
}
BENCHMARK(BM_ScanOfSilentPorts)->Iterations(5)->Unit(benchmark::kMillisecond);

// The search window as the operator has it: a 1 ms timer stands for the window's events; the
// longest gap between its ticks is the longest the window was deaf.
void BM_ScanWindowLongestStall(benchmark::State& state) {
  SilentPorts ports;
  TFormScan window;
  window.show();
  double longest = 0, starting = 0;
  for (auto _ : state) {
    // What the dialog's button does on the window thread: read the ports, start the probes.
    QElapsedTimer start;
    longest = std::max(longest, LongestStallMs(
                                    [&] {
                                      start.start();
                                      window.StartScan(ScanTargets({}), 115200);
                                      starting = std::max(starting, double(start.nsecsElapsed()) * 1e-6);
                                    },
                                    [&] { return window.Scanning(); }, 60'000));
  }
  RecordFigure("search: longest the window went without its events", longest, "ms", "<= 50");
  RecordFigure("  of which reading the ports and starting the probes", starting, "ms", "");
}
BENCHMARK(BM_ScanWindowLongestStall)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
