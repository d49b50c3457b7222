// The written form read back by the tool's own number reader: the same value up to the
// 15-digit rounding, and writing the value read gives the same text again.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "exchange/writing/real_text.h"
#include "numeric/lenient_number.h"

namespace {

TEST(RealTextRoundTrip, ReadBackWithinFifteenDigits) {
  std::mt19937_64 random(99);
  int failures = 0;
  for (int i = 0; i < 50000; ++i) {
    const auto value = std::bit_cast<double>(random());
    // Beyond 1.797693134862315e308 the 15-digit form passes the double range.
    if (!(std::fabs(value) <= 1.797693134862315e308)) continue;
    const std::string text = RealToText(value);
    const double read = LenientStrToFloat(text);
    const double allowed = std::fabs(value) * 5.2e-15 + std::numeric_limits<double>::denorm_min();
    const bool close = std::fabs(read - value) <= allowed;
    const bool stable = RealToText(read) == text;
    if ((!close || !stable) && ++failures <= 10) {
      ADD_FAILURE() << std::hexfloat << value << " written " << text << " read " << read;
    }
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
