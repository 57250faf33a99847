#include "protocol/SettingsFile.h"

#include "entry/GearExpression.h"
#include "entry/InputNames.h"
#include "entry/IntegerText.h"
#include "entry/Language.h"
#include "entry/NumericFields.h"
#include "entry/Validation.h"
#include "link/SystemErrors.h"
#include "protocol/Exchange.h"
#include "protocol/SettingsModel.h"
#include "protocol/UnitProtocol.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>

namespace {

constexpr const char* kDirections[] = {"Kladná", "Záporná"};
constexpr const char* kClock[] = {"Normální", "Inverzní"};
constexpr qint64 kMaxFileBytes = 1 << 20;
// The header lines that name the unit and a backup's time.
constexpr const char* kUnitHeader = "# Jednotka: ";
constexpr const char* kUnitVersionSeparator = ", ";
constexpr const char* kTakenUtcHeader = "# Záloha (UTC): ";
// How much of a value from a file a message repeats.
constexpr std::size_t kShownValueChars = 40;

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

// A whole number written with a fraction ("100.000000") as an integer field's text, else nothing.
std::optional<std::string> IntegralText(const std::string& text) {
  const std::optional<long double> number = UnitNumber(text);
  if (!number || std::trunc(*number) != *number || std::fabs(*number) >= 2147483648.0L) return std::nullopt;
  return std::to_string(static_cast<long long>(*number));
}

bool ValidUtf8(const std::string& text) {
  // Stateless: a sequence cut off at the end of the file is an error, not a wait for more bytes.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return !decoder.hasError() && text.find('\0') == std::string::npos;
}

// The hexadecimal digits of a byte register's reply ("0,7F"), or -1.
int ReplyByte(const std::string& reply) {
  if (reply.size() != 4 || !reply.starts_with("0,")) return -1;
  const IntegerText parsed = ParseIntegerText("$" + reply.substr(2));
  return parsed.malformed ? -1 : parsed.value;
}

}  // namespace

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
        settings.Set(def.name, kClock[controls.Checked(kClockNormalButton) ? 0 : 1]);
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
        controls.SelectItem(def->control, WordIndex(kDirections, value));
        break;
      case SettingKind::Clock: {
        const bool normal = value == kClock[0];
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

std::optional<std::string> AcceptedValue(const SettingDef& def, const std::string& value) {
  const auto accept = [&](bool accepted) {
    return accepted ? std::optional<std::string>(value) : std::nullopt;
  };
  switch (def.kind) {
    case SettingKind::Item: return accept(WordIndex(def.reg->items, value) >= 0);
    case SettingKind::AxisDirection: return accept(WordIndex(kDirections, value) >= 0);
    case SettingKind::Clock: return accept(WordIndex(kClock, value) >= 0);
    case SettingKind::BreakDelay: {
      const IntegerText parsed = ParseIntegerText(value);
      if (parsed.malformed || parsed.value < kBreakDelayLowest || parsed.value > kBreakDelayHighest)
        return std::nullopt;
      return std::to_string(parsed.value);
    }
    case SettingKind::Number: {
      const NumericField* field = FindNumericField(def.control);
      if (!field) return std::nullopt;
      std::optional<std::string> plain = PlainFieldText(*field, value);
      // The unit writes whole numbers of its floating-point registers with a fraction ("100.000000").
      if (!plain && field->kind == FieldKind::Integer) plain = IntegralText(value);
      if (!plain) return std::nullopt;
      const std::optional<long double> number = UnitNumber(*plain);
      if (!number || *number < field->lowest || *number > field->highest) return std::nullopt;
      return plain;
    }
    case SettingKind::Bit: return accept(value == "0" || value == "1");
    case SettingKind::InputName: return accept(InputNameAccepted(value));
  }
  return std::nullopt;
}

bool ValueAccepted(const SettingDef& def, const std::string& value) {
  return AcceptedValue(def, value).has_value();
}

std::string UnknownValue(const std::string& reply) { return "? (" + reply + ")"; }

std::optional<std::string> UnknownReply(const std::string& value) {
  if (!value.starts_with("? (") || !value.ends_with(")")) return std::nullopt;
  return value.substr(3, value.size() - 4);
}

namespace {

// The setting's value in a reply as the window would name it; nothing when the reply names none.
std::optional<std::string> DecodedValue(const SettingDef& def, const std::string& reply) {
  const int byte = ReplyByte(reply);
  switch (def.kind) {
    case SettingKind::Item:
      for (std::size_t item = 0; item < def.reg->codes.size(); ++item)
        if (reply == std::string("0,") + def.reg->codes[item]) return def.reg->items[item];
      return std::nullopt;
    case SettingKind::AxisDirection:
      if (!ReplyNamesAValue(*def.reg, reply)) return std::nullopt;
      return kDirections[(byte >> AxisPolarityBit(def.control)) & 1 ? 0 : 1];
    case SettingKind::Clock:
      if (!ReplyNamesAValue(*def.reg, reply)) return std::nullopt;
      return kClock[byte & kClockNormalBit ? 0 : 1];
    case SettingKind::BreakDelay: {
      // Two decimal digits in a byte register.
      const bool digits = byte >= 0 && std::isdigit(static_cast<unsigned char>(reply[2])) &&
                          std::isdigit(static_cast<unsigned char>(reply[3]));
      if (!digits) return std::nullopt;
      return std::to_string(std::stoi(reply.substr(2)));
    }
    case SettingKind::Number:
      if (!reply.starts_with("0,") || !ExactDecimal(reply.substr(2))) return std::nullopt;
      return reply.substr(2);  // the unit's own text
    case SettingKind::Bit:
      if (byte < 0) return std::nullopt;
      return (byte >> InputBitOfRow(def.row)) & 1 ? "1" : "0";
    case SettingKind::InputName: return std::nullopt;
  }
  return std::nullopt;
}

// The input words' high byte keeps bits 0 to 5 for inputs 8 to 13, which the grid does not show:
// a register that holds any of them cannot be shown as its two settings.
bool HiddenBitsSet(const Register& reg, const std::string& reply) {
  return reg.kind == RegisterKind::InputBitsHigh && (ReplyByte(reply) & ~kInputBitsOfHighRows & 0xFF) != 0;
}

}  // namespace

UnitSettings SettingsAsHeld(std::span<const std::string> replies, bool mpgCapable) {
  UnitSettings held;
  for (const SettingDef& def : SettingDefs()) {
    if (!def.reg || !SettingForUnit(def, mpgCapable)) continue;
    const std::string reply = ReplyOfRegister(*def.reg, replies);
    const std::optional<std::string> value = DecodedValue(def, reply);
    const bool shown = value && ValueAccepted(def, *value) && !HiddenBitsSet(*def.reg, reply);
    held.Set(def.name, shown ? *value : UnknownValue(reply));
  }
  return held;
}

bool SameSettingValue(const SettingDef& def, const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (def.kind != SettingKind::Number) return false;
  const auto x = ExactDecimal(a), y = ExactDecimal(b);
  return x && y && *x == *y;
}

WritePlan PlanWrites(const UnitSettings& settings, std::span<const std::string> replies, bool mpgCapable) {
  WritePlan plan;
  for (const Register& reg : RegisterLines(mpgCapable)) {
    std::vector<const SettingDef*> named;
    const std::vector<const SettingDef*> all = SettingsOfRegister(reg);
    for (const SettingDef* def : all)
      if (settings.Get(def->name)) named.push_back(def);
    if (named.empty()) continue;
    const std::string reply = ReplyOfRegister(reg, replies);
    const bool shared = reg.kind == RegisterKind::PolarityByte || reg.kind == RegisterKind::InputBitsLow ||
                        reg.kind == RegisterKind::InputBitsHigh;
    int byte = ReplyByte(reply);
    std::optional<std::string> value;
    bool unwritable = false;
    // A value of its own (from a backup) puts the register back as the unit held it, unless the
    // unit's reply was nothing a write can carry.
    for (const SettingDef* def : named)
      if (const auto raw = UnknownReply(*settings.Get(def->name))) {
        if (!ReplyFitsRegister(reg, *raw)) {
          unwritable = true;
          continue;
        }
        value = raw->substr(2);
        byte = ReplyByte(*raw);
      }
    // A shared register whose other bits could not be read is written only when the settings fill
    // it whole; bits the grid does not show are then 0.
    const bool whole = named.size() == all.size() && !value && !unwritable;
    if (shared && byte < 0 && whole) byte = reg.kind == RegisterKind::PolarityByte ? kPolarityAlwaysSet : 0;
    if (unwritable || (shared && byte < 0)) {
      plan.untouched.push_back(&reg);
      continue;
    }
    const auto setBit = [&](int bit, bool on) {
      byte = on ? byte | (1 << bit) : byte & ~(1 << bit);
      value = Hex2(static_cast<unsigned>(byte));
    };
    for (const SettingDef* def : named) {
      const std::string wanted = *settings.Get(def->name);
      if (UnknownReply(wanted)) continue;
      switch (def->kind) {
        case SettingKind::Item:
          if (const int item = WordIndex(reg.items, wanted); item >= 0)
            value = reg.codes[static_cast<std::size_t>(item)];
          break;
        case SettingKind::BreakDelay: value = BreakDelayDigits(ParseIntegerText(wanted).value); break;
        case SettingKind::Number: value = wanted; break;
        case SettingKind::AxisDirection:
          setBit(AxisPolarityBit(def->control), wanted == kDirections[0]);
          break;
        case SettingKind::Clock: setBit(kClockNormalBitNumber, wanted == kClock[0]); break;
        case SettingKind::Bit: setBit(InputBitOfRow(def->row), wanted == "1"); break;
        case SettingKind::InputName: break;
      }
    }
    if (!value) continue;
    WriteLine line{&reg, reg.writePrefix + *value};
    // The link cuts a longer line, and its rest would join the next command.
    if (!plan.tooLong && std::strlen(kUnitPrefix) + line.command.size() > CommandExchange::kMaxLine)
      plan.tooLong = &reg;
    plan.writes.push_back(std::move(line));
  }
  return plan;
}

std::vector<const Register*> UnverifiedRegisters(std::span<const WriteLine> writes,
                                                 std::span<const std::string> before,
                                                 std::span<const std::string> after, bool mpgCapable) {
  std::vector<const Register*> unverified;
  for (const Register& reg : RegisterLines(mpgCapable)) {
    const std::string held = ReplyOfRegister(reg, before), reply = ReplyOfRegister(reg, after);
    const auto written =
        std::find_if(writes.begin(), writes.end(), [&](const WriteLine& w) { return w.reg == &reg; });
    bool same = false;
    if (written != writes.end())
      same = ReplyFitsRegister(reg, reply) &&
             SameRegisterValue(reg, written->command.substr(std::strlen(reg.writePrefix)), reply.substr(2));
    else  // what it held before, to the letter or as the same value
      same = reply == held || (ReplyFitsRegister(reg, held) && ReplyFitsRegister(reg, reply) &&
                               SameRegisterValue(reg, held.substr(2), reply.substr(2)));
    if (!same) unverified.push_back(&reg);
  }
  return unverified;
}

std::vector<const SettingDef*> SettingsOfRegister(const Register& reg) {
  std::vector<const SettingDef*> defs;
  for (const SettingDef& def : SettingDefs())
    if (def.reg == &reg) defs.push_back(&def);
  return defs;
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

std::string WriteSettingsText(const UnitSettings& settings, const SettingsFileHeader& header) {
  std::string text = "# Nastavení jednotky VORKA\n";
  if (!header.unitId.empty() || !header.unitVersion.empty())
    text += kUnitHeader + EscapedText(header.unitId) +
            (header.unitVersion.empty() ? "" : kUnitVersionSeparator + EscapedText(header.unitVersion)) +
            "\n";
  else if (header.windowValues)
    text += "# Hodnoty: z okna programu, nepřečtené z jednotky\n";
  if (!header.savedAt.empty()) text += "# Uloženo: " + header.savedAt + "\n";
  if (!header.takenUtc.empty()) text += kTakenUtcHeader + EscapedText(header.takenUtc) + "\n";
  if (!header.program.empty()) text += "# Program: " + header.program + "\n";
  for (const auto& [name, value] : settings.Values())
    text.append(name).append(" = ").append(value).append("\n");
  return text;
}

SettingsFileLoad ParseSettingsText(const std::string& text, SettingsReader reader) {
  SettingsFileLoad load;
  const auto fail = [&](SettingsFileError::Kind kind, int line, const std::string& name = {},
                        const std::string& value = {}) {
    load.error = {kind, line, name, value};
    return load;
  };
  UnitSettings settings;
  std::size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!ValidUtf8(line)) return fail(SettingsFileError::Kind::NotText, number);
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
    // Kept in its plain form: "$10" is 16 wherever it goes next.
    std::optional<std::string> accepted = AcceptedValue(*def, value);
    if (reader == SettingsReader::Unit && def->reg) {
      // A backup puts back what the unit held: a value of its own as it stands, a number in the
      // unit's own text.
      if (!accepted && UnknownReply(value)) accepted = value;
      if (accepted && def->kind == SettingKind::Number && ExactDecimal(value)) accepted = value;
    }
    if (!accepted) return fail(SettingsFileError::Kind::BadValue, number, name, value);
    settings.Set(name, *accepted);
  }
  if (settings.Empty()) return fail(SettingsFileError::Kind::NoSettings, 0);
  load.settings = settings;
  return load;
}

