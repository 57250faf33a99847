// Any text up to 255 bytes: the evaluator, the formatter and the gear field check must neither
// crash, hang nor read out of bounds; an accepted field always holds a value in 1 … 9999.
#include "entry/GearExpression.h"
#include "entry/Validation.h"

#include <cmath>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 255) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  long double value = 0;
  for (int rule : {-1, 0, 1}) {
    if (EvaluateGearExpression(text, value, rule, true, [](const std::string&) {})) {
      if (!std::isfinite(value)) std::abort();
      (void)FormatGearValue(value);
    }
  }
  if (const auto field = CheckGearField(text, 1, 9999, {})) {
    long double shown = 0;
    if (!ParseDecimalText(*field, shown) || shown < 1 || shown > 9999) std::abort();
  }
  return 0;
}
