# The test files of both builds, relative to tests/: tests/CMakeLists.txt (Linux) and
# packaging/windows/Windows.cmake (the cross build, run under wine) take them from here.

# Tests that need no pseudo-terminal in their own process: they run on both systems.
set(VORKA_TESTS_ANYWHERE
  link/ReceiveQueueTest.cpp
  link/UniUsbTest.cpp
  sim/VirtualUnitTest.cpp
  protocol/InputWordTest.cpp
  protocol/InputTimelineTest.cpp
  protocol/SamplingPaceTest.cpp
  protocol/RegisterMapTest.cpp
  protocol/BackupsTest.cpp
  protocol/SettingsFileTest.cpp
  protocol/ReviewTest.cpp
  entry/IntegerTextTest.cpp
  entry/GearExpressionTest.cpp
  entry/CfgReaderTest.cpp
  window/ControlTableTest.cpp
  window/FitTest.cpp
  main.cpp
)
# The virtual unit on a pseudo-terminal, vorkactl and vorka-sim as processes: Linux.
set(VORKA_TESTS_UNIX
  support/SimFixture.cpp
  link/AsyncTest.cpp
  link/PortNamesTest.cpp
  link/OpenFailureTest.cpp
  link/SetupTest.cpp
  link/HelpTest.cpp
  protocol/ExchangeTest.cpp
  protocol/OutOfStepTest.cpp
  protocol/SettingsFileFaultTest.cpp
  protocol/UnitScanTest.cpp
  protocol/InputRecordingTest.cpp
  entry/CfgReaderFaultTest.cpp
  window/TermTest.cpp
  window/IdentifyTest.cpp
  window/MonitorTest.cpp
  window/TimelineTest.cpp
  window/DefaultsResetTest.cpp
  window/ValueEntryTest.cpp
  window/ReadSaveTest.cpp
  window/RecordTest.cpp
  window/ImportTest.cpp
  window/SettingsFilesTest.cpp
  window/SaveIntegrityTest.cpp
  window/UnitBackupTest.cpp
  window/FaultTest.cpp
  window/OutOfStepWindowTest.cpp
  window/ReviewWindowTest.cpp
  window/ScreenshotTest.cpp
  VorkactlTest.cpp
  ManualPagesTest.cpp
)
# Windows' own serial calls, port names and paths.
set(VORKA_TESTS_WINDOWS
  link/WindowsLinkTest.cpp
)