SettingsFileHeader ParseSettingsHeader(const std::string& text) {
  SettingsFileHeader header;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trimmed(text.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() != '#') break;  // the header ends at the first setting
    if (line.starts_with(kUnitHeader)) {
      const std::string unit = line.substr(std::strlen(kUnitHeader));
      const auto separator = unit.find(kUnitVersionSeparator);
      header.unitId = EscapedText(unit.substr(0, separator));
      if (separator != std::string::npos)
        header.unitVersion = EscapedText(unit.substr(separator + std::strlen(kUnitVersionSeparator)));
    } else if (line.starts_with(kTakenUtcHeader)) {
      header.takenUtc = EscapedText(line.substr(std::strlen(kTakenUtcHeader)));
    }
  }
  return header;
}

std::string EscapedText(const std::string& text) {
  std::string escaped;
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c >= 32 && c < 127) {
      escaped += byte;
      continue;
    }
    char code[8];
    std::snprintf(code, sizeof code, "\\x%02X", c);
    escaped += code;
  }
  return escaped;
}

std::string ShownText(const std::string& text) {
  std::string shown;
  std::size_t characters = 0;
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if ((c & 0xC0) != 0x80 && ++characters > kShownValueChars) {
      shown += "…";
      break;
    }
    if (c < 32 || c == 127) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    } else {
      shown += byte;
    }
  }
  return shown;
}

