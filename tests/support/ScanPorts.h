#pragma once
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

// Ports for the unit search: virtual units on COM2 and COM5, a port that nobody answers on COM3,
// and every other COM name except keep leading nowhere; a device folder of its own, so that the
// machine's own ports stay out (AddDevice puts a port beyond the COM names there).
class ScanPorts {
 public:
  explicit ScanPorts(int keep = 0) : keep_(keep) {
    char folder[] = "/tmp/vorka-devices-XXXXXX";
    EXPECT_NE(::mkdtemp(folder), nullptr);
    deviceFolder = folder;
    ::setenv("VORKA_DEVICE_FOLDER", folder, 1);
    for (int n = 1; n <= 8; ++n)
      if (n != keep_) ::setenv(Name(n).c_str(), ("/nonexistent/vorka-com" + std::to_string(n)).c_str(), 1);
    for (auto* server : {&firstServer, &secondServer}) {
      *server = std::make_unique<PtyServer>(server == &firstServer ? first : second);
      EXPECT_TRUE((*server)->Start());
    }
    silentMaster_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_TRUE(silentMaster_ >= 0 && ::grantpt(silentMaster_) == 0 && ::unlockpt(silentMaster_) == 0);
    silentPath = ::ptsname(silentMaster_);
    silentSlave_ = ::open(silentPath.c_str(), O_RDWR | O_NOCTTY);  // keeps the line up
    ::setenv("VORKA_COM2", firstServer->SlavePath().c_str(), 1);
    ::setenv("VORKA_COM3", silentPath.c_str(), 1);
    ::setenv("VORKA_COM5", secondServer->SlavePath().c_str(), 1);
  }
  ~ScanPorts() {
    firstServer->Stop();
    secondServer->Stop();
    ::close(silentMaster_);
    ::close(silentSlave_);
    for (int n = 1; n <= 8; ++n)
      if (n != keep_) ::unsetenv(Name(n).c_str());
    ::unsetenv("VORKA_DEVICE_FOLDER");
    std::filesystem::remove_all(deviceFolder);
  }
  // A device node name (ttyUSB0 …) in the folder, leading to path; its full path.
  std::string AddDevice(const std::string& name, const std::string& path) {
    const std::string device = deviceFolder + "/" + name;
    std::filesystem::create_symlink(path, device);
    return device;
  }
  ScanPorts(const ScanPorts&) = delete;
  ScanPorts& operator=(const ScanPorts&) = delete;

  VirtualUnit first{{"VK00001", " v2.4", true, 300}};
  VirtualUnit second{{"VK00002", " v1.9", false, 300}};
  std::unique_ptr<PtyServer> firstServer, secondServer;
  std::string silentPath;
  std::string deviceFolder;

 private:
  static std::string Name(int n) { return "VORKA_COM" + std::to_string(n); }
  int keep_;
  int silentMaster_ = -1, silentSlave_ = -1;
};
