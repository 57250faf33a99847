#pragma once
#include "common/Language.h"

#include <functional>
#include <string>

// Gear ratio expressions: numbers joined by "+", "-", "*" and "/", worked out strictly from left
// to right in extended precision, with a decimal comma allowed; blanks and tabs between the parts
// are ignored.

// An operand: optional leading blanks, an optional sign, digits with an optional "." part, an
// optional exponent. True with its value when well-formed (and not too large for the type).
bool ParseDecimalText(const std::string& text, long double& value);

// The 1-based position of the first of the four operators in the text, 0 when none.
std::size_t FindFirstOperator(const std::string& text);

// Told the rejected text, exactly as passed in (UTF-8), when a reported evaluation fails.
using GearReport = std::function<void(const std::string& rejected)>;
// The operator's message for a rejected text: "Špatné číslo: …" in the window.
std::string BadNumberText(const std::string& rejected, Language language);

// True with the value when the text is a well-formed expression meeting the sign rule (> 0: not
// negative, < 0: not positive, 0: any). When report is set, a failure first calls reporter.
bool EvaluateGearExpression(std::string text, long double& result, int signRule, bool report,
                            const GearReport& reporter = {});

// Six decimals, blanks in front up to a length of 11: 1 gives "   1.000000".
std::string FormatGearValue(long double value);
