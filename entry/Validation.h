#pragma once
#include "entry/GearExpression.h"

#include <cstdint>
#include <optional>
#include <string>

// The text an integer field ends with after the check: a malformed text becomes the number it
// gives, then a value outside lowest..highest becomes the bound. A well-formed text in range is
// kept exactly as typed (" 15", "+5", "$10").
std::string CheckIntegerField(const std::string& text, int32_t lowest, int32_t highest);

// The text a gear field ends with: the expression's value clamped to lowest..highest with six
// decimals ("640.000000"); nothing when the expression is rejected (the reporter has been told).
// The text (UTF-8) is taken without leading and trailing characters 0 to 32, cut to 255
// characters.
std::optional<std::string> CheckGearField(const std::string& text, int32_t lowest, int32_t highest,
                                          const GearReport& reporter);
