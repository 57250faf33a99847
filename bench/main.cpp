#include "bench/Summary.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

struct Figure {
  std::string name;
  double value;
  std::string unit, aim;
};
std::vector<Figure>& Figures() {
  static std::vector<Figure> figures;
  return figures;
}

}  // namespace

void RecordFigure(const std::string& figure, double value, const std::string& unit, const std::string& aim) {
  for (Figure& f : Figures())
    if (f.name == figure) {
      f.value = value;
      return;
    }
  Figures().push_back({figure, value, unit, aim});
}

void PrintFigures() {
  std::printf("\n%-58s %12s  %s\n", "figure", "value", "aim");
  for (const Figure& f : Figures())
    std::printf("%-58s %12.3f  %s %s\n", f.name.c_str(), f.value, f.aim.c_str(), f.unit.c_str());
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir runtime;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
  QApplication app(argc, argv);  // the windows and the serial port's notifiers want one
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintFigures();
  return 0;
}
