#include "protocol/settings/Catalogue.h"

#include <map>

namespace {

std::vector<SettingDef> BuildDefs() {
  std::vector<SettingDef> defs;
  const auto rowsOf = [](const Register& reg) {
    return reg.kind == RegisterKind::InputBitsLow ? std::pair{1, 8} : std::pair{9, 10};
  };
  for (const Register& reg : RegisterTable()) {
    switch (reg.kind) {
      case RegisterKind::ListCode:
        defs.push_back({reg.control, reg.caption, SettingKind::Item, &reg, reg.control});
        break;
      case RegisterKind::BreakDelay:
        defs.push_back({reg.control, reg.caption, SettingKind::BreakDelay, &reg, reg.control});
        break;
      case RegisterKind::Number:
        defs.push_back({reg.control, reg.caption, SettingKind::Number, &reg, reg.control});
        break;
      case RegisterKind::PolarityByte:
        for (const char* control : kAxisPolarityGroups) {
          const char axis = control[0];
          defs.push_back({control, std::string("Polarita osy ") + axis + " (DIR)", SettingKind::AxisDirection,
                          &reg, control});
        }
        defs.push_back(
            {"ClockPolarity", "Polarita signálu (CLK)", SettingKind::Clock, &reg, kClockNormalButton});
        break;
      case RegisterKind::InputBitsLow:
      case RegisterKind::InputBitsHigh: {
        const auto [first, last] = rowsOf(reg);
        for (int row = first; row <= last; ++row) {
          const std::string input = std::to_string(kInputOfRow[row - 1]);
          defs.push_back({std::string(reg.control) + "." + input,
                          std::string(reg.control) + " – vstup " + input, SettingKind::Bit, &reg, reg.control,
                          row});
        }
        break;
      }
    }
  }
  for (int row = 1; row <= kInputRows; ++row) {
    const std::string input = std::to_string(kInputOfRow[row - 1]);
    defs.push_back(
        {"Jmeno." + input, "Jméno – vstup " + input, SettingKind::InputName, nullptr, "StrGridVstupy", row});
  }
  return defs;
}

}  // namespace

int WordIndex(std::span<const char* const> words, const std::string& value) {
  for (std::size_t i = 0; i < words.size(); ++i)
    if (value == words[i]) return static_cast<int>(i);
  return -1;
}

std::span<const SettingDef> SettingDefs() {
  static const std::vector<SettingDef> defs = BuildDefs();
  return defs;
}

const SettingDef* FindSetting(const std::string& name) {
  static const std::map<std::string, const SettingDef*> byName = [] {
    std::map<std::string, const SettingDef*> map;
    for (const SettingDef& def : SettingDefs()) map[def.name] = &def;
    return map;
  }();
  const auto it = byName.find(name);
  return it == byName.end() ? nullptr : it->second;
}

bool SettingForUnit(const SettingDef& def, bool mpgCapable) {
  if (mpgCapable) return true;
  if (!def.reg) return false;
  const auto table = RegisterTable();
  return static_cast<std::size_t>(def.reg - table.data()) < kRegistersWithoutMpg;
}
const char* PageOf(const SettingDef& def) {
  // The controls away from the page their register's neighbours are on; the input grid and the
  // start input live on "Vstupy", the rest of the MPG registers on "MPG/Stroj".
  static const std::map<std::string, const char*> pageOfControl = {{"AxisLink", kSettingPages[0]},
                                                                   {"StartNum", kSettingPages[2]},
                                                                   {"StrGridVstupy", kSettingPages[2]},
                                                                   {"Povoleno", kSettingPages[2]},
                                                                   {"Polarita", kSettingPages[2]}};
  if (const auto it = pageOfControl.find(def.control); it != pageOfControl.end()) return it->second;
  return SettingForUnit(def, false) ? kSettingPages[0] : kSettingPages[1];
}

std::vector<const SettingDef*> SettingsOfRegister(const Register& reg) {
  std::vector<const SettingDef*> defs;
  for (const SettingDef& def : SettingDefs())
    if (def.reg == &reg) defs.push_back(&def);
  return defs;
}
