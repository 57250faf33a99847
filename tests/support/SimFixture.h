#pragma once
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A virtual unit served on a real pseudo-terminal, reachable as COM1.
class SimFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The commands the unit received, prefix included.
  std::vector<std::string> Received() const { return unit_.Received(); }

  VirtualUnit unit_;
  std::unique_ptr<PtyServer> server_;
};
