#include "common/Text.h"

#include <cstdio>

std::string EscapedText(const std::string& text) {
  std::string escaped;
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c >= 32 && c < 127) {
      escaped += byte;
      continue;
    }
    char code[8];
    std::snprintf(code, sizeof code, "\\x%02X", c);
    escaped += code;
  }
  return escaped;
}

std::string CharsFromTo(const std::string& text, std::size_t from, std::size_t to) {
  if (text.size() < from) return {};
  return text.substr(from - 1, to - from + 1);
}
