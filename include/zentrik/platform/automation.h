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

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4). Inline and
// branch-free for pixel loops: adding and removing 2^52 leaves the hardware's round-to-nearest-
// even as the only rounding, in the default rounding mode that nothing in the program changes.
inline double round_half_even(double value) {
  constexpr double kTwo52 = 4503599627370496.0;
  const double magnitude = std::fabs(value);
  if (!(magnitude < kTwo52)) return value;  // already whole (or not a number)
  return std::copysign((magnitude + kTwo52) - kTwo52, value);
}

// Clips a 64-bit value into the 16-bit signed range (for positions that must not overflow).
constexpr Integer clip_integer(std::int64_t value) {
  return value < -32768  ? Integer{-32768}
         : value > 32767 ? Integer{32767}
                         : static_cast<Integer>(value);
}

}  // namespace zentrik
