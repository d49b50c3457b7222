#include <string>

#include "tests/support/reader_test.h"

namespace {

using HeaderKeys = ReaderTest;

TEST_F(HeaderKeys, WorkedExampleLineByLine) {
  Read({"lg2 10"});
  EXPECT_EQ(s.Emit.LayerGroup, 2);
  EXPECT_EQ(s.HostLayerGroup, 2);
  EXPECT_EQ(s.GroupValues[2], 10);

  Read({"lgnBase"});
  EXPECT_EQ(s.GroupNames[2], "Base");

  Read({"ly5"});
  EXPECT_EQ(s.Emit.Layer, 5);
  EXPECT_EQ(s.HostLayer, 5);

  Read({"lynWalls"});
  EXPECT_EQ(s.LayerNames[37], "Walls");

  Read({"lc3"});
  EXPECT_EQ(s.Emit.Color, 3);
  EXPECT_EQ(s.HostColor, 3);

  Read({"hp1 10 20"});
  EXPECT_EQ(s.HandPoints[1], (HandPoint{true, 10.0, 20.0, 0}));
  EXPECT_EQ(s.HandPointCount, 1);

  Read({"hp2ln 30 40"});
  EXPECT_EQ(s.HandPoints[2], (HandPoint{true, 30.0, 40.0, 2}));
  EXPECT_EQ(s.HandPointCount, 2);

  Read({"lc5"});
  EXPECT_EQ(s.Emit.Color, 5);
  EXPECT_EQ(s.HostColor, 3);

  Read({"z2"});
  EXPECT_EQ(s.ZFlags, 2);

  Read({"0 0 100 0"});
  ASSERT_EQ(s.LineList.size(), 1u);
  // HandPointRef, LayerGroup, Layer, Color, LineType, LineWidth; ZFlags; PolylineNo; the ends
  EXPECT_EQ(s.LineList[0], (TJwwEntLine{{{0, 2, 5, 5, 1, 0}, 2}, 0, 0.0, 0.0, 100.0, 0.0}));
  EXPECT_EQ(ReadOrderOf(s), (std::vector<ReadOrderEntry>{{kEntLine, 0}}));
  EXPECT_EQ(s.ZFlags, 0);
}

TEST_F(HeaderKeys, LayerNameNeedsTheNameInFieldZero) {
  Read({"lg2", "ly5", "lyn Walls"});
  EXPECT_EQ(s.LayerNames[37], "");
}

struct DigitCase {
  std::string_view line;
  std::int32_t expected;
};

TEST_F(HeaderKeys, LayerGroupAndLayerTakeTheThirdCharacterAsAHexDigit) {
  const DigitCase cases[] = {{"lg", 0},  {"lgA", 10},       {"lga", 10}, {"lg1F", 1},
                             {"lgZ", 0}, {"lg\x82\xA0", 0}, {"lg$", 0},  {"lgf 3", 15}};
  for (const DigitCase& c : cases) {
    InitExchangeState();
    Read({c.line});
    EXPECT_EQ(s.Emit.LayerGroup, c.expected) << c.line;
    EXPECT_EQ(s.HostLayerGroup, c.expected) << c.line;
    const std::string layerLine = "ly" + std::string(c.line.substr(2));
    Read({layerLine});
    EXPECT_EQ(s.Emit.Layer, c.expected) << layerLine;
  }
  EXPECT_EQ(s.GroupValues[15], 3);
  EXPECT_EQ(s.LayerValues[15 * 16 + 15], 3);
}

TEST_F(HeaderKeys, FirstLineOfEachAttributeIsTheHosts) {
  Read({"lg3", "ly4", "lc2", "lt5", "lw7", "cn4", "lg6", "ly8", "lc9", "lt1", "lw2", "cn2"});
  EXPECT_EQ(s.HostLayerGroup, 3);
  EXPECT_EQ(s.HostLayer, 4);
  EXPECT_EQ(s.HostColor, 2);
  EXPECT_EQ(s.HostLineType, 5);
  EXPECT_EQ(s.HostLineWidth, 7);
  EXPECT_EQ(s.HostTextStyle, 4);
  EXPECT_EQ(s.Emit.LayerGroup, 6);
  EXPECT_EQ(s.Emit.Layer, 8);
  EXPECT_EQ(s.Emit.Color, 9);
  EXPECT_EQ(s.Emit.LineType, 1);
  EXPECT_EQ(s.Emit.LineWidth, 2);
  EXPECT_EQ(s.Emit.TextStyle, 2);
  EXPECT_FALSE(s.Emit.LayerGroupUnset || s.Emit.LayerUnset || s.Emit.ColorUnset ||
               s.Emit.LineTypeUnset || s.Emit.LineWidthUnset || s.Emit.TextStyleUnset);
}

TEST_F(HeaderKeys, NoLayerGroupLineLeavesTheHostsAtZero) {
  Read({"ly3", "lc4"});
  EXPECT_EQ(s.HostLayerGroup, 0);
  EXPECT_TRUE(s.Emit.LayerGroupUnset);
}

TEST_F(HeaderKeys, ExtColorOnlyFromColourTenWithASecondField) {
  Read({"lc10 7"});
  EXPECT_EQ(s.Emit.ExtColor, 7);
  Read({"lc10"});
  EXPECT_EQ(s.Emit.ExtColor, 7);
  Read({"lc3 9"});
  EXPECT_EQ(s.Emit.ExtColor, 7);
  EXPECT_EQ(s.Emit.Color, 3);
  Read({"lcx"});  // any key starting with lc is a colour line
  EXPECT_EQ(s.Emit.Color, 0);
}

TEST_F(HeaderKeys, TextStyleAndFreeTextValues) {
  Read({"cn0 2.5 3.5 0.5 4"});
  EXPECT_EQ(s.HostTextStyle, 0);
  EXPECT_EQ(s.HostFreeTextWidth, 2.5);
  EXPECT_EQ(s.HostFreeTextHeight, 3.5);
  EXPECT_EQ(s.HostFreeTextSpacing, 0.5);
  EXPECT_EQ(s.HostFreeTextColor, 4);
  EXPECT_EQ(s.Emit.FreeTextWidth, 2.5);

  Read({"cn3 9 9 9 9"});  // a numbered style leaves the free values alone
  EXPECT_EQ(s.Emit.TextStyle, 3);
  EXPECT_EQ(s.Emit.FreeTextWidth, 2.5);

  Read({"cn0 6 7 8 5"});
  EXPECT_EQ(s.Emit.FreeTextHeight, 7.0);
  EXPECT_EQ(s.Emit.FreeTextColor, 5);
  EXPECT_EQ(s.HostFreeTextHeight, 3.5);

  Read({"cn0 1 1 1"});  // too few values: style 0, sizes unchanged
  EXPECT_EQ(s.Emit.FreeTextWidth, 6.0);
}

TEST_F(HeaderKeys, FirstStyleLineNotFreeKeepsHostFreeDefaults) {
  Read({"cn2", "cn0 6 7 8 5"});
  EXPECT_EQ(s.HostTextStyle, 2);
  EXPECT_EQ(s.HostFreeTextWidth, 2.0);
  EXPECT_EQ(s.Emit.FreeTextWidth, 6.0);
}

TEST_F(HeaderKeys, FontNameAndItsFirstNonEmptyValue) {
  Read({"cn$"});
  EXPECT_EQ(s.Emit.FontName, "");
  EXPECT_EQ(s.HostFontName, "");
  Read({"cn$Mincho", "cn$Gothic"});
  EXPECT_EQ(s.HostFontName, "Mincho");
  EXPECT_EQ(s.Emit.FontName, "Gothic");
  EXPECT_EQ(s.Emit.TextStyle, 1);  // "cn$" is not a text-style line
}

TEST_F(HeaderKeys, TextCodeIsADecimalDigitUpToEight) {
  const DigitCase cases[] = {{"cc3", 3}, {"cc8", 8}, {"cc9", 0},
                             {"ccx", 0}, {"cc", 0},  {"cc12", 1}};
  for (const DigitCase& c : cases) {
    Read({"cc5"});
    Read({c.line});
    EXPECT_EQ(s.Emit.TextCode, c.expected) << c.line;
  }
}

TEST_F(HeaderKeys, ZFlagsPointKindAndModes) {
  Read({"z1", "z3", "z1"});
  EXPECT_EQ(s.ZFlags, 5);
  Read({"z5", "z6", "z0", "z1x"});
  EXPECT_EQ(s.ZFlags, 21);
  Read({"pn4"});
  EXPECT_EQ(s.Emit.PointKind, 4);
  Read({"pl"});
  EXPECT_EQ(s.PolylineNo, 1);
  EXPECT_TRUE(s.InPolyline);
  Read({"msg"});
  EXPECT_TRUE(s.InMessage);
  EXPECT_FALSE(s.InPolyline);
  Read({"pl"});
  EXPECT_FALSE(s.InMessage);
  EXPECT_EQ(s.PolylineNo, 2);
  Read({"#"});
  EXPECT_FALSE(s.InMessage || s.InPolyline);
  Read({"lg1", "msg", "lc2", "hp1 1 1"});  // attribute lines keep the mode
  EXPECT_TRUE(s.InMessage);
}

TEST_F(HeaderKeys, HeaderValues) {
  Read({"hk 30.5", "hzs 420 297", "bz", "hn 1 2 3 4", "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
        "hcw 1 2 3 4 5 6 7 8 9 10", "hch 11 12 13 14 15 16 17 18 19 20",
        "hcd 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0", "hcc 1 2 3 4 5 6 7 8 9 10"});
  EXPECT_EQ(s.HostAngle, 30.5);
  EXPECT_EQ(s.PaperWidth, 420.0);
  EXPECT_EQ(s.PaperHeight, 297.0);
  EXPECT_TRUE(s.BzFlag);
  EXPECT_EQ(s.HnValues[3], 4.0);
  EXPECT_EQ(s.GroupScales[0], 1.0);
  EXPECT_EQ(s.GroupScales[15], 16.0);
  EXPECT_EQ(s.TextStyles[0].Width, 1.0);
  EXPECT_EQ(s.TextStyles[9].Height, 20.0);
  EXPECT_EQ(s.TextStyles[4].Spacing, 0.5);
  EXPECT_EQ(s.TextStyles[9].Color, 10);
  EXPECT_EQ(TotalRecords(s), 0u);
}

TEST_F(HeaderKeys, FileNameIsFieldZeroFromItsSixthCharacter) {
  Read({"file=C:\\Drawings\\my plan.drw"});
  EXPECT_EQ(s.FileName, "C:\\Drawings\\my plan.drw");
  Read({"  file=\tD:\\a"});
  EXPECT_EQ(s.FileName, "D:\\a");
  Read({"xfile=abc"});  // the cut ignores where the key stood
  EXPECT_EQ(s.FileName, "=abc");
}

// Keys whose field condition fails go on to the later tests.
TEST_F(HeaderKeys, ShortHeaderLinesFallThrough) {
  Read({"hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15"});  // 15 values: nothing
  EXPECT_EQ(s.GroupScales[0], 1.0);
  EXPECT_EQ(TotalRecords(s), 0u);
  Read({"hs 5 6 7", "hcw 1 2 3", "hn 4 5 6", "hk"});
  EXPECT_EQ(s.GroupScales[0], 1.0);
  EXPECT_EQ(s.TextStyles[0].Width, 3.0);
  ASSERT_EQ(s.LineList.size(), 3u);
  EXPECT_EQ(s.LineList[0].X1, 0.0);
  EXPECT_EQ(s.LineList[0].Y1, 5.0);
  EXPECT_EQ(s.LineList[2].Y2, 6.0);
  Read({"HK 5"});  // keys are case-sensitive
  EXPECT_EQ(s.HostAngle, 0.0);
}

struct HandPointCase {
  std::string_view line;
  int slot;  // 0: nothing stored
  std::int32_t hitKind;
};

TEST_F(HeaderKeys, IndicatedPoints) {
  const HandPointCase cases[] = {
      {"hp12ln 1 2", 12, 2}, {"hp3 1 2", 3, 0},   {"hp7- 1 2", 7, 1},    {"hp8ci 1 2", 8, 3},
      {"hp9ch 1 2", 9, 4},   {"hp99 1 2", 99, 0}, {"hp4ln 1 2 3", 4, 2}, {"hp1-ln 1 2", 0, 0},
      {"hp100 1 2", 0, 0},   {"hp0 1 2", 0, 0},   {"hp 5 1 2", 0, 0},    {"hpx 1 2", 0, 0},
      {"hp-3 1 2", 0, 0},
  };
  for (const HandPointCase& c : cases) {
    InitExchangeState();
    Read({c.line});
    EXPECT_EQ(s.HandPointCount, c.slot > 0 ? 1 : 0) << c.line;
    EXPECT_EQ(TotalRecords(s), 0u) << c.line;  // taken by the point key, never a bare line
    if (c.slot > 0) {
      EXPECT_EQ(s.HandPoints[static_cast<std::size_t>(c.slot)], (HandPoint{true, 1, 2, c.hitKind}))
          << c.line;
    }
  }
}

TEST_F(HeaderKeys, IndicatedPointRepeatedOrTooShort) {
  Read({"hp5 1 2", "hp5ln 3 4", "hp6 9"});
  EXPECT_EQ(s.HandPointCount, 2);
  EXPECT_EQ(s.HandPoints[5].X, 3.0);
  EXPECT_EQ(s.HandPoints[5].HitKind, 2);
  EXPECT_FALSE(s.HandPoints[6].Used);
  EXPECT_FALSE(s.HandPoints[0].Used);
}

TEST_F(HeaderKeys, HandPointReference) {
  const DigitCase cases[] = {{"hhp12ln", 12}, {"hhp7", 7}, {"hhp5-", 0}, {"hhp3ci", 3},
                             {"hhp44ch", 44}, {"hhp", 0},  {"hhpln5", 0}};
  for (const DigitCase& c : cases) {
    Read({"hhp9"});
    Read({c.line});
    EXPECT_EQ(s.Emit.HandPointRef, c.expected) << c.line;
  }
  Read({"hhp4", "ci 0 0 1", "lc3", "1 2 3 4"});
  EXPECT_EQ(s.CircleList[0].HandPointRef, 4);
  EXPECT_EQ(s.LineList[0].HandPointRef, 4);
}

}  // namespace
