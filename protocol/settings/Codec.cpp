#include "protocol/settings/Codec.h"

#include "entry/IntegerText.h"
#include "entry/NumericFields.h"
#include "entry/Validation.h"
#include "protocol/Exchange.h"
#include "protocol/UnitProtocol.h"
#include "protocol/settings/Acceptance.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// The hexadecimal digits of a byte register's reply ("0,7F"), or -1.
int ReplyByte(const std::string& reply) {
  if (reply.size() != 4 || !reply.starts_with("0,")) return -1;
  const IntegerText parsed = ParseIntegerText("$" + reply.substr(2));
  return parsed.malformed ? -1 : parsed.value;
}

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
      return kDirectionWords[(byte >> AxisPolarityBit(def.control)) & 1 ? 0 : 1];
    case SettingKind::Clock:
      if (!ReplyNamesAValue(*def.reg, reply)) return std::nullopt;
      return kClockWords[byte & kClockNormalBit ? 0 : 1];
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
          setBit(AxisPolarityBit(def->control), wanted == kDirectionWords[0]);
          break;
        case SettingKind::Clock: setBit(kClockNormalBitNumber, wanted == kClockWords[0]); break;
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

std::vector<std::string> RepliesAfter(std::span<const WriteLine> writes, std::vector<std::string> before) {
  for (const WriteLine& line : writes) {
    const std::size_t at = LineOfRegister(*line.reg);
    if (at >= before.size()) before.resize(at + 1);
    before[at] = "0," + line.command.substr(std::strlen(line.reg->writePrefix));
  }
  return before;
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
