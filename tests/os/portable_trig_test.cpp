// Our own sine and cosine give the correctly rounded double (worked out in 3000-bit
// arithmetic) where the reduction or the rounding is hardest.
#include "os/plain/portable_trig.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

TEST(PortableTrig, CorrectlyRoundedOnHardArguments) {
  const struct {
    const char* what;
    double x, sin, cos;
  } kCases[] = {
      {"the double closest to a multiple of pi/2", 0x1.6ac5b262ca1ffp+849, 0x1p+0,
       -0x1.14ae72e6ba22fp-61},
      {"a thousand three-quarter turns", 0x1.268639437ef07p+12, -0x1.1ed30fa696967p-42, 0x1p+0},
      {"355, near 113 pi", 355.0, -0x1.f9bd0307d1de3p-16, -0x1.fffffffc18e4cp-1},
      {"sine 3e-5 ulp from a midpoint", 0x1.20ad2a3c9da7ep+12, 0x1.42953c58d11bbp-1,
       0x1.8d991c3ffef2ap-1},
      {"cosine 6e-4 ulp from a midpoint", 0x1.71336d78ceef4p+11, 0x1.f3e90f27bc95dp-2,
       0x1.bed728b60480bp-1},
      {"1e22", 1e22, -0x1.b453ab76bf397p-1, 0x1.0be2cef01c8f4p-1},
      {"the largest double", std::numeric_limits<double>::max(), 0x1.452fc98b34e97p-8,
       -0x1.fffe62ecfab75p-1},
      {"the last argument not reduced", 0x1.921fb54442d18p-1, 0x1.6a09e667f3bccp-1,
       0x1.6a09e667f3bcdp-1},
      {"the first argument reduced", 0x1.921fb54442d19p-1, 0x1.6a09e667f3bcdp-1,
       0x1.6a09e667f3bccp-1},
      {"cosine just leaves 1", 0x1.6a09e667f3bcdp-27, 0x1.6a09e667f3bcdp-27, 0x1.fffffffffffffp-1},
      {"cosine just stays 1", 0x1.6a09e667f3bccp-27, 0x1.6a09e667f3bccp-27, 1.0},
      {"the smallest subnormal", 0x1p-1074, 0x1p-1074, 1.0},
      {"zero", 0.0, 0.0, 1.0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Bits(PortableSin(c.x)), Bits(c.sin));
    EXPECT_EQ(Bits(PortableCos(c.x)), Bits(c.cos));
    EXPECT_EQ(Bits(PortableSin(-c.x)), Bits(-c.sin));  // -0 for -0 too
    EXPECT_EQ(Bits(PortableCos(-c.x)), Bits(c.cos));
  }
}

TEST(PortableTrig, NotANumberBeyondTheReals) {
  for (const double x : {INFINITY, -INFINITY, NAN}) {
    SCOPED_TRACE(x);
    EXPECT_TRUE(std::isnan(PortableSin(x)));
    EXPECT_TRUE(std::isnan(PortableCos(x)));
  }
}

}  // namespace
