#pragma once
#include <cstdint>

// The line speeds the port dialog offers, in its order (921000 as the unit's makers wrote it, not
// 921600).
constexpr int32_t kLinkSpeeds[] = {19200, 38400, 57600, 115200, 230400, 460800, 921000};
// The speed the program opens COM1 with at start, and vorkactl's default.
constexpr int32_t kStartupSpeed = 115200;
