#include "entry/CfgReader.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

// The reader against what Unix can put where a file should be.
namespace {

namespace fs = std::filesystem;

TEST(CfgReaderFaultTest, OnlyRegularFilesAreRead) {
  const fs::path dir = fs::temp_directory_path() / ("vorka-cfg-fifo-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string fifo = (dir / "pipe.cfg").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  CfgTables tables;
  for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/dev/null")}) {
    try {
      ReadCfgFile(path, tables, [](const char*, const std::string&) {});
      ADD_FAILURE() << path;
    } catch (const CfgIoError& e) {
      EXPECT_EQ(e.code, 5) << path;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
