// Arbitrary bytes as a settings file: the parser must neither crash, hang nor read out of bounds;
// whatever it accepts is written back and read again to the same settings, and applies to the
// controls without a fault.
#include "protocol/SettingsFile.h"
#include "protocol/SettingsModel.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SettingsFileLoad load = ParseSettingsText(text);
  if (!load.settings) {
    if (CzechText(load.error).empty() || EnglishText(load.error).empty()) std::abort();
    return 0;
  }
  const SettingsFileLoad again = ParseSettingsText(WriteSettingsText(*load.settings, {}));
  if (!again.settings || again.settings->Values() != load.settings->Values()) std::abort();
  SettingsModel controls;
  ApplySettings(*load.settings, controls);
  (void)BuildWriteScript(controls, true);
  return 0;
}
