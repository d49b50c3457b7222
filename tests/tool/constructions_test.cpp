// The modes: parsed once from the arguments (everything the run does by mode follows from
// this parse), and what each of them builds.
#include "tool/constructions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "exchange/state/exchange_state.h"

namespace {

TEST(RunMode, ParsesTheArgumentsOnce) {
  const struct {
    const char* what;
    std::vector<std::string> args;
    bool hasArguments;
    int number;
    double angle;
    bool dialog;
  } kCases[] = {
      {"no argument: the settings dialog", {}, false, 0, 0.0, true},
      {"first mode", {"/R1"}, true, 1, 0.0, false},
      {"last mode without a dialog", {"/R9"}, true, 9, 0.0, false},
      {"the ellipse opens the dialog", {"/R10", "5"}, true, 10, 5.0, true},
      {"angle argument read leniently", {"/R4", "45"}, true, 4, 45.0, false},
      {"angle argument missing", {"/R7"}, true, 7, 0.0, false},
      {"angle argument not a number", {"/R7", "abc"}, true, 7, 0.0, false},
      {"later arguments ignored", {"/R4", "-12.5", "30"}, true, 4, -12.5, false},
      {"lower case names no mode", {"/r1"}, true, 0, 0.0, false},
      {"lower-case ellipse opens no dialog", {"/r10"}, true, 0, 0.0, false},
      {"leading zero names no mode", {"/R010"}, true, 0, 0.0, false},
      {"mode above ten", {"/R11"}, true, 0, 0.0, false},
      {"mode zero", {"/R0"}, true, 0, 0.0, false},
      {"no slash", {"R1"}, true, 0, 0.0, false},
      {"trailing blank", {"/R10 "}, true, 0, 0.0, false},
      {"prefix of a mode", {"/R"}, true, 0, 0.0, false},
      {"empty argument still counts as one", {""}, true, 0, 0.0, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const RunMode mode = RunMode::Parse(c.args);
    EXPECT_EQ(mode.HasArguments(), c.hasArguments);
    EXPECT_EQ(static_cast<int>(mode.Builds()), c.number);
    EXPECT_EQ(mode.AngleArgument(), c.angle);
    EXPECT_EQ(mode.MayShowDialog(), c.dialog);
    EXPECT_EQ(mode.IsEllipseRun(), c.number == 10);
    EXPECT_EQ(mode.TakesOverExchangeFile(), c.number == 10);
  }
}

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
