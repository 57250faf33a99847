#include "protocol/InputWord.h"

#include <cctype>

std::optional<uint32_t> StrictHexValue(const std::string& reply) {
  if (reply.size() <= 2) return std::nullopt;
  uint64_t value = 0;
  for (std::size_t i = 2; i < reply.size(); ++i) {
    const auto c = static_cast<unsigned char>(reply[i]);
    if (!std::isxdigit(c)) return std::nullopt;
    const int digit = std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10;
    value = value * 16 + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

uint16_t InputWordFromReplies(const std::string& reply1, const std::string& reply2) {
  const auto low = StrictHexValue(reply1);
  if (!low) return 0;
  const auto high = StrictHexValue(reply2);
  if (!high) return 0;
  return static_cast<uint16_t>(*high * 256u + *low);
}
