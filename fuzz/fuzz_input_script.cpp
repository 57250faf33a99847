// Arbitrary bytes as vorka-sim's input script: the parser must neither crash nor hang, and a script
// it accepts has rising times.
#include "sim/InputScript.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const InputScript script = ParseInputScript(std::string(reinterpret_cast<const char*>(data), size));
  if (!script.error.empty()) return 0;
  for (std::size_t i = 1; i < script.steps.size(); ++i)
    if (script.steps[i].ms < script.steps[i - 1].ms) std::abort();
  if (!script.steps.empty() && WordAt(script.steps, script.steps.front().ms) != script.steps.front().word &&
      script.steps.size() > 1 && script.steps[1].ms != script.steps.front().ms)
    std::abort();
  return 0;
}
