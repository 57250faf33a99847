#include "protocol/settings/UnitSettings.h"

#include "entry/Validation.h"

#include <iterator>

void UnitSettings::Set(const std::string& name, const std::string& value) {
  for (auto& [n, v] : values_)
    if (n == name) {
      v = value;
      return;
    }
  // Kept in the order of the definitions, so that a file always lists them alike.
  const auto defs = SettingDefs();
  const auto rank = [&](const std::string& n) {
    const SettingDef* def = FindSetting(n);
    return def ? static_cast<std::size_t>(def - defs.data()) : defs.size();
  };
  const std::size_t newRank = rank(name);
  auto at = values_.end();  // settings mostly come in order: look from the end
  while (at != values_.begin() && rank(std::prev(at)->first) > newRank) --at;
  values_.insert(at, {name, value});
}

std::optional<std::string> UnitSettings::Get(const std::string& name) const {
  for (const auto& [n, v] : values_)
    if (n == name) return v;
  return std::nullopt;
}

bool UnitSettings::HasMpgSettings() const {
  for (const auto& [name, value] : values_)
    if (const SettingDef* def = FindSetting(name); def && !SettingForUnit(*def, false)) return true;
  return false;
}

bool SameSettingValue(const SettingDef& def, const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (def.kind != SettingKind::Number) return false;
  const auto x = ExactDecimal(a), y = ExactDecimal(b);
  return x && y && *x == *y;
}

UnitSettings WithoutInputNames(const UnitSettings& settings) {
  UnitSettings registers;
  for (const auto& [name, value] : settings.Values())
    if (const SettingDef* def = FindSetting(name); def && def->kind != SettingKind::InputName)
      registers.Set(name, value);
  return registers;
}

std::vector<SettingDifference> Differences(const UnitSettings& left, const UnitSettings& right) {
  std::vector<SettingDifference> differences;
  for (const SettingDef& def : SettingDefs()) {
    const auto l = left.Get(def.name);
    const auto r = right.Get(def.name);
    if (l.has_value() != r.has_value() || (l && !SameSettingValue(def, *l, *r)))
      differences.push_back({&def, l, r});
  }
  return differences;
}

std::vector<SettingDifference> Changes(const UnitSettings& wanted, const UnitSettings& held) {
  UnitSettings heldOfWanted;
  for (const auto& [name, value] : wanted.Values())
    if (const auto v = held.Get(name)) heldOfWanted.Set(name, *v);
  return Differences(heldOfWanted, wanted);
}
