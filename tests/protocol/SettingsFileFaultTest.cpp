#include "protocol/settings/Settings.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

// Settings files against the system's faults, made as Unix makes them.
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SettingsFileTest, ADeviceStaysADevice) {
  EXPECT_FALSE(SaveSettingsFile("/dev/null", "OUT1 = Laser\n", FileTarget::AnyFile));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A full disk, made by a file-size limit in a child process: the old file must stay whole.
TEST(SettingsFileTest, FailedWriteLeavesTheOldFileWhole) {
  const fs::path dir = fs::temp_directory_path() / ("vorka-settings-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path path = dir / "unit.vorka";
  const std::string old = "OUT1 = Laser\n";
  ASSERT_FALSE(SaveSettingsFile(path.string(), old, FileTarget::RegularOnly));
  const std::string large(64 * 1024, '#');
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(SaveSettingsFile(path.string(), large, FileTarget::RegularOnly) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);  // the failure was reported
  EXPECT_EQ(Slurp(path), old);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++files;
  EXPECT_EQ(files, 1u);  // no half-written file left beside it
  fs::remove_all(dir);
}

}  // namespace
