# The Windows build (MinGW-w64 cross build, see scripts/build-windows): the programs, a stand-in
# for FTDI's ftd2xx.dll for trying them without a converter, the tests that run under wine, and
# the zip and installer a Windows user downloads.

# Linux's resource compiler packs with zstd, which this Qt has not been built with.
set_target_properties(vorka_windows PROPERTIES AUTORCC_OPTIONS "--no-zstd")

# GCC 12 warns of an overlap in std::string's concatenation at -O3 that cannot happen (its bug 105651).
target_compile_options(vorka_logic PRIVATE -Wno-restrict)

# Linked with its C runtime inside (it shares no C++ objects with anything) and built into a folder
# of its own: beside the programs it stands in for the FTDI driver, elsewhere they run as on a PC
# without it.
add_library(fake_ftd2xx SHARED sim/FakeFtd2xxDll.cpp)
set_target_properties(fake_ftd2xx PROPERTIES OUTPUT_NAME ftd2xx PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fake-ftdi)
target_link_options(fake_ftd2xx PRIVATE -static)

if(VORKA_BUILD_TESTS)
  enable_testing()
  # GoogleTest from Debian's source, built with the rest.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  # The tests that need no pseudo-terminal in their own process; the others run on Linux only.
  add_executable(vorka_tests
    tests/link/ReceiveQueueTest.cpp
    tests/link/UniUsbTest.cpp
    tests/link/WindowsLinkTest.cpp
    tests/sim/VirtualUnitTest.cpp
    tests/protocol/InputWordTest.cpp
    tests/protocol/RegisterMapTest.cpp
    tests/protocol/BackupsTest.cpp
    tests/protocol/SettingsFileTest.cpp
    tests/entry/IntegerTextTest.cpp
    tests/entry/GearExpressionTest.cpp
    tests/entry/CfgReaderTest.cpp
    tests/window/ControlTableTest.cpp
    tests/main.cpp
  )
  target_include_directories(vorka_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(vorka_tests PRIVATE vorka_windows gtest Qt6::Test)
endif()
