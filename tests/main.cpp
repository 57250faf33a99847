#include "common/ProgramEnd.h"
#include "tests/support/ChildEntry.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

int RunTests(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  // Backups of the units the tests save to go into a folder of their own, and vorkactl started by
  // the tests finds the same one.
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  qputenv("XDG_CONFIG_HOME",
          (data.path() + QStringLiteral("/config")).toLocal8Bit());  // the window's options
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vorka_config"));
  if (const QByteArray child = qgetenv("VORKA_TEST_CHILD"); !child.isEmpty()) {
    const auto entry = ChildEntries().find(child.toStdString());
    return entry == ChildEntries().end() ? 2 : entry->second();
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace

// The windows' lines ended, the application and the test folder gone: on Windows the process ends
// without the runtime's unloading, as the programs do.
int main(int argc, char** argv) { return ProgramEnd(RunTests(argc, argv)); }
