// Scalar types of the automation surface and the integer rules that go with them.
// Every 16-bit wrap, 32-bit truncation and half-to-even rounding in the system goes through here.
#pragma once

#include <cmath>
#include <cstdint>

namespace zentrik {

using Integer = std::int16_t;  // automation Integer: 16-bit signed
using Long = std::int32_t;     // automation Long: 32-bit signed
using Byte = std::uint8_t;     // automation Byte: 8-bit unsigned
using Boolean = std::int16_t;  // automation Boolean: 16-bit, True = -1, False = 0

// Named so that X11's True/False macros can never clash with them.
inline constexpr Boolean vbTrue = -1;
inline constexpr Boolean vbFalse = 0;

constexpr Boolean to_boolean(bool value) {
  return value ? vbTrue : vbFalse;
}

// Any non-zero Boolean counts as true when used as a condition.
constexpr bool is_true(Boolean value) {
  return value != 0;
}

// 16-bit counter arithmetic: the result wraps from 32767 to -32768 without error.
constexpr Integer wrap_integer(std::int64_t value) {
  return static_cast<Integer>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(value)));
}

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4), whatever
// floating-point rounding mode other code may have set. Inline: pixel loops call it per channel.
inline double round_half_even(double value) {
  if (!std::isfinite(value)) return value;
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1.0;
  // A fraction of exactly one half only occurs below 2^52, so the cast is exact.
  return static_cast<std::int64_t>(below) % 2 == 0 ? below : below + 1.0;
}

// Clips a 64-bit value into the 16-bit signed range (for positions that must not overflow).
constexpr Integer clip_integer(std::int64_t value) {
  return value < -32768  ? Integer{-32768}
         : value > 32767 ? Integer{32767}
                         : static_cast<Integer>(value);
}

}  // namespace zentrik