namespace {

// Each kind of file error in both languages, after its line ("Řádek 3: ", "line 3: ").
const Twin kFileErrorAt{"Řádek {line}: ", "line {line}: "};
Twin FileErrorText(SettingsFileError::Kind kind) {
  using Kind = SettingsFileError::Kind;
  switch (kind) {
    case Kind::NotText: return {"text není v kódování UTF-8.", "not UTF-8 text"};
    case Kind::Malformed: return {"očekáváno „název = hodnota“.", "expected \"name = value\""};
    case Kind::Unknown: return {"neznámé nastavení „{name}“.", "unknown setting \"{name}\""};
    case Kind::Duplicate:
      return {"nastavení „{name}“ je v souboru podruhé.", "setting \"{name}\" appears a second time"};
    case Kind::BadValue:
      return {"hodnota „{value}“ nepatří k nastavení „{name}“.",
              R"(value "{value}" is not allowed for "{name}")"};
    case Kind::NoSettings: return {"Soubor neobsahuje žádné nastavení.", "the file holds no settings"};
  }
  return {"", ""};
}

std::string Text(const SettingsFileError& e, Language language) {
  const std::string at = e.kind == SettingsFileError::Kind::NoSettings
                             ? std::string()
                             : Filled(kFileErrorAt.In(language), {{"line", std::to_string(e.line)}});
  return at + Filled(FileErrorText(e.kind).In(language),
                     {{"name", ShownText(e.name)}, {"value", ShownText(e.value)}});
}

}  // namespace

