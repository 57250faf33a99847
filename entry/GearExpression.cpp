#include "entry/GearExpression.h"

#include "common/Wording.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

namespace {

constexpr char kOperators[] = {'+', '-', '*', '/'};
constexpr long double kSmallestDivisor = 0.000001L;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a number text out of the type's range is tiny rather than huge: its leading significant
// digit lies after the decimal point once the exponent is applied.
bool BelowOne(const std::string& number) {
  const auto e = number.find('e');
  const std::string mantissa = number.substr(0, e);
  long long exponent = 0;
  if (e != std::string::npos) {
    std::size_t i = e + 1;
    const bool negative = i < number.size() && number[i] == '-';
    if (i < number.size() && (number[i] == '-' || number[i] == '+')) ++i;
    for (; i < number.size() && exponent < 1'000'000'000; ++i) exponent = exponent * 10 + (number[i] - '0');
    if (negative) exponent = -exponent;
  }
  // Position of the leading significant digit relative to the point (1: units, 0: tenths, ...).
  const auto point = mantissa.find('.');
  const std::string whole = mantissa.substr(0, point);
  const std::size_t lead = whole.find_first_not_of('0');
  long long magnitude = 0;
  if (lead != std::string::npos) {
    magnitude = static_cast<long long>(whole.size() - lead);
  } else if (point != std::string::npos) {
    const std::string fraction = mantissa.substr(point + 1);
    const std::size_t first = fraction.find_first_not_of('0');
    magnitude = first == std::string::npos ? 0 : -static_cast<long long>(first);
  }
  return magnitude + exponent <= 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string WithoutBlanksAroundOperators(const std::string& text) {
  const auto isOperator = [](char c) {
    return std::find(std::begin(kOperators), std::end(kOperators), c) != std::end(kOperators);
  };
  std::string kept;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsBlank(text[i])) {
      kept += text[i];
      continue;
    }
    std::size_t left = i, right = i;
    while (left > 0 && IsBlank(text[left - 1])) --left;
    while (right < text.size() && IsBlank(text[right])) ++right;
    const bool atEnd = left == 0 || right == text.size();
    if (!atEnd && !isOperator(text[left - 1]) && !isOperator(text[right])) kept += text[i];
  }
  return kept;
}

}  // namespace

bool ParseDecimalText(const std::string& text, long double& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;  // empty, blanks alone, a sign alone

  // Collect the number in a form the locale-independent converter takes.
  std::string number;
  bool mantissaDigits = false;
  for (; i < text.size() && IsDigit(text[i]); ++i, mantissaDigits = true) number += text[i];
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    for (; i < text.size() && IsDigit(text[i]); ++i, mantissaDigits = true) number += text[i];
  }
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    number += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    const std::size_t expStart = i;
    for (; i < text.size() && IsDigit(text[i]); ++i) number += text[i];
    if (i == expStart) return false;
  }
  if (i != text.size()) return false;
  if (!mantissaDigits) {  // "." and "E5" read as 0
    value = 0;
    return true;
  }
  if (number.front() == '.') number.insert(number.begin(), '0');
  long double parsed = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
  if (end != number.data() + number.size()) return false;
  // Out of range: too small for the type reads as 0, too large cannot be represented.
  if (error == std::errc::result_out_of_range) {
    if (!BelowOne(number)) return false;
    parsed = 0;
  } else if (error != std::errc()) {
    return false;
  }
  value = negative ? -parsed : parsed;
  return true;
}

std::size_t FindFirstOperator(const std::string& text) {
  std::size_t first = 0;
  for (char op : kOperators) {
    const auto at = text.find(op);
    if (at != std::string::npos && (first == 0 || at + 1 < first)) first = at + 1;
  }
  return first;
}

std::string BadNumberText(const std::string& rejected, Language language) {
  return Words(Said::BadNumber, language, {{"number", rejected}});
}

bool EvaluateGearExpression(std::string text, long double& result, int signRule, bool report,
                            const GearReport& reporter) {
  const std::string passed = text;
  auto fail = [&] {
    if (report && reporter) reporter(passed);
    return false;
  };
  for (char& c : text)
    if (c == ',') c = '.';
  // "200 * 16 / 5" means what it says; cutting it at a blank would silently save 200. Only blanks
  // beside an operator or at the ends go: "12 5" stays malformed instead of becoming 125.
  text = WithoutBlanksAroundOperators(text);

  long double accumulator = 0;
  std::size_t position = FindFirstOperator(text);
  if (!(position == 1 && text[0] == '-')) {
    const std::string first = position ? text.substr(0, position - 1) : text;
    if (!ParseDecimalText(first, accumulator)) return fail();
  }
  while (position != 0) {
    const char op = text[position - 1];
    text = text.substr(position);
    position = FindFirstOperator(text);
    long double operand = 0;
    if (!ParseDecimalText(position ? text.substr(0, position - 1) : text, operand)) return fail();
    switch (op) {
      case '+': accumulator += operand; break;
      case '-': accumulator -= operand; break;
      case '*': accumulator *= operand; break;
      case '/':
        if (operand < kSmallestDivisor) return fail();
        accumulator /= operand;
        break;
    }
  }
  // A result beyond the type's range is no number the field could show.
  if (!std::isfinite(accumulator)) return fail();
  if ((signRule > 0 && accumulator < 0) || (signRule < 0 && accumulator > 0)) return fail();
  result = accumulator;
  return true;
}

std::string FormatGearValue(long double value) {
  // to_chars, not printf: the desktop's locale (a Czech decimal comma) must not reach the unit.
  char digits[128];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
  std::string text;
  if (error == std::errc()) {
    text.assign(digits, end);
  } else {  // wider than the buffer: let the library size it
    std::vector<char> wide(static_cast<std::size_t>(std::numeric_limits<long double>::max_exponent10) + 64);
    const auto [wideEnd, wideError] =
        std::to_chars(wide.data(), wide.data() + wide.size(), value, std::chars_format::fixed, 6);
    if (wideError == std::errc()) text.assign(wide.data(), wideEnd);
  }
  // libstdc++ for Windows prints a long double through the C library, which writes the locale's
  // decimal point: the unit's is a dot.
  const std::string point = std::localeconv()->decimal_point;
  if (const auto at = text.find(point); point != "." && !point.empty() && at != std::string::npos)
    text.replace(at, point.size(), ".");
  if (text.size() < 11) text.insert(0, 11 - text.size(), ' ');
  return text;
}
