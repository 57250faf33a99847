#include "protocol/SettingsFile.h"

#include "entry/GearExpression.h"
#include "entry/IntegerText.h"
#include "entry/NumericFields.h"
#include "entry/Validation.h"
#include "protocol/SettingsModel.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr const char* kAxes[] = {"X", "Y", "Z", "A"};
constexpr const char* kDirections[] = {"Kladná", "Záporná"};
constexpr const char* kClock[] = {"Normální", "Inverzní"};
// Grid rows 1 to 10 and the inputs they show.
constexpr int kRowInputs[] = {0, 1, 2, 3, 4, 5, 6, 7, 14, 15};
constexpr std::size_t kMaxNameBytes = 255;
constexpr qint64 kMaxFileBytes = 1 << 20;

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
        for (const char* axis : kAxes) {
          const std::string control = std::string(axis) + "AxisPolarity";
          defs.push_back({control, std::string("Polarita osy ") + axis + " (DIR)", SettingKind::AxisDirection,
                          &reg, control});
        }
        defs.push_back(
            {"ClockPolarity", "Polarita signálu (CLK)", SettingKind::Clock, &reg, "RadioPolarityNormal"});
        break;
      case RegisterKind::InputBitsLow:
      case RegisterKind::InputBitsHigh: {
        const auto [first, last] = rowsOf(reg);
        for (int row = first; row <= last; ++row) {
          const std::string input = std::to_string(kRowInputs[row - 1]);
          defs.push_back({std::string(reg.control) + "." + input,
                          std::string(reg.control) + " – vstup " + input, SettingKind::Bit, &reg, reg.control,
                          row});
        }
        break;
      }
    }
  }
  for (int row = 1; row <= 10; ++row) {
    const std::string input = std::to_string(kRowInputs[row - 1]);
    defs.push_back(
        {"Jmeno." + input, "Jméno – vstup " + input, SettingKind::InputName, nullptr, "StrGridVstupy", row});
  }
  return defs;
}

const NumericField* NumericFieldNamed(const std::string& name) {
  for (const NumericField& field : kNumericFields)
    if (name == field.name) return &field;
  return nullptr;
}

int WordIndex(std::span<const char* const> words, const std::string& value) {
  for (std::size_t i = 0; i < words.size(); ++i)
    if (value == words[i]) return static_cast<int>(i);
  return -1;
}

std::string Trimmed(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool ValidUtf8(const std::string& text) {
  // Stateless: a sequence cut off at the end of the file is an error, not a wait for more bytes.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return !decoder.hasError();
}

}  // namespace

std::span<const SettingDef> SettingDefs() {
  static const std::vector<SettingDef> defs = BuildDefs();
  return defs;
}

const SettingDef* FindSetting(const std::string& name) {
  for (const SettingDef& def : SettingDefs())
    if (def.name == name) return &def;
  return nullptr;
}

bool SettingForUnit(const SettingDef& def, bool mpgCapable) {
  if (mpgCapable) return true;
  if (!def.reg) return false;
  const auto table = RegisterTable();
  return static_cast<std::size_t>(def.reg - table.data()) < kRegistersWithoutMpg;
}

void UnitSettings::Set(const std::string& name, const std::string& value) {
  for (auto& [n, v] : values_)
    if (n == name) {
      v = value;
      return;
    }
  // Kept in the order of the definitions, so that a file always lists them alike.
  const auto defs = SettingDefs();
  const auto rank = [&](const std::string& n) {
    for (std::size_t i = 0; i < defs.size(); ++i)
      if (defs[i].name == n) return i;
    return defs.size();
  };
  const auto at =
      std::find_if(values_.begin(), values_.end(), [&](const auto& v) { return rank(v.first) > rank(name); });
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
        if (item == 0 || item == 1) settings.Set(def.name, kDirections[item]);
        break;
      }
      case SettingKind::Clock:
        settings.Set(def.name, kClock[controls.Checked("RadioPolarityNormal") ? 0 : 1]);
        break;
      case SettingKind::BreakDelay:
        settings.Set(def.name, BreakDelayDigits(controls.AcceptedBreakDelay()));
        break;
      case SettingKind::Number: settings.Set(def.name, controls.Text(def.control)); break;
      case SettingKind::Bit:
        settings.Set(def.name, controls.Cell(def.reg->gridColumn, def.row) == "1" ? "1" : "0");
        break;
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
        controls.SelectItem(def->control, WordIndex(kDirections, value));
        break;
      case SettingKind::Clock: {
        const bool normal = value == kClock[0];
        controls.SetChecked("RadioPolarityNormal", normal);
        controls.SetChecked("RadioPolarityInverze", !normal);
        break;
      }
      case SettingKind::BreakDelay:
      case SettingKind::Number: controls.SetText(def->control, value); break;
      case SettingKind::Bit: controls.SetCell(def->reg->gridColumn, def->row, value); break;
      case SettingKind::InputName: controls.SetInputName(def->row, value); break;
    }
  }
}

