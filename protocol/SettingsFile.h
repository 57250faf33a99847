#pragma once
#include "protocol/RegisterMap.h"

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// One unit's settings as a value: every setting by name, as settings files hold them and the
// comparison lists them. The names and their order come from the register table: one setting per
// list control or edit, the four axis directions and the clock of the polarity register, one bit
// per input in the grid's "Povoleno" and "Polarita" columns, and the input names, which live in
// no register.

enum class SettingKind { Item, AxisDirection, Clock, BreakDelay, Number, Bit, InputName };

struct SettingDef {
  std::string name;     // "OUT1", "XAxisPolarity", "ClockPolarity", "Povoleno.14", "Jmeno.3"
  std::string caption;  // as the window names it (UTF-8)
  SettingKind kind;
  const Register* reg;  // the register that carries it; nullptr for an input name
  std::string control;  // the control it lives in
  int row = 0;          // grid row (bits and names)
};

// Every setting, in the file's order (register-table order, then the input names).
std::span<const SettingDef> SettingDefs();
const SettingDef* FindSetting(const std::string& name);
// The settings the window saves for a unit with or without MPG firmware.
bool SettingForUnit(const SettingDef& def, bool mpgCapable);

// Settings by name, in SettingDefs order; a subset is allowed (a template of the outputs, say).
class UnitSettings {
 public:
  void Set(const std::string& name, const std::string& value);
  std::optional<std::string> Get(const std::string& name) const;
  const std::vector<std::pair<std::string, std::string>>& Values() const { return values_; }
  bool Empty() const { return values_.empty(); }
  bool HasMpgSettings() const;

 private:
  std::vector<std::pair<std::string, std::string>> values_;
};

// The settings the controls hold (a list without item is left out).
UnitSettings SettingsOf(SettingsControls& controls, bool mpgCapable);
// Puts the settings present into the controls, as the operator would set them.
void ApplySettings(const UnitSettings& settings, SettingsControls& controls);
// Whether a value is one the window accepts for the setting (its words, its range table).
bool ValueAccepted(const SettingDef& def, const std::string& value);

// The same settings as a save would send them: through a model and the validation pass, quietly.
UnitSettings AsSaved(const UnitSettings& settings);

// The settings the unit keeps: all but the input names.
UnitSettings WithoutInputNames(const UnitSettings& settings);

struct SettingDifference {
  const SettingDef* def;
  std::optional<std::string> left, right;
};
// The settings whose values differ, in SettingDefs order; a setting only one side holds counts.
std::vector<SettingDifference> Differences(const UnitSettings& left, const UnitSettings& right);

// The settings file: UTF-8, "name = value" lines in SettingDefs order, "#" comments.
struct SettingsFileHeader {
  std::string unitId, unitVersion;  // empty when not known
  std::string savedAt;              // local date and time, "2026-12-07 11:40"
  std::string program;              // "vorka_config 1.3"
};
std::string WriteSettingsText(const UnitSettings& settings, const SettingsFileHeader& header);

struct SettingsFileError {
  enum class Kind { NotText, Malformed, Unknown, Duplicate, BadValue } kind;
  int line = 0;  // from 1; 0 for the file as a whole
  std::string name, value;
};
// Strict and all-or-nothing: the settings, or the first error with its line.
struct SettingsFileLoad {
  std::optional<UnitSettings> settings;
  SettingsFileError error;
};
SettingsFileLoad ParseSettingsText(const std::string& text);

// Messages for the operator.
std::string CzechText(const SettingsFileError& error);
std::string EnglishText(const SettingsFileError& error);

// Writes the text atomically: the old file stays whole until the new one is complete (a device
// such as /dev/null is written as it is). Empty on success, else the system's reason.
std::string SaveSettingsFile(const std::string& path, const std::string& text);
// Reads a file of at most a megabyte; empty reason on success.
std::string LoadSettingsFile(const std::string& path, std::string& text);
