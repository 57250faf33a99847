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
  protocol/InputPollerTest.cpp
  protocol/RegisterMapTest.cpp
  protocol/BackupsTest.cpp
  protocol/SettingsFileTest.cpp
  protocol/ReviewTest.cpp
  protocol/WordingTest.cpp
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
  window/LanguageTest.cpp
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
  window/VerifiedSaveTest.cpp
  window/LineThreadTest.cpp
  window/ReplyFormsTest.cpp
  window/ScreenshotTest.cpp
  VorkactlTest.cpp
  ManualPagesTest.cpp
)
# Windows' own serial calls, port names and paths.
set(VORKA_TESTS_WINDOWS
  link/WindowsLinkTest.cpp
)

# Each test file belongs to the library it tests. It is compiled seeing that library's headers and
# those the library may use, the test doubles' (sim) and the tests' support, no others: a test
# cannot reach past its layer either. The files a system runs are then linked into one program.
set(VORKA_TESTS_OF_vorka_entry
  entry/IntegerTextTest.cpp entry/GearExpressionTest.cpp entry/CfgReaderTest.cpp entry/CfgReaderFaultTest.cpp)
set(VORKA_TESTS_OF_vorka_link
  link/ReceiveQueueTest.cpp link/PortNamesTest.cpp link/AsyncTest.cpp link/OpenFailureTest.cpp
  support/SimFixture.cpp)
set(VORKA_TESTS_OF_vorka_sim sim/VirtualUnitTest.cpp)
set(VORKA_TESTS_OF_vorka_protocol
  protocol/InputWordTest.cpp protocol/InputTimelineTest.cpp protocol/SamplingPaceTest.cpp protocol/InputPollerTest.cpp
  protocol/OutOfStepTest.cpp protocol/UnitScanTest.cpp ManualPagesTest.cpp)
set(VORKA_TESTS_OF_vorka_settings
  protocol/RegisterMapTest.cpp protocol/BackupsTest.cpp protocol/ReviewTest.cpp protocol/SettingsFileFaultTest.cpp)
set(VORKA_TESTS_OF_vorka_flows
  protocol/SettingsFileTest.cpp protocol/ExchangeTest.cpp protocol/InputRecordingTest.cpp link/UniUsbTest.cpp
  protocol/WordingTest.cpp)
# The dialogs of the link are tried inside the main window, and so is vorkactl beside it.
set(VORKA_TESTS_OF_vorka_windows
  link/SetupTest.cpp link/HelpTest.cpp link/WindowsLinkTest.cpp
  window/ControlTableTest.cpp window/FitTest.cpp window/TermTest.cpp window/LanguageTest.cpp window/IdentifyTest.cpp
  window/MonitorTest.cpp window/TimelineTest.cpp window/DefaultsResetTest.cpp window/ValueEntryTest.cpp
  window/ReadSaveTest.cpp window/RecordTest.cpp window/ImportTest.cpp window/SettingsFilesTest.cpp
  window/SaveIntegrityTest.cpp window/UnitBackupTest.cpp window/FaultTest.cpp window/OutOfStepWindowTest.cpp
  window/ReviewWindowTest.cpp window/VerifiedSaveTest.cpp window/LineThreadTest.cpp window/ReplyFormsTest.cpp window/ScreenshotTest.cpp VorkactlTest.cpp main.cpp)
set(VORKA_TESTED_LIBRARIES vorka_entry vorka_link vorka_sim vorka_protocol vorka_settings vorka_flows vorka_windows)
set(VORKA_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR})

# What a test of `library` sees: the library's own headers and those it may use, through its usage
# (with `links`, the test frameworks), and the test doubles' and the support's headers as views.
function(vorka_test_sees target library)
  target_link_libraries(${target} PRIVATE ${library} ${ARGN})
  vorka_view(${target} PRIVATE sim)
  vorka_view(${target} PRIVATE tests/support)
  # The tests reach into the forms' controls.
  set_property(TARGET ${target} PROPERTY AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/link/ui ${PROJECT_SOURCE_DIR}/window)
  target_compile_definitions(${target} PRIVATE ${VORKA_TEST_DEFINITIONS})
endfunction()

# The test program `target` of `files` (relative to tests/): one object library per tested library,
# each compiled against that library alone, linked together with `links`.
function(vorka_test_program target)
  cmake_parse_arguments(arg "" "" "FILES;LINKS" ${ARGN})
  set(unplaced ${arg_FILES})
  file(GLOB support_headers CONFIGURE_DEPENDS ${VORKA_TESTS_DIR}/support/*.h)
  add_executable(${target})
  foreach(library IN LISTS VORKA_TESTED_LIBRARIES)
    set(files)
    foreach(file IN LISTS VORKA_TESTS_OF_${library})
      if(file IN_LIST arg_FILES)
        list(APPEND files ${VORKA_TESTS_DIR}/${file})
        list(REMOVE_ITEM unplaced ${file})
      endif()
    endforeach()
    if(NOT files)
      continue()
    endif()
    set(group ${target}_${library})
    add_library(${group} OBJECT ${files})
    vorka_test_sees(${group} ${library} ${arg_LINKS})
    vorka_includes_from_root(${group} SHARED ${support_headers})
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${group}>)
  endforeach()
  if(unplaced)
    message(FATAL_ERROR "test files that name no tested library in tests/TestList.cmake: ${unplaced}")
  endif()
endfunction()
