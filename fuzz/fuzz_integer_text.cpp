// Any text up to 255 bytes: the conversion and the field check must neither crash nor read out
// of bounds, and the check must always end inside the field's range.
#include "entry/IntegerText.h"
#include "entry/Validation.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 255) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const IntegerText parsed = ParseIntegerText(text);
  if (!parsed.malformed && ParseIntegerText(std::to_string(parsed.value)).value != parsed.value) std::abort();
  const std::string checked = CheckIntegerField(text, -10000, 0);
  const IntegerText again = ParseIntegerText(checked);
  if (again.malformed || again.value < -10000 || again.value > 0) std::abort();
  return 0;
}
