#include "protocol/settings/Acceptance.h"

#include "entry/InputNames.h"
#include "entry/IntegerText.h"
#include "entry/NumericFields.h"
#include "entry/Validation.h"

#include <cmath>

namespace {

// A whole number written with a fraction ("100.000000") as an integer field's text, else nothing.
std::optional<std::string> IntegralText(const std::string& text) {
  const std::optional<long double> number = UnitNumber(text);
  if (!number || std::trunc(*number) != *number || std::fabs(*number) >= 2147483648.0L) return std::nullopt;
  return std::to_string(static_cast<long long>(*number));
}
}  // namespace

std::optional<std::string> AcceptedValue(const SettingDef& def, const std::string& value) {
  const auto accept = [&](bool accepted) {
    return accepted ? std::optional<std::string>(value) : std::nullopt;
  };
  switch (def.kind) {
    case SettingKind::Item: return accept(WordIndex(def.reg->items, value) >= 0);
    case SettingKind::AxisDirection: return accept(WordIndex(kDirectionWords, value) >= 0);
    case SettingKind::Clock: return accept(WordIndex(kClockWords, value) >= 0);
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
