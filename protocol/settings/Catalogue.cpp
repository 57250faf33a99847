#include "protocol/settings/Catalogue.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <map>

namespace {

// The captions built from parts, each as a text of "Settings" with its "%1" and "%2".
constexpr const char* kAxisDirectionCaption = QT_TRANSLATE_NOOP("Settings", "Polarita osy %1 (DIR)");
constexpr const char* kClockCaption = QT_TRANSLATE_NOOP("Settings", "Polarita signálu (CLK)");
constexpr const char* kBitCaption = QT_TRANSLATE_NOOP("Settings", "%1 – vstup %2");
constexpr const char* kNameCaption = QT_TRANSLATE_NOOP("Settings", "Jméno – vstup %1");
// The grid's columns a bit belongs to, as its caption names them.
[[maybe_unused]] constexpr const char* kBitColumns[] = {QT_TRANSLATE_NOOP("Settings", "Povoleno"),
                                                        QT_TRANSLATE_NOOP("Settings", "Polarita")};

// In Czech, the words themselves: the catalogue's captions are made by the same functions.
QString InSettings(const char* text) { return QCoreApplication::translate("Settings", text); }
QString Czech(const char* text) { return QString::fromUtf8(text); }

// A caption of a setting by its kind, with `words` as the language's (InSettings or Czech).
template <typename Words>
QString CaptionOf(const SettingDef& def, Words words) {
  const QString input = def.row > 0 ? QString::number(kInputOfRow[def.row - 1]) : QString();
  switch (def.kind) {
    case SettingKind::AxisDirection:
      return words(kAxisDirectionCaption).arg(QChar::fromLatin1(def.control[0]));
    case SettingKind::Clock: return words(kClockCaption);
    case SettingKind::Bit: return words(kBitCaption).arg(words(def.reg->control), input);
    case SettingKind::InputName: return words(kNameCaption).arg(input);
    default: return words(def.reg->caption);
  }
}

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
          defs.push_back({control, {}, SettingKind::AxisDirection, &reg, control});
        }
        defs.push_back({"ClockPolarity", {}, SettingKind::Clock, &reg, kClockNormalButton});
        break;
      case RegisterKind::InputBitsLow:
      case RegisterKind::InputBitsHigh: {
        const auto [first, last] = rowsOf(reg);
        for (int row = first; row <= last; ++row) {
          const std::string input = std::to_string(kInputOfRow[row - 1]);
          defs.push_back(
              {std::string(reg.control) + "." + input, {}, SettingKind::Bit, &reg, reg.control, row});
        }
        break;
      }
    }
  }
  for (int row = 1; row <= kInputRows; ++row) {
    const std::string input = std::to_string(kInputOfRow[row - 1]);
    defs.push_back({"Jmeno." + input, {}, SettingKind::InputName, nullptr, "StrGridVstupy", row});
  }
  for (SettingDef& def : defs) def.caption = CaptionOf(def, Czech).toStdString();
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

std::string ShownCaption(const SettingDef& def) { return CaptionOf(def, InSettings).toStdString(); }

std::string ShownCaption(const Register& reg) { return InSettings(reg.caption).toStdString(); }

std::string ShownValue(const SettingDef& def, const std::string& value) {
  std::span<const char* const> words;
  if (def.kind == SettingKind::Item && def.reg) words = def.reg->items;
  if (def.kind == SettingKind::AxisDirection) words = kDirectionWords;
  if (def.kind == SettingKind::Clock) words = kClockWords;
  return WordIndex(words, value) >= 0 ? InSettings(value.c_str()).toStdString() : value;
}