bool ValueAccepted(const SettingDef& def, const std::string& value) {
  switch (def.kind) {
    case SettingKind::Item: return WordIndex(def.reg->items, value) >= 0;
    case SettingKind::AxisDirection: return WordIndex(kDirections, value) >= 0;
    case SettingKind::Clock: return WordIndex(kClock, value) >= 0;
    case SettingKind::BreakDelay: {
      const IntegerText parsed = ParseIntegerText(value);
      return !parsed.malformed && parsed.value >= kBreakDelayLowest && parsed.value <= kBreakDelayHighest;
    }
    case SettingKind::Number: {
      const NumericField* field = NumericFieldNamed(def.control);
      if (!field) return false;
      if (field->kind == FieldKind::Integer) {
        const IntegerText parsed = ParseIntegerText(value);
        return !parsed.malformed && parsed.value >= field->lowest && parsed.value <= field->highest;
      }
      long double gear = 0;
      return EvaluateGearExpression(value, gear, 1, false) && gear >= field->lowest && gear <= field->highest;
    }
    case SettingKind::Bit: return value == "0" || value == "1";
    case SettingKind::InputName:
      return value.size() <= kMaxNameBytes && std::none_of(value.begin(), value.end(), [](char c) {
               return static_cast<unsigned char>(c) < 32;
             });
  }
  return false;
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
    if (l != r) differences.push_back({&def, l, r});
  }
  return differences;
}

std::string WriteSettingsText(const UnitSettings& settings, const SettingsFileHeader& header) {
  std::string text = "# Nastavení jednotky VORKA\n";
  if (!header.unitId.empty() || !header.unitVersion.empty())
    text +=
        "# Jednotka: " + header.unitId + (header.unitVersion.empty() ? "" : ", " + header.unitVersion) + "\n";
  if (!header.savedAt.empty()) text += "# Uloženo: " + header.savedAt + "\n";
  if (!header.program.empty()) text += "# Program: " + header.program + "\n";
  for (const auto& [name, value] : settings.Values())
    text.append(name).append(" = ").append(value).append("\n");
  return text;
}

SettingsFileLoad ParseSettingsText(const std::string& text) {
  SettingsFileLoad load;
  const auto fail = [&](SettingsFileError::Kind kind, int line, const std::string& name = {},
                        const std::string& value = {}) {
    load.error = {kind, line, name, value};
    return load;
  };
  if (!ValidUtf8(text) || text.find('\0') != std::string::npos)
    return fail(SettingsFileError::Kind::NotText, 0);
  UnitSettings settings;
  std::size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // a byte-order mark
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    const auto eq = trimmed.find('=');
    if (eq == std::string::npos) return fail(SettingsFileError::Kind::Malformed, number);
    const std::string name = Trimmed(trimmed.substr(0, eq));
    const std::string value = Trimmed(trimmed.substr(eq + 1));
    if (name.empty()) return fail(SettingsFileError::Kind::Malformed, number);
    const SettingDef* def = FindSetting(name);
    if (!def) return fail(SettingsFileError::Kind::Unknown, number, name);
    if (settings.Get(name)) return fail(SettingsFileError::Kind::Duplicate, number, name);
    if (!ValueAccepted(*def, value)) return fail(SettingsFileError::Kind::BadValue, number, name, value);
    settings.Set(name, value);
  }
  load.settings = settings;
  return load;
}

std::string CzechText(const SettingsFileError& e) {
  std::string at = "Řádek " + std::to_string(e.line) + ": ";
  switch (e.kind) {
    case SettingsFileError::Kind::NotText: return "Soubor není text v kódování UTF-8.";
    case SettingsFileError::Kind::Malformed: return at + "očekáváno „název = hodnota“.";
    case SettingsFileError::Kind::Unknown: return at + "neznámé nastavení „" + e.name + "“.";
    case SettingsFileError::Kind::Duplicate: return at + "nastavení „" + e.name + "“ je v souboru podruhé.";
    case SettingsFileError::Kind::BadValue:
      return at + "hodnota „" + e.value + "“ nepatří k nastavení „" + e.name + "“.";
  }
  return at;
}

std::string EnglishText(const SettingsFileError& e) {
  std::string at = "line " + std::to_string(e.line) + ": ";
  switch (e.kind) {
    case SettingsFileError::Kind::NotText: return "the file is not UTF-8 text";
    case SettingsFileError::Kind::Malformed: return at + "expected \"name = value\"";
    case SettingsFileError::Kind::Unknown: return at + "unknown setting \"" + e.name + "\"";
    case SettingsFileError::Kind::Duplicate: return at + "setting \"" + e.name + "\" appears a second time";
    case SettingsFileError::Kind::BadValue:
      return at + "value \"" + e.value + "\" is not allowed for \"" + e.name + "\"";
  }
  return at;
}

std::string SaveSettingsFile(const std::string& path, const std::string& text) {
  // A device or a pipe (/dev/null, /dev/stdout) is written as it is: the atomic write would
  // replace it by a regular file.
  if (const QFileInfo info(QString::fromStdString(path)); info.exists() && !info.isFile()) {
    QFile device(QString::fromStdString(path));
    if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return device.errorString().toStdString();
    if (device.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
      return device.errorString().toStdString();
    return {};
  }
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) return file.errorString().toStdString();
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
    const std::string reason = file.errorString().toStdString();
    file.cancelWriting();
    return reason.empty() ? "write failed" : reason;
  }
  if (!file.commit()) return file.errorString().toStdString();
  return {};
}

std::string LoadSettingsFile(const std::string& path, std::string& text) {
  // A pipe or a device would block the window: regular files only.
  if (const QFileInfo info(QString::fromStdString(path)); info.exists() && !info.isFile())
    return "not a regular file";
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return file.errorString().toStdString();
  if (!file.isSequential() && file.size() > kMaxFileBytes)
    return "the file is larger than a settings file can be";
  const QByteArray bytes = file.read(kMaxFileBytes + 1);
  if (bytes.size() > kMaxFileBytes) return "the file is larger than a settings file can be";
  text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return {};
}
