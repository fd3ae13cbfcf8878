// Fuzz target: arbitrary text through the number parser and every Variant conversion. Only
// Type mismatch and Overflow may come out, and printed numbers must parse back to themselves.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/variant.h"

namespace {

template <class F>
void expect_conversion(F convert) {
  try {
    convert();
  } catch (const zentrik::AutomationError& e) {
    if (e.number() != zentrik::errors::kTypeMismatch && e.number() != zentrik::errors::kOverflow)
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const zentrik::Variant v(text);
  expect_conversion([&] { v.to_integer(); });
  expect_conversion([&] { v.to_long(); });
  expect_conversion([&] { v.to_byte(); });
  expect_conversion([&] { v.to_boolean_value(); });
  double value = 0;
  if (zentrik::parse_number(text, value) && std::isfinite(value)) {
    // Fifteen significant digits survive a print and a parse; only the very largest doubles
    // round up past the range when printed with fifteen digits.
    double back = 0;
    if (!zentrik::parse_number(zentrik::format_number(value), back)) std::abort();
    const bool roundedPastRange = std::isinf(back) && std::fabs(value) > 1.79769313486231e308;
    if (!roundedPastRange && std::fabs(back - value) > std::fabs(value) * 1e-14) std::abort();
  }
  return 0;
}
