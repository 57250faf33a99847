#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The value of a reply after its two-character head, read strictly as hexadecimal: one or more
// hex digits (either case) and nothing else, below 2^32. Nothing when the text is not such a number.
std::optional<uint32_t> StrictHexValue(const std::string& reply);

// The 16-bit input word from the replies to "I1" (bits 0 to 7) and "I2" (bits 8 to 15):
// (V1 * 256 + V0) kept to 16 bits; 0 when either reply is not a number.
uint16_t InputWordFromReplies(const std::string& reply1, const std::string& reply2);
