#include "protocol/settings/ControlsAdapter.h"

#include "entry/NumericFields.h"
#include "entry/Validation.h"
#include "protocol/SettingsModel.h"
#include "protocol/settings/Acceptance.h"
#include "protocol/settings/Codec.h"

#include <cstring>

UnitSettings SettingsOf(SettingsControls& controls, bool mpgCapable) {
  UnitSettings settings;
  for (const SettingDef& def : SettingDefs()) {
    if (!SettingForUnit(def, mpgCapable)) continue;
    switch (def.kind) {
      case SettingKind::Item: {
        const int item = controls.ItemIndex(def.control);
        if (item >= 0 && item < static_cast<int>(def.reg->items.size()))
          settings.Set(def.name, def.reg->items[static_cast<std::size_t>(item)]);
        break;
      }
      case SettingKind::AxisDirection: {
        const int item = controls.ItemIndex(def.control);
        if (item == 0 || item == 1) settings.Set(def.name, kDirectionWords[item]);
        break;
      }
      case SettingKind::Clock:
        settings.Set(def.name, kClockWords[controls.Checked(kClockNormalButton) ? 0 : 1]);
        break;
      case SettingKind::BreakDelay:
        settings.Set(def.name, std::to_string(controls.AcceptedBreakDelay()));
        break;
      case SettingKind::Number:
        settings.Set(def.name, PlainNumberText(def.control, controls.Text(def.control)));
        break;
      // As the cell stands: a cell that is neither "0" nor "1" is no bit, and the save says so.
      case SettingKind::Bit: settings.Set(def.name, controls.Cell(def.reg->gridColumn, def.row)); break;
      case SettingKind::InputName: settings.Set(def.name, controls.InputName(def.row)); break;
    }
  }
  return settings;
}

void ApplySettings(const UnitSettings& settings, SettingsControls& controls) {
  for (const auto& [name, value] : settings.Values()) {
    const SettingDef* def = FindSetting(name);
    if (!def) continue;
    switch (def->kind) {
      case SettingKind::Item:
        controls.SelectItem(def->control, WordIndex(def->reg->items, value));
        if (def->control == "StartNum") controls.StartNumSelected();
        break;
      case SettingKind::AxisDirection:
        controls.SelectItem(def->control, WordIndex(kDirectionWords, value));
        break;
      case SettingKind::Clock: {
        const bool normal = value == kClockWords[0];
        controls.SetChecked(kClockNormalButton, normal);
        controls.SetChecked(kClockInvertedButton, !normal);
        break;
      }
      case SettingKind::BreakDelay:
      case SettingKind::Number: controls.SetText(def->control, value); break;
      case SettingKind::Bit: controls.SetCell(def->reg->gridColumn, def->row, value); break;
      case SettingKind::InputName: controls.SetInputName(def->row, value); break;
    }
  }
}

const SettingDef* FirstUnwritableSetting(SettingsControls& controls, bool mpgCapable, bool withNames) {
  const UnitSettings settings = SettingsOf(controls, mpgCapable);
  for (const SettingDef& def : SettingDefs()) {
    if (!SettingForUnit(def, mpgCapable) || (def.kind == SettingKind::InputName && !withNames)) continue;
    const std::optional<std::string> value = settings.Get(def.name);
    if (!value || !ValueAccepted(def, *value)) return &def;
  }
  return nullptr;
}

UnitSettings AsSaved(const UnitSettings& settings) {
  SettingsModel model;
  ApplySettings(settings, model);
  ValidateNumericFields(static_cast<FieldTexts&>(model), {});
  UnitSettings saved = SettingsOf(model, true);
  UnitSettings present;  // only what the given settings hold
  for (const auto& [name, value] : settings.Values())
    if (const auto v = saved.Get(name)) present.Set(name, *v);
  return present;
}

namespace {

// The value the write script gives the register of the given kind (and grid column), or 0.
uint8_t WrittenByte(SettingsControls& controls, RegisterKind kind, int column = 0) {
  const WritePlan plan = PlanWrites(WithoutInputNames(SettingsOf(controls, true)), {}, true);
  for (const WriteLine& line : plan.writes)
    if (line.reg->kind == kind && line.reg->gridColumn == column)
      return static_cast<uint8_t>(
          std::stoi(line.command.substr(std::strlen(line.reg->writePrefix)), nullptr, 16));
  return 0;
}

}  // namespace

std::vector<std::string> BuildWriteScript(SettingsControls& controls, bool mpgCapable) {
  return CommandsOf(PlanWrites(WithoutInputNames(SettingsOf(controls, mpgCapable)), {}, mpgCapable).writes);
}

uint8_t PolarityByte(SettingsControls& controls) { return WrittenByte(controls, RegisterKind::PolarityByte); }

uint8_t InputBitsByte(SettingsControls& controls, int column, bool high) {
  return WrittenByte(controls, high ? RegisterKind::InputBitsHigh : RegisterKind::InputBitsLow, column);
}
