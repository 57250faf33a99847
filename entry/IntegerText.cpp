#include "entry/IntegerText.h"

#include <cctype>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

IntegerText Malformed(uint64_t digitsValue) {
  return {static_cast<int32_t>(static_cast<uint32_t>(digitsValue)), true};
}

}  // namespace

IntegerText ParseIntegerText(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;

  // Hexadecimal: a prefix, then digits to the end.
  std::size_t hexStart = 0;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X'))
    hexStart = i + 1;
  else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'))
    hexStart = i + 2;
  if (hexStart) {
    uint64_t value = 0;
    std::size_t j = hexStart;
    for (; j < text.size(); ++j) {
      const int digit = HexDigit(text[j]);
      if (digit < 0 || (value << 4 | uint64_t(digit)) > 0xFFFFFFFFull) return Malformed(value);
      value = value << 4 | uint64_t(digit);
    }
    if (j == hexStart) return Malformed(0);
    return {static_cast<int32_t>(static_cast<uint32_t>(value)), false};
  }

  // Decimal: an optional sign, then digits to the end, inside the signed 32-bit range.
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  const std::size_t digitsStart = i;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9' || value * 10 + uint64_t(c - '0') > limit) return Malformed(value);
    value = value * 10 + uint64_t(c - '0');
  }
  if (i == digitsStart) return Malformed(0);
  return {negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value), false};
}
