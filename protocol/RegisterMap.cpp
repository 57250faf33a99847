#include "protocol/RegisterMap.h"

#include "common/Text.h"
#include "entry/GearExpression.h"
#include "entry/IntegerText.h"
#include "entry/NumericFields.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::array<const char*, 9> kOutputCodes = {"00", "01", "02", "03", "04", "05", "06", "08", "09"};
constexpr std::array<const char*, 2> kPwmCodes = {"FF", "01"};
constexpr std::array<const char*, 3> kMpgUsageCodes = {"FF", "02", "01"};
constexpr std::array<const char*, 6> kStartNumCodes = {"FF", "03", "04", "05", "06", "07"};
constexpr std::array<const char*, 4> kAxisLinkCodes = {"FF", "01", "02", "03"};

// The items as the window shows them, in item order. Settings files name them so, whatever the
// window's language: the Czech words are the file's tokens, translated ("Settings") only where shown.
// clang-format off
constexpr std::array<const char*, 9> kOutputItems = {
    QT_TRANSLATE_NOOP("Settings", "Nepoužito"),
    QT_TRANSLATE_NOOP("Settings", "Laser"),
    QT_TRANSLATE_NOOP("Settings", "Chlazení"),
    QT_TRANSLATE_NOOP("Settings", "Ofuk"),
    QT_TRANSLATE_NOOP("Settings", "Kryt Stroje"),
    QT_TRANSLATE_NOOP("Settings", "Uvolnění nástroje"),
    QT_TRANSLATE_NOOP("Settings", "Kryt nástrojů"),
    QT_TRANSLATE_NOOP("Settings", "Brzda"),
    QT_TRANSLATE_NOOP("Settings", "Signalizace přerušení")};
constexpr std::array<const char*, 2> kPwmItems = {
    QT_TRANSLATE_NOOP("Settings", "PWM"),
    QT_TRANSLATE_NOOP("Settings", "Breakeout board")};
constexpr std::array<const char*, 3> kMpgUsageItems = {
    QT_TRANSLATE_NOOP("Settings", "Nepoužito"),
    QT_TRANSLATE_NOOP("Settings", "Mpg - omezení limit"),
    QT_TRANSLATE_NOOP("Settings", "Mpg - bez limit")};
constexpr std::array<const char*, 6> kStartNumItems = {
    QT_TRANSLATE_NOOP("Settings", "nepoužito"),
    QT_TRANSLATE_NOOP("Settings", "INT 3"),
    QT_TRANSLATE_NOOP("Settings", "INT 4"),
    QT_TRANSLATE_NOOP("Settings", "INT 5"),
    QT_TRANSLATE_NOOP("Settings", "INT 6"),
    QT_TRANSLATE_NOOP("Settings", "INT 7")};
// clang-format on
constexpr std::array<const char*, 4> kAxisLinkItems = {"A => A", "X => A", "Y => A", "Z => A"};

constexpr int kPolarita = 3;
constexpr int kPovoleno = 4;

