#pragma once
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

// Ports for the unit search: virtual units on COM2 and COM5, a port that nobody answers on COM3,
// and every other COM name except keep leading nowhere, so that the machine's own ports stay out.
class ScanPorts {
 public:
  explicit ScanPorts(int keep = 0) : keep_(keep) {
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
  }
  ScanPorts(const ScanPorts&) = delete;
  ScanPorts& operator=(const ScanPorts&) = delete;

  VirtualUnit first{{"VK00001", " v2.4", true, 300}};
  VirtualUnit second{{"VK00002", " v1.9", false, 300}};
  std::unique_ptr<PtyServer> firstServer, secondServer;
  std::string silentPath;

 private:
  static std::string Name(int n) { return "VORKA_COM" + std::to_string(n); }
  int keep_;
  int silentMaster_ = -1, silentSlave_ = -1;
};
