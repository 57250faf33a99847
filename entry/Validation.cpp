#include "entry/Validation.h"

#include "entry/IntegerText.h"
#include "entry/NumericFields.h"

std::string CheckIntegerField(const std::string& text, int32_t lowest, int32_t highest) {
  std::string checked = text;
  const IntegerText first = ParseIntegerText(checked);
  if (first.malformed) checked = std::to_string(first.value);
  const int32_t value = ParseIntegerText(checked).value;
  if (value > highest) return std::to_string(highest);
  if (value < lowest) return std::to_string(lowest);
  return checked;
}

std::optional<std::string> CheckGearField(const std::string& text, int32_t lowest, int32_t highest,
                                          const GearReport& reporter) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  std::string expression = text.substr(begin, end - begin);
  // At most 255 characters (the text is UTF-8: count the bytes that start a character).
  std::size_t characters = 0;
  for (std::size_t i = 0; i < expression.size(); ++i) {
    if ((static_cast<unsigned char>(expression[i]) & 0xC0) != 0x80 && ++characters > 255) {
      expression.resize(i);
      break;
    }
  }
  long double value = 0;
  if (!EvaluateGearExpression(expression, value, 1, true, reporter)) return std::nullopt;
  if (value < lowest) value = lowest;
  if (value > highest) value = highest;
  std::string formatted = FormatGearValue(value);
  formatted.erase(0, formatted.find_first_not_of(' '));
  return formatted;
}

std::optional<std::string> PlainFieldText(const NumericField& field, const std::string& text) {
  if (field.kind == FieldKind::Integer) {
    const IntegerText parsed = ParseIntegerText(text);
    if (parsed.malformed) return std::nullopt;
    return std::to_string(parsed.value);
  }
  long double value = 0;
  if (!EvaluateGearExpression(text, value, 1, false)) return std::nullopt;
  std::string formatted = FormatGearValue(value);
  formatted.erase(0, formatted.find_first_not_of(' '));
  return formatted;
}

bool ValidateNumericFields(FieldTexts& fields, const GearReport& reporter) {
  bool gearsAccepted = true;
  for (const NumericField& field : kNumericFields) {
    const std::string text = fields.FieldText(field.name);
    std::optional<std::string> checked;
    if (field.kind == FieldKind::Integer)
      checked = CheckIntegerField(text, field.lowest, field.highest);
    else
      checked = CheckGearField(text, field.lowest, field.highest, reporter);
    if (!checked)
      gearsAccepted = false;
    else if (*checked != text)
      fields.SetFieldText(field.name, *checked);
  }
  return gearsAccepted;
}

BreakDelayEntry AcceptBreakDelay(const std::string& text, int32_t accepted) {
  if (text.empty()) return {text, accepted, false};
  const IntegerText parsed = ParseIntegerText(text);
  if (parsed.malformed) return {std::to_string(accepted), accepted, true};
  if (parsed.value > kBreakDelayHighest)
    return {std::to_string(kBreakDelayHighest), kBreakDelayHighest, false};
  if (parsed.value < kBreakDelayLowest) return {std::to_string(kBreakDelayLowest), kBreakDelayLowest, false};
  return {text, parsed.value, false};
}
