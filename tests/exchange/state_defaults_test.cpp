#include <gtest/gtest.h>

#include <string>

#include "exchange/exchange_reader.h"
#include "exchange/exchange_state.h"

namespace {

class ExchangeStateTest : public ::testing::Test {
 protected:
  void SetUp() override { InitExchangeState(); }
  void TearDown() override { InitExchangeState(); }
  ExchangeState& s = Exchange();
};

void ExpectDefaults(const ExchangeState& s) {
  EXPECT_EQ(s.PaperWidth, 1189.0);
  EXPECT_EQ(s.PaperHeight, 841.0);
  for (const double scale : s.GroupScales) EXPECT_EQ(scale, 1.0);
  for (const TextStyleDef& style : s.TextStyles) {
    EXPECT_EQ(style.Width, 3.0);
    EXPECT_EQ(style.Height, 3.0);
    EXPECT_EQ(style.Spacing, 0.0);
    EXPECT_EQ(style.Color, 2);
  }
  EXPECT_EQ(s.Emit.FontName, "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>");
  EXPECT_EQ(s.HostFontName, "");
  ASSERT_EQ(s.HandPoints.size(), 100u);
  for (const HandPoint& p : s.HandPoints) EXPECT_FALSE(p.Used);
  EXPECT_EQ(s.HandPointCount, 0);
  EXPECT_EQ(s.GroupNames.size(), 16u);
  EXPECT_EQ(s.LayerValues.size(), 256u);
  EXPECT_TRUE(s.LineList.empty());
  EXPECT_TRUE(s.ReadOrder.empty());
  EXPECT_TRUE(s.CommandQueue.empty());
  EXPECT_EQ(s.PendingDimLine.X2, 1.0);
  EXPECT_EQ(s.PendingDimLine.Color, 1);
  EXPECT_EQ(s.PolylineNo, 0);
  EXPECT_TRUE(s.Emit.LayerGroupUnset && s.Emit.TextStyleUnset);
}

TEST_F(ExchangeStateTest, DefaultsAfterInit) { ExpectDefaults(s); }

TEST_F(ExchangeStateTest, InitAfterReadingRestoresEveryDefault) {
  for (const char* line : {"hzs 1 2", "hcw 1 2 3 4 5 6 7 8 9 10", "cn$X", "hp3 1 2", "pl",
                           "1 2 3 4", "msg", "5 6 7 8", "lg4", "cn7"}) {
    ParseExchangeLine(line);
  }
  s.CommandQueue.push_back("lc3");
  InitExchangeState();
  ExpectDefaults(s);
  InitExchangeState();
  ExpectDefaults(s);
}

TEST_F(ExchangeStateTest, EntityBeforeAnyAttributeLineHasDefaultAttributes) {
  ParseExchangeLine("1 2 3 4");
  const TJwwEntLine& line = s.LineList[0];
  EXPECT_EQ(line.HandPointRef, 0);
  EXPECT_EQ(line.LayerGroup, 0);
  EXPECT_EQ(line.Layer, 0);
  EXPECT_EQ(line.Color, 1);
  EXPECT_EQ(line.LineType, 1);
  EXPECT_EQ(line.LineWidth, 0);
  EXPECT_EQ(line.ZFlags, 0);
}

TEST_F(ExchangeStateTest, ResetEmitStateKeepsHostAttributesAndHandPointRef) {
  for (const char* line : {"lg3", "ly5", "lc2", "pn4", "hhp7", "pl"}) ParseExchangeLine(line);
  ResetEmitState();
  EXPECT_EQ(s.HostLayerGroup, 3);
  EXPECT_EQ(s.HostLayer, 5);
  EXPECT_EQ(s.HostColor, 2);
  EXPECT_EQ(s.Emit.LayerGroup, 0);
  EXPECT_EQ(s.Emit.Layer, 0);
  EXPECT_EQ(s.Emit.Color, 1);
  EXPECT_EQ(s.Emit.PointKind, 1);
  EXPECT_TRUE(s.Emit.LayerGroupUnset && s.Emit.LayerUnset && s.Emit.ColorUnset &&
              s.Emit.LineTypeUnset && s.Emit.LineWidthUnset && s.Emit.TextStyleUnset &&
              s.Emit.PointKindUnset);
  EXPECT_EQ(s.Emit.HandPointRef, 7);
  EXPECT_TRUE(s.InPolyline);
  ParseExchangeLine("ci 0 0 1");
  EXPECT_EQ(s.CircleList[0].HandPointRef, 7);
}

// Lines applied to a released state, or after the writer moved EmitState out of the
// reader's ranges, touch no table entry that is not there.
TEST_F(ExchangeStateTest, TableKeysStayInsideTheTables) {
  ReleaseExchangeState();
  for (const char* line : {"hp1 1 2", "lg1 5", "ly2 6", "lgnX", "lynY", "ci 0 0 1"}) {
    ParseExchangeLine(line);
  }
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

TEST(ChunkedList, GrowsAcrossChunksWithoutMovingRecords) {
  EntityList<TJwwEntLine> list;
  constexpr int kCount = 5000;  // several chunks
  const TJwwEntLine* first = nullptr;
  for (int i = 0; i < kCount; ++i) {
    TJwwEntLine& line = list.emplace_back();
    line.X1 = i;
    if (i == 0) first = &line;
  }
  EXPECT_EQ(&list[0], first);
  ASSERT_EQ(list.size(), static_cast<std::size_t>(kCount));
  double sum = 0;
  for (const TJwwEntLine& line : list) sum += line.X1;
  EXPECT_EQ(sum, kCount * (kCount - 1) / 2.0);
  EXPECT_EQ(list.back().X1, kCount - 1);
  EXPECT_EQ(list.end() - list.begin(), kCount);

  EntityList<TJwwEntLine> copy = list;
  EXPECT_EQ(copy[4321].X1, 4321.0);
  list.clear();
  EXPECT_TRUE(list.empty());
  list.push_back(copy[7]);
  EXPECT_EQ(list[0].X1, 7.0);
  list.release();
  EXPECT_EQ(list.size(), 0u);
}

TEST(ChunkedList, OwnsItsStrings) {
  EntityList<std::string> list;
  for (int i = 0; i < 3000; ++i) list.push_back(std::string(40, static_cast<char>('a' + i % 26)));
  EntityList<std::string> moved = std::move(list);
  EXPECT_EQ(moved[2999], std::string(40, static_cast<char>('a' + 2999 % 26)));
  EXPECT_TRUE(list.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty
}

}  // namespace
