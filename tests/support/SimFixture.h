#pragma once
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

// How long an exchange watches the line after a script when a test asks whether a late line is
// seen: the virtual unit runs in the test's process and, on a busy machine, may answer a time
// slice or two late where a unit of its own would not. With every core busy (the suite runs a test
// per core) 30 ms were seen to pass before it answered; the watch ends early when a line comes, so
// only a script answered in step pays the whole of it.
inline constexpr std::chrono::microseconds kSharedProcessorQuiet{250'000};

// A virtual unit served on a real pseudo-terminal, reachable as COM1.
class SimFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The commands the unit received, prefix included.
  std::vector<std::string> Received() const { return unit_.Received(); }
  // The writes among them, in order.
  std::vector<std::string> Writes() const {
    std::vector<std::string> writes;
    for (const std::string& c : Received())
      for (const char* w : {"!0EW", "!0EFW", "!0EUW"})
        if (c.rfind(w, 0) == 0) writes.push_back(c);
    return writes;
  }

  // Distinctive values in every register of the unit.
  void DistinctiveRegisters() {
    const std::pair<const char*, uint8_t> bytes[] = {
        {"01", 0x09}, {"02", 0x00}, {"03", 0x05}, {"04", 0x01}, {"FD", 0x07}, {"05", 0xEA}, {"06", 0x01},
        {"07", 0x05}, {"08", 0x81}, {"09", 0x40}, {"0A", 0x3C}, {"0B", 0x80}, {"0C", 0x02}};
    for (const auto& [a, v] : bytes) unit_.SetByteRegister(a, v);
    const std::pair<const char*, const char*> texts[] = {
        {"10", "-100"},     {"14", "-200"}, {"18", "-300"},       {"20", "1000"},
        {"24", "2000"},     {"28", "3000"}, {"30", "640.000000"}, {"34", "200.500000"},
        {"38", "1.250000"}, {"40", "500"},  {"44", "1500"},       {"48", "250"},
        {"4C", "800"},      {"50", "10"},   {"54", "20"},         {"58", "30"}};
    for (const auto& [a, v] : texts) unit_.SetTextRegister(a, v);
  }

  // Every register of the unit by address, bytes as decimal numbers.
  std::map<std::string, std::string> Registers() const {
    std::map<std::string, std::string> all;
    for (const char* a : {"01", "02", "03", "04", "FD", "05", "06", "07", "08", "09", "0A", "0B", "0C"})
      all[a] = std::to_string(*unit_.ByteRegister(a));
    for (const char* a :
         {"10", "14", "18", "20", "24", "28", "30", "34", "38", "40", "44", "48", "4C", "50", "54", "58"})
      all[a] = *unit_.TextRegister(a);
    return all;
  }

  // COM1 as a link in `folder` to the unit's line, as a port's name stands for whichever device is
  // behind it; the link's path. It goes when the unit closes the line, as an unplugged adapter's.
  std::string LinkCom1(const std::string& folder);
  // The unit's line unplugged: its device and the link to it gone.
  void Unplug(const std::string& link);
  // Plugged back: another device behind the same link, the same unit on it.
  void PlugBack(const std::string& link);

  VirtualUnit unit_;
  std::unique_ptr<PtyServer> server_;
};