using K = RegisterKind;
// A register a row, its caption below it.
// clang-format off
constexpr Register kRegisters[] = {
    {"ER01", "EW01,", "OUT1", K::ListCode, kOutputCodes, 0, kOutputItems,
     QT_TRANSLATE_NOOP("Settings", "OUT1")},
    {"ER02", "EW02,", "OUT2", K::ListCode, kOutputCodes, 0, kOutputItems,
     QT_TRANSLATE_NOOP("Settings", "OUT2")},
    {"ER03", "EW03,", "OUT3", K::ListCode, kOutputCodes, 0, kOutputItems,
     QT_TRANSLATE_NOOP("Settings", "OUT3")},
    {"ER04", "EW04,", "PWM", K::ListCode, kPwmCodes, 0, kPwmItems,
     QT_TRANSLATE_NOOP("Settings", "PWM")},
    {"ERFD", "EWFD,", "BreakDelay", K::BreakDelay, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Prodleva odbrždění [0,1s]")},
    {"ER05", "EW05,", "Polarity", K::PolarityByte, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Polarita os (DIR) a signálu (CLK)")},
    {"ER06", "EW06,", "MpgUsage", K::ListCode, kMpgUsageCodes, 0, kMpgUsageItems,
     QT_TRANSLATE_NOOP("Settings", "Použít MPG")},
    {"ER07", "EW07,", "StartNum", K::ListCode, kStartNumCodes, 0, kStartNumItems,
     QT_TRANSLATE_NOOP("Settings", "Č. vstupu pro start ref. pojezdu")},
    {"EFR10", "EFW10,", "LoLimitX", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Lo-Limit X [mm]")},
    {"EFR14", "EFW14,", "LoLimitY", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Lo-Limit Y [mm]")},
    {"EFR18", "EFW18,", "LoLimitZ", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Lo-Limit Z [mm]")},
    {"EFR20", "EFW20,", "HiLimitX", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Hi-Limit X [mm]")},
    {"EFR24", "EFW24,", "HiLimitY", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Hi-Limit Y [mm]")},
    {"EFR28", "EFW28,", "HiLimitZ", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Hi-Limit Z [mm]")},
    {"EFR30", "EFW30,", "GearX", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Převod X [kr/mm]")},
    {"EFR34", "EFW34,", "GearY", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Převod Y [kr/mm]")},
    {"EFR38", "EFW38,", "GearZ", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Převod Z [kr/mm]")},
    {"EFR40", "EFW40,", "MpgAcc", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Akcelerace MPG [mm/s^2]")},
    {"EFR44", "EFW44,", "MpgMaxSpeed", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Max Rychlost MPG [mm/s]")},
    {"EUR48", "EUW48,", "TimeOver", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Prodleva MPG [ms]")},
    {"EUR4C", "EUW4C,", "DefSpinSpeed", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Otáčky vřetene pro X10")},
    {"EFR50", "EFW50,", "RefSpeedX", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Ke spínači X [mm/s]")},
    {"EFR54", "EFW54,", "RefSpeedY", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Ke spínači Y [mm/s]")},
    {"EFR58", "EFW58,", "RefSpeedZ", K::Number, {}, 0, {},
     QT_TRANSLATE_NOOP("Settings", "Ke spínači Z [mm/s]")},
    {"ER08", "EW08,", "Povoleno", K::InputBitsLow, {}, kPovoleno, {},
     QT_TRANSLATE_NOOP("Settings", "Povoleno (vstupy 0–7)")},
    {"ER09", "EW09,", "Povoleno", K::InputBitsHigh, {}, kPovoleno, {},
     QT_TRANSLATE_NOOP("Settings", "Povoleno (vstupy 14, 15)")},
    {"ER0A", "EW0A,", "Polarita", K::InputBitsLow, {}, kPolarita, {},
     QT_TRANSLATE_NOOP("Settings", "Polarita (vstupy 0–7)")},
    {"ER0B", "EW0B,", "Polarita", K::InputBitsHigh, {}, kPolarita, {},
     QT_TRANSLATE_NOOP("Settings", "Polarita (vstupy 14, 15)")},
    {"ER0C", "EW0C,", "AxisLink", K::ListCode, kAxisLinkCodes, 0, kAxisLinkItems,
     QT_TRANSLATE_NOOP("Settings", "Sdružení osy A")},
};
// clang-format on
static_assert(std::size(kRegisters) == kRegistersWithMpg);

// The factory settings: what a unit holds after them, in table order. "Defaultní nastavení" sets
// the window's controls from them and the virtual unit starts with them.
struct FactoryEntry {
  const char* read;
  const char* value;
};
constexpr FactoryEntry kFactoryValues[] = {
    {"ER01", "02"},                                                    // Chlazení
    {"ER02", "03"},                                                    // Ofuk
    {"ER03", "08"},                                                    // Brzda
    {"ER04", "FF"},                                                    // PWM
    {"ERFD", "10"},                                                    // 1 s
    {"ER05", "FF"},                                                    // every axis positive, clock normal
    {"ER06", "FF"},                                                    // MPG not used
    {"ER07", "FF"},                                                    // no start input
    {"EFR10", "0"},   {"EFR14", "0"}, {"EFR18", "0"},                  // low limits
    {"EFR20", "1"},   {"EFR24", "1"}, {"EFR28", "1"},                  // high limits
    {"EFR30", "1"},   {"EFR34", "1"}, {"EFR38", "1"},                  // gears
    {"EFR40", "1"},   {"EFR44", "1"},                                  // MPG acceleration and top speed
    {"EUR48", "100"}, {"EUR4C", "1"},                                  // MPG delay, spindle speed for X10
    {"EFR50", "1"},   {"EFR54", "1"}, {"EFR58", "1"},                  // reference speeds
    {"ER08", "00"},   {"ER09", "00"}, {"ER0A", "00"}, {"ER0B", "00"},  // no input enabled or inverted
    {"ER0C", "FF"},                                                    // axis A on its own
};
static_assert(std::size(kFactoryValues) == std::size(kRegisters));
constexpr bool FactoryValuesInTableOrder() {
  for (std::size_t line = 0; line < std::size(kRegisters); ++line)
    if (std::string_view(kFactoryValues[line].read) != kRegisters[line].read) return false;
  return true;
}

// Reads a reply's value text as an integer the way the read flow does; throws when it is none.
int32_t IntegerOrThrow(const std::string& text) {
  const IntegerText parsed = ParseIntegerText(text);
  if (parsed.malformed) throw ConversionError(text);
  return parsed.value;
}

// The byte of a polarity reply "0,E0" … "0,FF" (upper-case digits), -1 for any other reply.
int PolarityReplyValue(const std::string& reply) {
  for (unsigned value = kPolarityAlwaysSet; value <= 0xFF; ++value)
    if (reply == "0," + Hex2(value)) return static_cast<int>(value);
  return -1;
}

std::span<const Register> Lines(bool mpgCapable) {
  return std::span<const Register>(kRegisters).first(mpgCapable ? kRegistersWithMpg : kRegistersWithoutMpg);
}

}  // namespace

std::span<const Register> RegisterTable() { return kRegisters; }

std::span<const Register> RegisterLines(bool mpgCapable) { return Lines(mpgCapable); }

std::string FactoryValue(const Register& reg) {
  static_assert(FactoryValuesInTableOrder());
  return kFactoryValues[LineOfRegister(reg)].value;
}

std::size_t LineOfRegister(const Register& reg) {
  return static_cast<std::size_t>(&reg - RegisterTable().data());
}

std::string ReplyOfRegister(const Register& reg, std::span<const std::string> replies) {
  const std::size_t line = LineOfRegister(reg);
  return line < replies.size() ? replies[line] : std::string();
}

std::vector<std::string> BuildReadScript(bool mpgCapable) {
  std::vector<std::string> script;
  for (const Register& reg : Lines(mpgCapable)) script.emplace_back(reg.read);
  return script;
}

int AxisPolarityBit(const std::string& control) {
  for (int bit = 0; bit < static_cast<int>(std::size(kAxisPolarityGroups)); ++bit)
    if (control == kAxisPolarityGroups[bit]) return bit;
  return -1;
}

std::string BreakDelayDigits(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", static_cast<int>(value));
  return text;
}

int InputBitOfRow(int row) { return kInputOfRow[row - 1] % 8; }

std::string PlainNumberText(const std::string& control, const std::string& text) {
  const NumericField* field = FindNumericField(control);
  if (!field) return text;
  return PlainFieldText(*field, text).value_or(text);
}

std::vector<std::string> CommandsOf(std::span<const WriteLine> lines) {
  std::vector<std::string> commands;
  for (const WriteLine& line : lines) commands.push_back(line.command);
  return commands;
}

std::vector<const Register*> RefusedWrites(std::span<const WriteLine> lines,
                                           std::span<const std::string> replies) {
  std::vector<const Register*> refused;
  for (std::size_t n = 0; n < lines.size() && n < replies.size(); ++n)
    if (replies[n].compare(0, 1, "0") != 0) refused.push_back(lines[n].reg);
  return refused;
}

namespace {

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

bool ReplyFitsRegister(const Register& reg, const std::string& reply) {
  if (!reply.starts_with("0,")) return false;
  const std::string value = reply.substr(2);
  if (reg.kind == K::Number) return ExactDecimal(value).has_value();
  return value.size() == 2 && IsHex(value[0]) && IsHex(value[1]);
}

std::optional<long double> UnitNumber(const std::string& text) {
  long double value = 0;
  // At least one digit: the operand reader takes "." alone for 0.
  if (std::none_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  if (!ParseDecimalText(text, value)) return std::nullopt;
  return value;
}

std::optional<std::string> ExactDecimal(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  std::string digits;
  long long exponent = 0;
  const auto isDigit = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
  for (; isDigit(i); ++i) digits += text[i];
  if (i < text.size() && text[i] == '.')
    for (++i; isDigit(i); ++i, --exponent) digits += text[i];
  if (digits.empty()) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    if (!isDigit(i)) return std::nullopt;
    long long e = 0;
    for (; isDigit(i); ++i)
      if (e < 100000) e = e * 10 + (text[i] - '0');
    exponent += negativeExponent ? -e : e;
  }
  if (i != text.size()) return std::nullopt;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  if (digits.empty()) return std::string("0");
  while (digits.back() == '0') {
    digits.pop_back();
    ++exponent;
  }
  return (negative ? "-" : "") + digits + "e" + std::to_string(exponent);
}

bool SameRegisterValue(const Register& reg, const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (reg.kind == K::Number) {
    const auto x = ExactDecimal(a), y = ExactDecimal(b);
    return x && y && *x == *y;
  }
  if (a.size() != 2 || b.size() != 2) return false;
  return std::all_of(a.begin(), a.end(), IsHex) && std::all_of(b.begin(), b.end(), IsHex) &&
         std::stoi(a, nullptr, 16) == std::stoi(b, nullptr, 16);
}

bool ReplyNamesAValue(const Register& reg, const std::string& reply) {
  if (reg.kind == K::PolarityByte) return PolarityReplyValue(reply) >= 0;
  if (reg.kind != K::ListCode) return true;
  return std::any_of(reg.codes.begin(), reg.codes.end(),
                     [&](const char* code) { return reply == std::string("0,") + code; });
}

void DecodeRegister(const Register& reg, const std::string& reply, SettingsControls& controls) {
  switch (reg.kind) {
    case K::ListCode:
      for (std::size_t item = 0; item < reg.codes.size(); ++item) {
        if (reply == std::string("0,") + reg.codes[item]) {
          controls.SelectItem(reg.control, static_cast<int>(item));
          break;
        }
      }
      if (std::string(reg.control) == "StartNum") controls.StartNumSelected();
      break;
    case K::BreakDelay:
      controls.SetText(reg.control, std::to_string(IntegerOrThrow(CharsFromTo(reply, 3, 4))));
      break;
    case K::PolarityByte: {
      const int value = PolarityReplyValue(reply);
      if (value < 0) break;  // only "0,E0" … "0,FF" decode
      for (int bit = 0; bit < static_cast<int>(std::size(kAxisPolarityGroups)); ++bit)
        controls.SelectItem(kAxisPolarityGroups[bit], (value >> bit) & 1 ? 0 : 1);
      const bool normal = value & kClockNormalBit;
      controls.SetChecked(kClockNormalButton, normal);
      controls.SetChecked(kClockInvertedButton, !normal);
      break;
    }
    case K::Number: controls.SetText(reg.control, reply.size() > 2 ? reply.substr(2) : std::string()); break;
    case K::InputBitsLow:
    case K::InputBitsHigh: {
      const int32_t v = IntegerOrThrow("$" + CharsFromTo(reply, 3, 4));
      const bool high = reg.kind == K::InputBitsHigh;
      for (int row = 1; row <= kInputRows; ++row)
        if ((row > kLastLowByteRow) == high)
          controls.SetCell(reg.gridColumn, row, (v >> InputBitOfRow(row)) & 1 ? "1" : "0");
      break;
    }
  }
}

bool DecodeReadReplies(std::span<const std::string> replies, SettingsControls& controls, bool mpgCapable) {
  constexpr std::size_t kFirstAfterOutputs = 4;
  const auto lines = Lines(mpgCapable);
  for (std::size_t n = 0; n < replies.size() && n < lines.size(); ++n) {
    // An empty first reply: the outputs are all that is decoded.
    if (n == kFirstAfterOutputs && replies[0].empty()) return false;
    try {
      DecodeRegister(lines[n], replies[n], controls);
    } catch (ConversionError& error) {
      error.line = n;
      throw;
    }
  }
  return !(replies.size() <= kFirstAfterOutputs && (replies.empty() || replies[0].empty()));
}

void StartNumFollowsMpgUsage(SettingsControls& controls) {
  if (controls.ItemIndex("MpgUsage") != 0) return;
  controls.SelectItem("StartNum", 0);
  controls.StartNumSelected();
}
