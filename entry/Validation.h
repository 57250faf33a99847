#pragma once
#include "entry/GearExpression.h"

#include <cstdint>
#include <optional>
#include <string>

// The text an integer field ends with after the check: a malformed text becomes the number it
// gives, then a value outside lowest..highest becomes the bound. A well-formed text in range is
// kept exactly as typed (" 15", "+5", "$10").
std::string CheckIntegerField(const std::string& text, int32_t lowest, int32_t highest);

struct NumericField;

// A numeric field's value as plain decimal text, the one form the unit and the settings files get:
// an integer field's number ("$10" 16, " 15" 15, "+100" 100, "0100" 100), a gear's value with six
// decimals ("200*16/5" 640.000000). Nothing when the text is no value of the field; the range is
// not looked at.
std::optional<std::string> PlainFieldText(const NumericField& field, const std::string& text);

// The text a gear field ends with: the expression's value clamped to lowest..highest with six
// decimals ("640.000000"); nothing when the expression is rejected (the reporter has been told).
// The text (UTF-8) is taken without leading and trailing characters 0 to 32, cut to 255
// characters.
std::optional<std::string> CheckGearField(const std::string& text, int32_t lowest, int32_t highest,
                                          const GearReport& reporter);

// The numeric fields' texts by their names (UTF-8), as the validation pass reads and rewrites them.
class FieldTexts {
 public:
  virtual ~FieldTexts() = default;
  virtual std::string FieldText(const std::string& field) = 0;
  virtual void SetFieldText(const std::string& field, const std::string& text) = 0;
};

// The check-and-clamp pass over the sixteen numeric fields in table order: integers corrected and
// clamped silently, gears rewritten with six decimals or reported. False when a gear was rejected.
// Only texts that change are set again.
bool ValidateNumericFields(FieldTexts& fields, const GearReport& reporter);

// The brake-release delay as its change handler takes a new text: an empty text changes nothing;
// a malformed one is refused (the field returns to the accepted value); a number is limited to
// 0 to 50 and accepted.
struct BreakDelayEntry {
  std::string text;  // what the field shows afterwards
  int32_t value;     // the accepted delay afterwards
  bool refused;      // the text was not a whole number
};
BreakDelayEntry AcceptBreakDelay(const std::string& text, int32_t accepted);
