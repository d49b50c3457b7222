#include <gtest/gtest.h>

#include <array>
#include <string>

#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"
#include "tests/support/describe_state.h"

namespace {

class ExchangeStateTest : public ::testing::Test {
 protected:
  void SetUp() override { InitExchangeState(); }
  void TearDown() override { InitExchangeState(); }
  ExchangeState& s = Exchange();
};

// A fresh state as InitExchangeState makes it, which keeps PointKindUnset: every field.
void ExpectFresh(const ExchangeState& s) {
  ExchangeState fresh;
  fresh.Emit.PointKindUnset = s.Emit.PointKindUnset;
  EXPECT_EQ(FirstDifference(DescribeState(fresh), DescribeState(s)), "");
}

// The values the state must start from, as the host and the writer rely on them.
TEST_F(ExchangeStateTest, DefaultsAfterInit) {
  EXPECT_EQ(s.PaperWidth, 1189.0);
  EXPECT_EQ(s.PaperHeight, 841.0);
  for (const double scale : s.GroupScales) EXPECT_EQ(scale, 1.0);
  for (const TextStyleDef& style : s.TextStyles) EXPECT_EQ(style, (TextStyleDef{3.0, 3.0, 0.0, 2}));
  EXPECT_EQ(s.Emit.FontName, "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>");
  EXPECT_EQ(s.HostFontName, "");
  ASSERT_EQ(s.HandPoints.size(), 100u);
  for (const HandPoint& p : s.HandPoints) EXPECT_FALSE(p.Used);
  EXPECT_EQ(s.GroupNames.size(), 16u);
  EXPECT_EQ(s.LayerValues.size(), 256u);
  TJwwEntLine pendingDimLine;
  pendingDimLine.X2 = 1.0;
  EXPECT_EQ(s.PendingDimLine, pendingDimLine);
  EXPECT_TRUE(s.Emit.LayerGroupUnset && s.Emit.TextStyleUnset);
  EXPECT_EQ((std::array{s.HostLayerGroup, s.Emit.LineType, s.Emit.TextStyle}),
            (std::array{0, 1, 1}));
  ExpectFresh(s);
}

TEST_F(ExchangeStateTest, InitAfterReadingRestoresEveryDefault) {
  for (const char* line : {"hzs 1 2", "hcw 1 2 3 4 5 6 7 8 9 10", "cn$X", "hp3 1 2", "pl",
                           "1 2 3 4", "msg", "5 6 7 8", "lg4", "cn7", "ci 0 0 1", "hhp5"}) {
    ParseExchangeLine(line);
  }
  s.CommandQueue.push_back("lc3");
  InitExchangeState();
  ExpectFresh(s);
  InitExchangeState();
  ExpectFresh(s);
}

TEST_F(ExchangeStateTest, EntityBeforeAnyAttributeLineHasDefaultAttributes) {
  ParseExchangeLine("1 2 3 4");
  // HandPointRef, LayerGroup, Layer, Color, LineType, LineWidth; ZFlags
  const CommonAttributes expected = {{0, 0, 0, 1, 1, 0}, 0};
  EXPECT_EQ(static_cast<const CommonAttributes&>(s.LineList[0]), expected);
}

TEST_F(ExchangeStateTest, ResetEmitStateKeepsHostAttributesAndHandPointRef) {
  for (const char* line : {"lg3", "ly5", "lc2", "pn4", "hhp7", "pl"}) ParseExchangeLine(line);
  ResetEmitState();
  EXPECT_EQ((std::array{s.HostLayerGroup, s.HostLayer, s.HostColor}), (std::array{3, 5, 2}));
  EmitState expected;  // every value at its default, every Unset flag true
  expected.HandPointRef = 7;
  expected.PointKindUnset = true;
  EXPECT_TRUE(s.Emit == expected);
  EXPECT_TRUE(s.InPolyline);
  ParseExchangeLine("ci 0 0 1");
  EXPECT_EQ(s.CircleList[0].HandPointRef, 7);
}

// Lines applied to a released state, or after the writer moved EmitState out of the
// reader's ranges, touch no table entry that is not there.
TEST_F(ExchangeStateTest, TableKeysStayInsideTheTables) {
  ReleaseExchangeState();
  for (const char* line : {"hp1 1 2", "lg1 5", "ly2 6", "lgnX", "lynY", "ci 0 0 1"})
    ParseExchangeLine(line);
  EXPECT_EQ(s.HandPointCount, 0);
  EXPECT_EQ(s.CircleList.size(), 1u);
  InitExchangeState();
  s.Emit.LayerGroup = 400;
  s.Emit.Layer = -3;
  ParseExchangeLine("lynZ");
  ParseExchangeLine("lgnZ");
  for (const std::string& name : s.LayerNames) EXPECT_EQ(name, "");
  for (const std::string& name : s.GroupNames) EXPECT_EQ(name, "");
}

}  // namespace
