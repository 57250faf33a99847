// Arbitrary bytes as a settings file: the parser must neither crash, hang nor read out of bounds;
// whatever it accepts is written back and read again to the same settings, every number in what
// it writes is a plain decimal, and the settings apply to the controls without a fault.
#include "entry/NumericFields.h"
#include "protocol/SettingsModel.h"
#include "protocol/settings/Settings.h"

#include <cstdlib>
#include <string>

namespace {

// Digits with an optional minus and, for gears, exactly six decimals; no "+", "$", "0x", blanks or
// leading zeros.
bool PlainDecimal(const std::string& text, bool sixDecimals) {
  std::size_t i = text.starts_with('-') ? 1 : 0;
  const std::size_t digits = text.find('.', i) == std::string::npos ? text.size() : text.find('.', i);
  if (digits == i || (text[i] == '0' && digits - i > 1)) return false;
  for (std::size_t j = i; j < digits; ++j)
    if (text[j] < '0' || text[j] > '9') return false;
  if (!sixDecimals) return digits == text.size();
  if (text.size() != digits + 7) return false;
  for (std::size_t j = digits + 1; j < text.size(); ++j)
    if (text[j] < '0' || text[j] > '9') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Whatever a header holds comes out as printable ASCII: it goes into terminals and file names.
  const SettingsFileHeader header = ParseSettingsHeader(text);
  for (const std::string* part : {&header.unitId, &header.unitVersion, &header.takenUtc})
    for (const char c : *part)
      if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) std::abort();
  const SettingsFileLoad load = ParseSettingsText(text);
  if (!load.settings) {
    if (CzechText(load.error).empty() || EnglishText(load.error).empty()) std::abort();
    // A backup's values of their own: read back to the same settings.
    const SettingsFileLoad unit = ParseSettingsText(text, SettingsReader::Unit);
    if (unit.settings) {
      const SettingsFileLoad again =
          ParseSettingsText(WriteSettingsText(*unit.settings, {}), SettingsReader::Unit);
      if (!again.settings || again.settings->Values() != unit.settings->Values()) std::abort();
      (void)PlanWrites(*unit.settings, std::vector<std::string>(kRegistersWithMpg, "0,00"), true);
    }
    return 0;
  }
  const std::string written = WriteSettingsText(*load.settings, {});
  const SettingsFileLoad again = ParseSettingsText(written);
  if (!again.settings || again.settings->Values() != load.settings->Values()) std::abort();
  for (const auto& [name, value] : again.settings->Values()) {
    const SettingDef* def = FindSetting(name);
    if (def->kind == SettingKind::BreakDelay && !PlainDecimal(value, false)) std::abort();
    if (def->kind == SettingKind::Number &&
        !PlainDecimal(value, FindNumericField(def->control)->kind == FieldKind::Gear))
      std::abort();
  }
  SettingsModel controls;
  ApplySettings(*load.settings, controls);
  (void)BuildWriteScript(controls, true);

  // As vorkactl reads it (a backup's values of their own allowed): back to the same settings, and
  // the writes of those settings over any whole read keep to the registers they name.
  const SettingsFileLoad unit = ParseSettingsText(text, SettingsReader::Unit);
  if (!unit.settings) std::abort();  // what the window reads, vorkactl reads
  const SettingsFileLoad unitAgain =
      ParseSettingsText(WriteSettingsText(*unit.settings, {}), SettingsReader::Unit);
  if (!unitAgain.settings || unitAgain.settings->Values() != unit.settings->Values()) std::abort();
  (void)PlanWrites(*unit.settings, std::vector<std::string>(kRegistersWithMpg, "0,00"), true);
  return 0;
}
