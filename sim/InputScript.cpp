#include "sim/InputScript.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

// A whole token as a number in the base, nothing when it is none or out of range.
std::optional<unsigned long long> Number(const std::string& token, int base, unsigned long long highest) {
  if (token.empty() || token.size() > 20) return std::nullopt;
  for (const char c : token)
    if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c))
                     : std::isdigit(static_cast<unsigned char>(c))))
      return std::nullopt;
  const unsigned long long value = std::strtoull(token.c_str(), nullptr, base);
  return value <= highest ? std::optional(value) : std::nullopt;
}

}  // namespace

InputScript ParseInputScript(const std::string& text) {
  InputScript script;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string ms, word, more;
    if (!(words >> ms)) continue;
    words >> word >> more;
    if (word.starts_with("0x") || word.starts_with("0X")) word.erase(0, 2);
    const auto time = Number(ms, 10, 1'000'000'000'000ULL);
    const auto value = Number(word, 16, 0xFFFF);
    if (!time || !value || !more.empty()) {
      script.error = "line " + std::to_string(number) + ": expected \"MS WORD\"";
      return script;
    }
    if (!script.steps.empty() && static_cast<int64_t>(*time) < script.steps.back().ms) {
      script.error = "line " + std::to_string(number) + ": the times must rise";
      return script;
    }
    script.steps.push_back({static_cast<int64_t>(*time), static_cast<uint16_t>(*value)});
  }
  return script;
}

std::optional<uint16_t> WordAt(const std::vector<InputStep>& steps, int64_t ms) {
  const auto after = std::upper_bound(steps.begin(), steps.end(), ms,
                                      [](int64_t t, const InputStep& step) { return t < step.ms; });
  if (after == steps.begin()) return std::nullopt;
  return std::prev(after)->word;
}
