#pragma once
#include <cstdint>

// What every line to and from the unit shares.

// The unit's address, ahead of every command it takes.
inline constexpr const char* kUnitPrefix = "!0";
// How long a reply is awaited unless the operator chose another limit.
inline constexpr uint32_t kReplyTimeoutMs = 1000;
