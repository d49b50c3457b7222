#include <string>

#include "tests/support/reader_test.h"
#include "tests/support/state_fields.h"

namespace {

using HeaderKeys = ReaderTest;

// What each line changes after those before it: whole state, so fields left alone count too.
TEST_F(HeaderKeys, EachLineChangesItsFieldsAndNoOthers) {
  const struct {
    const char *what, *prior, *lines, *changes;
  } kCases[] = {
      {"a layer group and its scale", "", "lg2 10",
       "GroupValues[2] 10|HostLayerGroup 2|Emit.LayerGroup 2|Emit.LayerGroupUnset false"},
      {"the group's name", "lg2 10", "lgnBase", "GroupNames[2] \"Base\""},
      {"a layer", "lg2 10", "ly5", "HostLayer 5|Emit.Layer 5|Emit.LayerUnset false"},
      {"the layer's name", "lg2 10|ly5", "lynWalls", "LayerNames[37] \"Walls\""},
      {"a colour", "", "lc3", "HostColor 3|Emit.Color 3|Emit.ColorUnset false"},
      {"an indicated point", "", "hp1 10 20",
       "HandPoints[1].Used true|HandPoints[1].X 0x1.4p+3|HandPoints[1].Y 0x1.4p+4|"
       "HandPointCount 1"},
      {"one hit on a line", "hp1 10 20", "hp2ln 30 40",
       "HandPoints[2].Used true|HandPoints[2].X 0x1.ep+4|HandPoints[2].Y 0x1.4p+5|"
       "HandPoints[2].HitKind 2|HandPointCount 2"},
      {"a second colour is not the host's", "lc3", "lc5", "Emit.Color 5"},
      {"a z flag", "", "z2", "ZFlags 2"},
      {"a bare line takes the attributes, clears the z flags", "lg2|ly5|lc3|lc5|z2", "0 0 100 0",
       "ZFlags 0|LineList.size 1|LineList[0].HandPointRef 0|LineList[0].LayerGroup 2|"
       "LineList[0].Layer 5|LineList[0].Color 5|LineList[0].LineType 1|"
       "LineList[0].LineWidth 0|LineList[0].ZFlags 2|LineList[0].PolylineNo 0|"
       "LineList[0].X1 0x0p+0|LineList[0].Y1 0x0p+0|LineList[0].X2 0x1.9p+6|"
       "LineList[0].Y2 0x0p+0|ReadOrder.size 1|ReadOrder[0].Kind 1|ReadOrder[0].Index 0"},
      {"a layer name needs the name in field 0", "lg2|ly5", "lyn Walls", ""},
      {"the first line of each attribute is the host's", "",
       "lg3|ly4|lc2|lt5|lw7|cn4|lg6|ly8|lc9|lt1|lw2|cn2",
       "HostLayerGroup 3|HostLayer 4|HostColor 2|HostLineType 5|HostLineWidth 7|"
       "HostTextStyle 4|Emit.LayerGroup 6|Emit.Layer 8|Emit.Color 9|Emit.LineWidth 2|"
       "Emit.TextStyle 2|Emit.LayerGroupUnset false|Emit.LayerUnset false|"
       "Emit.ColorUnset false|Emit.LineTypeUnset false|Emit.LineWidthUnset false|"
       "Emit.TextStyleUnset false"},
      {"no layer group line leaves the host's at 0", "", "ly3|lc4",
       "HostLayer 3|HostColor 4|Emit.Layer 3|Emit.Color 4|Emit.LayerUnset false|"
       "Emit.ColorUnset false"},
      {"extended colour from colour 10 with a second field", "", "lc10 7",
       "HostColor 10|Emit.Color 10|Emit.ExtColor 7|Emit.ColorUnset false"},
      {"extended colour: colour 10 alone", "lc10 7", "lc10", ""},
      {"extended colour: another colour's second field", "lc10 7", "lc3 9", "Emit.Color 3"},
      {"any key starting with lc is a colour line", "lc3", "lcx", "Emit.Color 0"},
      {"free text style and values", "", "cn0 2.5 3.5 0.5 4",
       "HostTextStyle 0|HostFreeTextWidth 0x1.4p+1|HostFreeTextHeight 0x1.cp+1|"
       "HostFreeTextSpacing 0x1p-1|HostFreeTextColor 4|Emit.TextStyle 0|"
       "Emit.FreeTextWidth 0x1.4p+1|Emit.FreeTextHeight 0x1.cp+1|"
       "Emit.FreeTextSpacing 0x1p-1|Emit.FreeTextColor 4|Emit.TextStyleUnset false"},
      {"a numbered style leaves the free values alone", "cn0 2.5 3.5 0.5 4", "cn3 9 9 9 9",
       "Emit.TextStyle 3"},
      {"later free values are not the host's", "cn0 2.5 3.5 0.5 4|cn3 9 9 9 9", "cn0 6 7 8 5",
       "Emit.TextStyle 0|Emit.FreeTextWidth 0x1.8p+2|Emit.FreeTextHeight 0x1.cp+2|"
       "Emit.FreeTextSpacing 0x1p+3|Emit.FreeTextColor 5"},
      {"too few values: style 0, sizes unchanged", "cn0 6 7 8 5|cn3", "cn0 1 1 1",
       "Emit.TextStyle 0"},
      {"the first style line not free keeps the host's free defaults", "", "cn2|cn0 6 7 8 5",
       "HostTextStyle 2|Emit.TextStyle 0|Emit.FreeTextWidth 0x1.8p+2|"
       "Emit.FreeTextHeight 0x1.cp+2|Emit.FreeTextSpacing 0x1p+3|Emit.FreeTextColor 5|"
       "Emit.TextStyleUnset false"},
      {"an empty font name", "", "cn$", "Emit.FontName \"\""},
      {"the first non-empty font name is the host's", "", "cn$|cn$Mincho|cn$Gothic",
       "HostFontName \"Mincho\"|Emit.FontName \"Gothic\""},
      {"z flags are or-ed bits", "", "z1|z3|z1", "ZFlags 5"},
      {"z flags: 0, and a key with more after it", "z1|z3|z1", "z5|z6|z0|z1x", "ZFlags 21"},
      {"point kind", "", "pn4", "Emit.PointKind 4"},
      {"polyline", "", "pl", "PolylineNo 1|InPolyline true"},
      {"a message ends the polyline", "pl", "msg", "InPolyline false|InMessage true"},
      {"a polyline ends the message, numbered on", "pl|msg", "pl",
       "PolylineNo 2|InPolyline true|InMessage false"},
      {"# ends both", "pl|msg|pl", "#", "InPolyline false"},
      {"attribute lines keep the mode", "msg", "lg1|lc2|hp1 1 1",
       "HostLayerGroup 1|HostColor 2|Emit.LayerGroup 1|Emit.Color 2|"
       "Emit.LayerGroupUnset false|Emit.ColorUnset false|HandPoints[1].Used true|"
       "HandPoints[1].X 0x1p+0|HandPoints[1].Y 0x1p+0|HandPointCount 1"},
      {"15 group scales are nothing", "", "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15", ""},
      {"keys are case-sensitive", "", "HK 5", ""},
      {"file name: field 0 from its sixth character", "", "file=C:\\Drawings\\my plan.drw",
       "FileName \"C:\\x5CDrawings\\x5Cmy plan.drw\""},
      {"file name after blanks", "", "  file=\tD:\\a", "FileName \"D:\\x5Ca\""},
      {"file name: the cut ignores where the key stood", "", "xfile=abc", "FileName \"=abc\""},
      {"an indicated point repeated or too short", "", "hp5 1 2|hp5ln 3 4|hp6 9",
       "HandPoints[5].Used true|HandPoints[5].X 0x1.8p+1|HandPoints[5].Y 0x1p+2|"
       "HandPoints[5].HitKind 2|HandPointCount 2"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ChangesOf(c.prior, c.lines), c.changes);
  }
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
  EXPECT_TRUE(StateHolds("", "GroupValues[15] 3|LayerValues[255] 3"));  // group 15, layer 15
}

TEST_F(HeaderKeys, TextCodeIsADecimalDigitUpToEight) {
  const DigitCase cases[] = {{"cc3", 3}, {"cc8", 8}, {"cc9", 0},
                             {"ccx", 0}, {"cc", 0},  {"cc12", 1}};
  for (const DigitCase& c : cases) {
    Read({"cc5", c.line});
    EXPECT_EQ(s.Emit.TextCode, c.expected) << c.line;
  }
}

TEST_F(HeaderKeys, HeaderValues) {
  Read({"hk 30.5", "hzs 420 297", "bz", "hn 1 2 3 4", "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
        "hcw 1 2 3 4 5 6 7 8 9 10", "hch 11 12 13 14 15 16 17 18 19 20",
        "hcd 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0", "hcc 1 2 3 4 5 6 7 8 9 10"});
  EXPECT_TRUE(StateHolds("",
                         "HostAngle 30.5|PaperWidth 420|PaperHeight 297|BzFlag true|"
                         "HnValues[3] 4|GroupScales[0] 1|GroupScales[15] 16"));
  EXPECT_TRUE(StateHolds("TextStyles", "[0].Width 1|[9].Height 20|[4].Spacing 0.5|[9].Color 10"));
  EXPECT_EQ(TotalRecords(s), 0u);
}

// Keys whose field condition fails go on to the later tests.
TEST_F(HeaderKeys, ShortHeaderLinesFallThrough) {
  Read({"hs 5 6 7", "hcw 1 2 3", "hn 4 5 6", "hk"});
  EXPECT_TRUE(StateHolds("", "GroupScales[0] 1|TextStyles[0].Width 3|LineList.size 3"));
  EXPECT_TRUE(StateHolds("LineList", "[0].X1 0|[0].Y1 5|[2].Y2 6"));
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

TEST_F(HeaderKeys, HandPointReference) {
  const DigitCase cases[] = {{"hhp12ln", 12}, {"hhp7", 7}, {"hhp5-", 0}, {"hhp3ci", 3},
                             {"hhp44ch", 44}, {"hhp", 0},  {"hhpln5", 0}};
  for (const DigitCase& c : cases) {
    Read({"hhp9", c.line});
    EXPECT_EQ(s.Emit.HandPointRef, c.expected) << c.line;
  }
  Read({"hhp4", "ci 0 0 1", "lc3", "1 2 3 4"});
  EXPECT_EQ(s.CircleList[0].HandPointRef, 4);
  EXPECT_EQ(s.LineList[0].HandPointRef, 4);
}

}  // namespace
