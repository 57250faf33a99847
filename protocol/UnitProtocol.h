#pragma once
#include <cstdint>
#include <string>

// What every line to and from the unit shares.

// The unit's address, ahead of every command it takes.
inline constexpr const char* kUnitPrefix = "!0";
// The identification's two commands: the identifier, then the family, the MPG mark and the version.
inline constexpr const char* kIdentifierCommand = "Q";
inline constexpr const char* kVersionCommand = "?";
// The input state's two commands: inputs 0 to 7, then 8 to 15.
inline constexpr const char* kInputCommands[] = {"I1", "I2"};
// How often the input monitor asks for the inputs.
inline constexpr int kMonitorPeriodMs = 40;
// How long a reply is awaited unless the operator chose another limit.
inline constexpr uint32_t kReplyTimeoutMs = 1000;
// A byte as the unit writes it: two upper-case hexadecimal digits ("0,0F").
inline std::string Hex2(unsigned value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(value >> 4) & 0xFu], kDigits[value & 0xFu]};
}
