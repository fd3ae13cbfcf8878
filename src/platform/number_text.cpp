// Decimal text to number and number to text, as the automation runtime converts them.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "zentrik/platform/variant.h"

namespace zentrik {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool parse_number(const std::string& text, double& out) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && is_blank(text[begin])) ++begin;
  while (end > begin && is_blank(text[end - 1])) --end;

  // Validate the whole shape first: [sign] digits [. digits] [e [sign] digits], at least one
  // digit in the mantissa.
  std::size_t pos = begin;
  bool negative = false;
  if (pos < end && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const std::size_t mantissa = pos;
  std::size_t digits = 0;
  while (pos < end && is_digit(text[pos])) ++pos, ++digits;
  if (pos < end && text[pos] == '.') {
    ++pos;
    while (pos < end && is_digit(text[pos])) ++pos, ++digits;
  }
  if (digits == 0) return false;
  if (pos < end && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    if (pos < end && (text[pos] == '+' || text[pos] == '-')) ++pos;
    std::size_t exponentDigits = 0;
    while (pos < end && is_digit(text[pos])) ++pos, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (pos != end) return false;

  double magnitude = 0.0;
  const auto result = std::from_chars(text.data() + mantissa, text.data() + end, magnitude,
                                      std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large for a double stays a number (callers report Overflow); too small is zero.
    std::string copy(text.data() + mantissa, text.data() + end);
    magnitude = std::strtod(copy.c_str(), nullptr);
    magnitude = std::isinf(magnitude) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc() || result.ptr != text.data() + end) {
    return false;
  }
  out = negative ? -magnitude : magnitude;
  if (out == 0.0) out = 0.0;  // no negative zero
  return true;
}

std::string format_number(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  if (value == 0.0) return "0";
  // Fifteen significant digits, trailing zeros dropped; plain notation for exponents -4 to 14,
  // otherwise d.dddE+XX.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  std::string text(buffer);
  const std::size_t e = text.find('e');
  const int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits;
  const bool negative = text[0] == '-';
  for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
    if (is_digit(text[i])) digits += text[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= -4 && exponent <= 14) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-exponent - 1), '0');
      out += digits;
    } else {
      const auto whole = static_cast<std::size_t>(exponent) + 1;
      if (digits.size() <= whole) {
        out += digits;
        out.append(whole - digits.size(), '0');
      } else {
        out.append(digits, 0, whole);
        out += '.';
        out.append(digits, whole, std::string::npos);
      }
    }
    return out;
  }
  out += digits.substr(0, 1);
  if (digits.size() > 1) {
    out += '.';
    out.append(digits, 1, std::string::npos);
  }
  char exponentText[16];
  std::snprintf(exponentText, sizeof exponentText, "E%c%02d", exponent < 0 ? '-' : '+',
                exponent < 0 ? -exponent : exponent);
  return out + exponentText;
}

}  // namespace zentrik
