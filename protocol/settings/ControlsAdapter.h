#pragma once
#include "protocol/settings/UnitSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// The settings between a value and the controls that show them (the window's, or a model's).

// The settings the controls hold (a list without item is left out).
UnitSettings SettingsOf(SettingsControls& controls, bool mpgCapable);
// Puts the settings present into the controls, as the operator would set them.
void ApplySettings(const UnitSettings& settings, SettingsControls& controls);

// The first setting of the controls that no register or file could carry as it stands: a list
// without an item, a grid cell other than "0" or "1", an input name the files refuse (withNames).
const SettingDef* FirstUnwritableSetting(SettingsControls& controls, bool mpgCapable, bool withNames);

// The controls' settings as the window's save writes them into a unit that holds its settings as
// the window shows them: every register whole, through the one plan every write goes by. For the
// codec's own tests, and the debug page's "write" script.
std::vector<std::string> BuildWriteScript(SettingsControls& controls, bool mpgCapable);
// The bytes that script gives the shared registers.
uint8_t PolarityByte(SettingsControls& controls);
uint8_t InputBitsByte(SettingsControls& controls, int column, bool high);

// The same settings as a save would send them: through a model and the validation pass, quietly.
UnitSettings AsSaved(const UnitSettings& settings);
