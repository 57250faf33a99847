#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The virtual unit's inputs played from a file, for tests and demonstrations: one "MS WORD" line
// per step, MS the milliseconds from the start (rising), WORD the 16-bit input word in hexadecimal
// ("0x4001" or "4001"); "#" starts a comment, blank lines are skipped.
struct InputStep {
  int64_t ms;
  uint16_t word;
};
struct InputScript {
  std::vector<InputStep> steps;
  std::string error;  // "line 3: …"; empty when the script is usable
};
InputScript ParseInputScript(const std::string& text);
// The word due at ms (the last step at or before it), nothing before the first step.
std::optional<uint16_t> WordAt(const std::vector<InputStep>& steps, int64_t ms);
