#include "tool/constructions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "exchange/state/exchange_state.h"

namespace {

TEST(ReduceToFullTurn, GivesTheRemainderIn0To360) {
  const struct {
    double degrees, expected;
  } cases[] = {
      {0.0, 0.0},    {-30.0, 330.0},    {725.0, 5.0},
      {360.0, 0.0},  {-360.0, 0.0},     {359.5, 359.5},
      {-1e-20, 0.0}, {-720.25, 359.75}, {1e20, std::fmod(1e20, 360.0)},
      {-0.0, 0.0},   {INFINITY, 0.0},   {NAN, 0.0},
  };
  for (const auto& c : cases) {
    const double reduced = ReduceToFullTurn(c.degrees);
    EXPECT_EQ(reduced, c.expected) << c.degrees;
    EXPECT_FALSE(std::signbit(reduced)) << c.degrees;
    EXPECT_LT(reduced, 360.0);
  }
}

TEST(ConstructionRun, FirstLineModesStopWithoutALine) {
  for (const char* mode : {"/R5", "/R6", "/R7"}) {
    InitExchangeState();
    ResetEmitState();
    EXPECT_FALSE(ConstructionRun(RunMode::Parse({mode, "30"}))) << mode;
    EXPECT_TRUE(Exchange().CommandQueue.empty()) << mode;
  }
  for (const char* mode : {"/R1", "/R2", "/R8", "/R10", "/r5", "", "R5"}) {
    InitExchangeState();
    ResetEmitState();
    EXPECT_TRUE(ConstructionRun(RunMode::Parse({mode}))) << mode;
  }
  ReleaseExchangeState();
}

}  // namespace
