# The Windows build (MinGW-w64 cross build, see scripts/build-windows): the programs, a stand-in
# for FTDI's ftd2xx.dll for trying them without a converter, the tests that run under wine, and
# the zip and installer a Windows user downloads.

# Linux's resource compiler packs with zstd, which this Qt has not been built with.
set_target_properties(vorka_look PROPERTIES AUTORCC_OPTIONS "--no-zstd")

# Each program's icon, version information and manifest, from one resource script; windres reads
# it in UTF-8, as it is written.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
enable_language(RC)
string(TIMESTAMP VORKA_RC_YEAR "%Y" UTC)
set(VORKA_RC_ICON ${CMAKE_SOURCE_DIR}/packaging/windows/vorka_config.ico)
set(VORKA_RC_MANIFEST ${CMAKE_SOURCE_DIR}/packaging/windows/vorka.manifest)
foreach(program vorka_config vorkactl)
  set(VORKA_RC_NAME ${program})
  set(VORKA_RC_FILE ${program}.exe)
  if(program STREQUAL "vorka_config")
    set(VORKA_RC_DESCRIPTION "VORKA config: nastavení jednotky VORKA")
  else()
    set(VORKA_RC_DESCRIPTION "vorkactl: VORKA config z příkazové řádky")
  endif()
  configure_file(packaging/windows/program.rc.in ${CMAKE_BINARY_DIR}/${program}.rc @ONLY)
  target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/${program}.rc)
endforeach()
set_property(SOURCE ${CMAKE_BINARY_DIR}/vorka_config.rc ${CMAKE_BINARY_DIR}/vorkactl.rc APPEND PROPERTY
             OBJECT_DEPENDS ${VORKA_RC_ICON} ${VORKA_RC_MANIFEST})

# GCC 12 warns of an overlap in std::string's concatenation at -O3 that cannot happen (its bug 105651).
foreach(library vorka_common vorka_entry vorka_link vorka_protocol vorka_settings vorka_flows)
  target_compile_options(${library} PRIVATE -Wno-restrict)
endforeach()

# Linked with its C runtime inside (it shares no C++ objects with anything) and built into a folder
# of its own: beside the programs it stands in for the FTDI driver, elsewhere they run as on a PC
# without it.
add_library(fake_ftd2xx SHARED sim/FakeFtd2xxDll.cpp)
set_target_properties(fake_ftd2xx PROPERTIES OUTPUT_NAME ftd2xx PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fake-ftdi)
target_link_options(fake_ftd2xx PRIVATE -static)
# What a console shows, read back by scripts/check-windows after vorkactl.exe ran in it.
add_executable(console_screen sim/ConsoleScreenWindows.cpp)
set_target_properties(console_screen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-tools AUTOMOC OFF)
target_link_options(console_screen PRIVATE -static)

if(VORKA_BUILD_TESTS)
  enable_testing()
  # GoogleTest from Debian's source, built with the rest.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  include(${CMAKE_SOURCE_DIR}/tests/TestList.cmake)
  vorka_test_program(vorka_tests FILES ${VORKA_TESTS_ANYWHERE} ${VORKA_TESTS_WINDOWS} LINKS gtest Qt6::Test)
  target_link_libraries(vorka_tests PRIVATE vorka_windows vorka_sim gtest Qt6::Test)
endif()