std::string CzechText(const SettingsFileError& e) { return Text(e, Language::Czech); }

std::string EnglishText(const SettingsFileError& e) { return Text(e, Language::English); }

namespace {

struct SystemErrorWords {
  int error;
  const char* czech;
  const char* english;
};
// The reasons an operator meets, in both languages; others by their number.
const SystemErrorWords kSystemErrors[] = {
    {ENOSPC, "disk je plný", "no space left on the disk"},
#ifdef EDQUOT  // quotas are Unix's
    {EDQUOT, "disk je plný (kvóta)", "disk quota exceeded"},
#endif
    {EFBIG, "soubor je příliš velký", "file too large"},
    {EACCES, "přístup odepřen", "permission denied"},
    {EPERM, "přístup odepřen", "permission denied"},
    {EROFS, "disk je jen pro čtení", "read-only file system"},
    {ENOENT, "soubor nebo složka neexistuje", "no such file or folder"},
    {ENOTDIR, "cesta vede přes soubor, ne složku", "a part of the path is not a folder"},
    {EISDIR, "je to složka", "is a folder"},
    {EEXIST, "v cestě stojí soubor, kde má být složka", "a file stands where a folder should be"},
    {ENAMETOOLONG, "název je příliš dlouhý", "name too long"},
    {EBUSY, "soubor drží jiný program", "another program holds the file"},
    {EINVAL, "neplatný název souboru nebo složky", "invalid file or folder name"},
    {EIO, "chyba vstupu/výstupu", "input/output error"},
    {EBADF, "soubor není otevřen pro zápis", "not open for writing"},
};

// The errno of a failed call of a file object, or the nearest one its error kind names.
FileFault SystemFault(const QFileDevice& file, int error) {
  if (error == 0) {
    switch (file.error()) {
      case QFileDevice::ResourceError: error = ENOSPC; break;
      case QFileDevice::PermissionsError: error = EACCES; break;
      default: error = EIO; break;
    }
  }
  return {FileFault::Kind::System, error};
}

}  // namespace

