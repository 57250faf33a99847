#pragma once
#include "protocol/RegisterMap.h"

#include <QtGlobal>

#include <span>
#include <string>
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
// The settings a register carries.
std::vector<const SettingDef*> SettingsOfRegister(const Register& reg);

// The window's pages that hold settings, in its order, and the page a setting is shown on.
inline constexpr const char* kSettingPages[] = {"Výstupy", "MPG/Stroj", "Vstupy"};
const char* PageOf(const SettingDef& def);

// The words of the polarity register's settings, as the window's lists name them.
inline constexpr const char* kDirectionWords[] = {QT_TRANSLATE_NOOP("Settings", "Kladná"),
                                                  QT_TRANSLATE_NOOP("Settings", "Záporná")};
inline constexpr const char* kClockWords[] = {QT_TRANSLATE_NOOP("Settings", "Normální"),
                                              QT_TRANSLATE_NOOP("Settings", "Inverzní")};
// A setting's caption and a value of it as the window shows them, in the language of its translation
// ("Settings"); the settings file and the unit keep the Czech words. A value that is none of the
// setting's words (a number, a name, what the unit held that the window cannot read) is shown as it is.
std::string ShownCaption(const SettingDef& def);
std::string ShownCaption(const Register& reg);
std::string ShownValue(const SettingDef& def, const std::string& value);

// The index of a value among a setting's words, or -1.
int WordIndex(std::span<const char* const> words, const std::string& value);
