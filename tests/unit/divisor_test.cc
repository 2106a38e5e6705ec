#include "base/divisor.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace corvel {
namespace {

// What the division instruction gives, with the most negative number divided
// by -1 wrapping as the interpreter decides.
std::int32_t quotient(std::int32_t n, std::int32_t d) { return n / d; }
std::int32_t remainder(std::int32_t n, std::int32_t d) { return n % d; }

TEST(Divisor, DividesExactlyAsTheInstructionDoes) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::int32_t divisors[] = {2,  3,   7,    10,   100, -2,        -3,
                                   -10, kMax, kMin, kMin + 1, 65536, 641};
  const std::int32_t numbers[] = {0,  1,   -1,   9,        10,       11,
                                  -9, -10, -11,  kMax,     kMin,     kMin + 1,
                                  kMax - 1};
  std::mt19937 random(7);
  for (std::int32_t d : divisors) {
    Divisor divisor = makeDivisor(d);
    for (std::int32_t n : numbers) {
      EXPECT_EQ(divideFixed<'/'>(n, divisor), quotient(n, d)) << n << "/" << d;
      EXPECT_EQ(divideFixed<'%'>(n, divisor), remainder(n, d)) << n << "%" << d;
    }
    for (int i = 0; i < 100000; ++i) {
      auto n = static_cast<std::int32_t>(random());
      ASSERT_EQ(divideFixed<'/'>(n, divisor), quotient(n, d)) << n << "/" << d;
      ASSERT_EQ(divideFixed<'%'>(n, divisor), remainder(n, d)) << n << "%" << d;
    }
  }
  for (int i = 0; i < 1000000; ++i) {
    auto d = static_cast<std::int32_t>(random());
    auto n = static_cast<std::int32_t>(random());
    if (!isFixedDivisor(d)) continue;
    ASSERT_EQ(divideFixed<'/'>(n, makeDivisor(d)), quotient(n, d))
        << n << "/" << d;
    ASSERT_EQ(divideFixed<'%'>(n, makeDivisor(d)), remainder(n, d))
        << n << "%" << d;
  }
}

}  // namespace
}  // namespace corvel