namespace {

// The fault's text in both languages; nothing for a system error the table does not name.
const SystemErrorWords* FaultText(const FileFault& fault) {
  static const SystemErrorWords kNotRegular{0, "není to obyčejný soubor", "not a regular file"};
  static const SystemErrorWords kTooLarge{0, "soubor je větší, než soubor nastavení může být",
                                          "the file is larger than a settings file can be"};
  switch (fault.kind) {
    case FileFault::Kind::None: return nullptr;
    case FileFault::Kind::NotRegular: return &kNotRegular;
    case FileFault::Kind::TooLarge: return &kTooLarge;
    case FileFault::Kind::System: break;
  }
  for (const SystemErrorWords& text : kSystemErrors)
    if (text.error == fault.error) return &text;
  return nullptr;
}

std::string Numbered(const FileFault& fault, const char* words) {
  return fault ? words + std::to_string(fault.error) : std::string();
}

}  // namespace

std::string CzechText(const FileFault& fault) {
  const SystemErrorWords* text = FaultText(fault);
  return text ? text->czech : Numbered(fault, "systémová chyba ");
}

std::string EnglishText(const FileFault& fault) {
  const SystemErrorWords* text = FaultText(fault);
  return text ? text->english : Numbered(fault, "system error ");
}

FileFault SaveSettingsFile(const std::string& path, const std::string& text, FileTarget target) {
  const QString name = QString::fromStdString(path);
  if (const QFileInfo info(name); info.exists() && !info.isFile()) {
    // A FIFO would block the window at the open, and the atomic write would replace a device by a
    // regular file: only where asked for (vorkactl -o /dev/stdout) is it written as it is.
    if (target == FileTarget::RegularOnly) return {FileFault::Kind::NotRegular};
    QFile device(name);
    ClearLastFileError();
    if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
      return SystemFault(device, LastFileError());
    ClearLastFileError();
    if (device.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
      return SystemFault(device, LastFileError());
    return {};
  }
  // A file marked read-only (Windows) is refused before anything is written, as the system would.
  if (const QFileInfo info(name); info.exists() && !info.isWritable())
    return {FileFault::Kind::System, EACCES};
  QSaveFile file(name);
  ClearLastFileError();
  if (!file.open(QIODevice::WriteOnly)) return SystemFault(file, LastFileError());
  // The write only fills Qt's buffer and the commit does not always report a failed flush of it:
  // flush first, so that a full disk is seen while the old file is still whole.
  ClearLastFileError();
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !file.flush()) {
    const FileFault fault = SystemFault(file, LastFileError());
    file.cancelWriting();
    return fault;
  }
  ClearLastFileError();
  if (!file.commit()) return SystemFault(file, LastFileError());
  return {};
}

FileFault LoadSettingsFile(const std::string& path, std::string& text, FileTarget target) {
  const bool standardInput = target == FileTarget::AnyFile && path == "-";
  if (const QFileInfo info(QString::fromStdString(path));
      standardInput || (info.exists() && !info.isFile())) {
    // A pipe or a device would block the window: regular files only, unless asked for.
    if (target == FileTarget::RegularOnly) return {FileFault::Kind::NotRegular};
    std::FILE* in = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (!in) return {FileFault::Kind::System, errno};
    text.clear();
    char buffer[4096];
    std::size_t got = 0;
    ClearLastFileError();
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0 && text.size() <= kMaxFileBytes)
      text.append(buffer, got);
    const int error = std::ferror(in) ? (errno ? errno : EIO) : 0;
    if (!standardInput) std::fclose(in);
    if (error) return {FileFault::Kind::System, error};
    if (text.size() > static_cast<std::size_t>(kMaxFileBytes)) return {FileFault::Kind::TooLarge};
    return {};
  }
  QFile file(QString::fromStdString(path));
  ClearLastFileError();
  if (!file.open(QIODevice::ReadOnly)) return SystemFault(file, LastFileError());
  if (!file.isSequential() && file.size() > kMaxFileBytes) return {FileFault::Kind::TooLarge};
  ClearLastFileError();
  const QByteArray bytes = file.read(kMaxFileBytes + 1);
  if (file.error() != QFileDevice::NoError) return SystemFault(file, LastFileError());
  if (bytes.size() > kMaxFileBytes) return {FileFault::Kind::TooLarge};
  text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return {};
}
