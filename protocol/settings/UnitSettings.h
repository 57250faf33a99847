#pragma once
#include "protocol/settings/Catalogue.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// Whether two values of a setting are the same: numbers by their exact decimal value ("100" and
// "100.000000"), everything else by its text.
bool SameSettingValue(const SettingDef& def, const std::string& a, const std::string& b);

// The settings the unit keeps: all but the input names.
UnitSettings WithoutInputNames(const UnitSettings& settings);

struct SettingDifference {
  const SettingDef* def;
  std::optional<std::string> left, right;
};
// The settings whose values differ, in SettingDefs order; a setting only one side holds counts.
std::vector<SettingDifference> Differences(const UnitSettings& left, const UnitSettings& right);
// What writing `wanted` would change in a unit holding `held`: the settings of `wanted` that `held`
// holds otherwise or not at all (left: held, right: wanted).
std::vector<SettingDifference> Changes(const UnitSettings& wanted, const UnitSettings& held);
