#pragma once
#include <cstdint>
#include <string>

// A field's text as a signed 32-bit integer: decimal with an optional sign, or hexadecimal after
// "$", "x", "X", "0x" or "0X" (a 32-bit pattern, "$FFFFFFFF" is -1), each after optional leading
// blanks and running to the end of the text. A malformed text gives the value of the digits read
// before the first character that breaks the syntax, without a sign ("12a" 12, "-7x" 7, "" 0);
// digits beyond the 32-bit range count as malformed.
struct IntegerText {
  int32_t value = 0;
  bool malformed = false;
};

IntegerText ParseIntegerText(const std::string& text);
