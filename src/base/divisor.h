// Division by a number fixed in the script, done as a multiplication: a
// division instruction takes many times longer, and `(n / 10)` and `(n % 10)`
// are how scripts take numbers apart.
#pragma once

#include <cstdint>
#include <limits>

namespace corvel {

__extension__ typedef unsigned __int128 Wide;

// A divisor other than 0, 1 and -1, with its multiplier: 2^64 / |d| rounded
// up, with which the high half of x times the multiplier is x / |d| for every
// 32-bit x.
struct Divisor {
  std::int32_t value;
  std::uint32_t magnitude;
  std::uint64_t multiplier;
};

// Whether `d` can be a `Divisor`.
constexpr bool isFixedDivisor(std::int32_t d) {
  return d != 0 && d != 1 && d != -1;
}

constexpr Divisor makeDivisor(std::int32_t d) {
  std::uint32_t magnitude =
      d < 0 ? 0u - static_cast<std::uint32_t>(d) : static_cast<std::uint32_t>(d);
  return {d, magnitude,
          std::numeric_limits<std::uint64_t>::max() / magnitude + 1};
}

// `n / d` truncated toward zero, or for `Op` '%' the remainder with the sign
// of `n`, exactly as the division instruction gives them.
template <char Op>
std::int32_t divideFixed(std::int32_t n, const Divisor& d) {
  std::uint32_t magnitude = n < 0 ? 0u - static_cast<std::uint32_t>(n)
                                  : static_cast<std::uint32_t>(n);
  auto quotient = static_cast<std::uint32_t>(
      (static_cast<Wide>(d.multiplier) * magnitude) >> 64);
  if constexpr (Op == '/') {
    bool negative = (n < 0) != (d.value < 0);
    return static_cast<std::int32_t>(negative ? 0u - quotient : quotient);
  } else {
    std::uint32_t remainder = magnitude - quotient * d.magnitude;
    return static_cast<std::int32_t>(n < 0 ? 0u - remainder : remainder);
  }
}

}  // namespace corvel
