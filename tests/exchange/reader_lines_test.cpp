// What each line of the exchange file does: header, table, attribute, mode and indicated-point
// keys change their fields and no others; entity lines land in their lists with their values.
#include <array>
#include <string>
#include <string_view>

#include "exchange/reading/reader_dispatch.h"
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

// Layer group and layer take the third character as a hexadecimal digit, the text code a
// decimal digit up to 8, the indicated-point reference the number before its suffix (and later
// entities take it); the layer group rows come last, the last one holding a value (group 15,
// layer 15).
TEST_F(HeaderKeys, DigitsOfTheKey) {
  const struct {
    std::string_view line;
    std::int32_t expected;
  } kCases[] = {
      {"cc3", 3},        {"cc8", 8},  {"cc9", 0},    {"ccx", 0},    {"cc", 0},       {"cc12", 1},
      {"hhp12ln", 12},   {"hhp7", 7}, {"hhp5-", 0},  {"hhp3ci", 3}, {"hhp44ch", 44}, {"hhp", 0},
      {"hhpln5", 0},     {"lg", 0},   {"lgA", 10},   {"lga", 10},   {"lg1F", 1},     {"lgZ", 0},
      {"lg\x82\xA0", 0}, {"lg$", 0},  {"lgf 3", 15},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    InitExchangeState();
    if (c.line.starts_with("lg")) {  // the layer line "ly" and the same rest
      Read({c.line, "ly" + std::string(c.line.substr(2))});
      EXPECT_EQ((std::array{s.HostLayerGroup, s.Emit.LayerGroup, s.Emit.Layer}),
                (std::array{c.expected, c.expected, c.expected}));
    } else {
      const bool textCode = c.line.starts_with("cc");
      Read({textCode ? "cc5" : "hhp9", c.line});
      EXPECT_EQ(textCode ? s.Emit.TextCode : s.Emit.HandPointRef, c.expected);
    }
  }
  EXPECT_TRUE(StateHolds("", "GroupValues[15] 3|LayerValues[255] 3"));
  Read({"hhp4", "ci 0 0 1", "lc3", "1 2 3 4"});
  EXPECT_TRUE(StateHolds("", "CircleList[0].HandPointRef 4|LineList[0].HandPointRef 4"));
}

TEST_F(HeaderKeys, HeaderValuesAndShortLinesFallingThrough) {
  Read({"hk 30.5", "hzs 420 297", "bz", "hn 1 2 3 4", "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
        "hcw 1 2 3 4 5 6 7 8 9 10", "hch 11 12 13 14 15 16 17 18 19 20",
        "hcd 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0", "hcc 1 2 3 4 5 6 7 8 9 10"});
  EXPECT_TRUE(StateHolds("",
                         "HostAngle 30.5|PaperWidth 420|PaperHeight 297|BzFlag true|"
                         "HnValues[3] 4|GroupScales[0] 1|GroupScales[15] 16"));
  EXPECT_TRUE(StateHolds("TextStyles", "[0].Width 1|[9].Height 20|[4].Spacing 0.5|[9].Color 10"));
  EXPECT_EQ(TotalRecords(s), 0u);
  // Keys whose field condition fails go on to the later tests.
  InitExchangeState();
  Read({"hs 5 6 7", "hcw 1 2 3", "hn 4 5 6", "hk"});
  EXPECT_TRUE(StateHolds("", "GroupScales[0] 1|TextStyles[0].Width 3|LineList.size 3"));
  EXPECT_TRUE(StateHolds("LineList", "[0].X1 0|[0].Y1 5|[2].Y2 6"));
}

TEST_F(HeaderKeys, IndicatedPoints) {
  const struct {
    std::string_view line;
    int slot;  // 0: nothing stored
    std::int32_t hitKind;
  } cases[] = {
      {"hp12ln 1 2", 12, 2}, {"hp3 1 2", 3, 0},   {"hp7- 1 2", 7, 1},    {"hp8ci 1 2", 8, 3},
      {"hp9ch 1 2", 9, 4},   {"hp99 1 2", 99, 0}, {"hp4ln 1 2 3", 4, 2}, {"hp1-ln 1 2", 0, 0},
      {"hp100 1 2", 0, 0},   {"hp0 1 2", 0, 0},   {"hp 5 1 2", 0, 0},    {"hpx 1 2", 0, 0},
      {"hp-3 1 2", 0, 0},
  };
  for (const auto& c : cases) {
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

using EntityLines = ReaderTest;

// Which list a line lands in, including every fall-through to the bare line.
TEST_F(EntityLines, DispatchByKeyAndFieldCount) {
  // Lines parted by '|'; "ci 10 20 5 " has a trailing blank, which adds a field.
  const struct {
    std::string_view lines;
    std::int32_t kind;  // 0: the line is ignored
  } cases[] = {
      {"ci 10 20 5", kEntCircle},
      {"ci 10 20 5 0 0 0.5 30|ci 1 2 3 4 5 6 7 8", kEntArc},
      {"ci 10 20 5 1|ci 10 20 5 1 2 3|ci 1 2|pt 1 2 3 4|ch 1 2 3 4|cx 1 2 3 4 x|BL 5 6|sl 1 2 3 4 "
       "5|sl 1 2 3 4 5 6 7|sc 1 2 3 4 5 6 7|sx 1 2 3 4 5 6 7 8|1 2 3 4 |1 2 3|ci 10 20 5 ",
       0},
      {"pt 1 2", kEntPoint},
      {"pt 1 2 3|ch 1 2 3|bl 5 6 name|sl 1 2 3|sc 1 2 3|1 2 3 4|CI 1 2 3|anything 1 2 3", kEntLine},
      {"pt 1 2 3 4 5", kEntPointEx},
      {"ch 1 2 3 4 x|c2 1 2 3 4 x y|cs 1 2 3 4 x", kEntText},
      {"BL 5 6 name7|BL 5 6 n 8", kEntBlock},
      {"sl 1 2 3 4", kEntSl2},
      {"sl 1 2 3 4 5 6", kEntSl3},
      {"sl 1 2 3 4 5 6 7 8|sl 1 2 3 4 5 6 7 8 9", kEntSl4},
      {"sc 1 2 3 4 5 6 7 8", kEntSc},
      {"se 1 2 3 4 5 6 7 8", kEntSe},
      {"so 1 2 3 4 5 6 7 8", kEntSo},
      {"sg 1 2 3 4 5 6 7 8", kEntSg},
  };
  for (const auto& c : cases) {
    for (const std::string& line : Parted(c.lines)) {
      InitExchangeState();
      Read({line});
      const std::vector<ReadOrderEntry> none, one = {{c.kind, 0}};
      EXPECT_EQ(ReadOrderOf(s), c.kind == 0 ? none : one) << line;
      EXPECT_EQ(TotalRecords(s), s.ReadOrder.size()) << line;
    }
  }
}

TEST_F(EntityLines, FieldValuesOfEachKind) {
  Read({"lc10 6", "pn3", "ci 10 20 5", "ci 10 20 5 1 2 0.5 30 99", "ch 1 2 3 4 hello world",
        "pt 1 2", "pt 1 2 3.5 4.5 5", "BL 5 6 name7 extra", "sl 1 2 3 4", "sl 1 2 3 4 5 6",
        "sl 1 2 3 4 5 6 7 8", "sc 1 2 3 4 5 6 7 8.9", "se 1 2 3 4 5 6 7 8", "so 1 2 3 4 5 6 7 8",
        "sg 1 2 3 4 5 6 7 8", "pt 1 2 3"});
  EXPECT_TRUE(StateHolds("CircleList[0].", "CenterX 10|CenterY 20|Radius 5"));
  EXPECT_TRUE(
      StateHolds("ArcList[0].", "Radius 5|Value4 1|Value5 2|Flattening 0.5|Tilt 30|Color 10"));
  // Blanks still split without a quote.
  EXPECT_TRUE(StateHolds("TextList[0].", "TextKind 0|Value1 1|Value4 4|Content \"hello\""));
  EXPECT_EQ(s.TextList[0].FontName, kDefaultFontName);
  // The point kind stands in the colour position.
  EXPECT_TRUE(StateHolds("PointList[0].", "Color 3|X 1|Y 2"));
  EXPECT_TRUE(StateHolds("PointExList[0].", "Color 3|Value3 3.5|Value4 4.5|Value5 5"));
  EXPECT_TRUE(StateHolds("BlockList[0].", "X 5|Y 6|Name \"name7\""));
  EXPECT_TRUE(StateHolds("", "Sl2List[0].Value[3] 4|Sl3List[0].Value[5] 6|Sl4List[0].Value[7] 8"));
  EXPECT_TRUE(StateHolds("", "Sl4List[0].ExtColor 6|ScList[0].Value[6] 7|SeList[0].Value8 8"));
  // 8.9 is no integer.
  EXPECT_TRUE(StateHolds("", "ScList[0].Value8 0|SoList[0].Value[7] 8|SgList[0].ExtColor 6"));
  // pt 1 2 3: the key reads as 0
  EXPECT_EQ(s.LineList[0], (TJwwEntLine{{{0, 0, 0, 10, 1, 0}, 0}, 0, 0.0, 1.0, 2.0, 3.0}));
}

// Lines whose effect shows only in what later lines make, checked after the last line.
TEST_F(EntityLines, EffectsOnLaterLines) {
  const struct {
    const char *what, *lines, *fields;
  } kCases[] = {
      {"no extended colour without a colour ten line", "lc5 7|sl 1 2 3 4 5 6 7 8",
       "Sl4List[0].ExtColor 0"},
      {"polyline numbering ends with another entity",
       "pl|pl|1 1 2 2|2 2 3 3|3 3 4 4|ci 0 0 1|4 4 5 5|pl|5 5 6 6|#|6 6 7 7",
       "LineList.size 6|LineList[0].PolylineNo 2|LineList[2].PolylineNo 2|"
       "LineList[3].PolylineNo 0|LineList[4].PolylineNo 3|LineList[5].PolylineNo 0"},
      {"other text in message mode is plain text and ends the mode",
       "msg|0 0 10 0|ch 1 2 3 4 t|cs 1 2 3 4 u",
       "DimList.size 0|TextList.size 2|TextList[1].TextKind 2|InMessage false"},
      {"an entity before any attribute line has the default attributes", "1 2 3 4",
       "LineList[0].HandPointRef 0|LineList[0].LayerGroup 0|LineList[0].Layer 0|"
       "LineList[0].Color 1|LineList[0].LineType 1|LineList[0].LineWidth 0|LineList[0].ZFlags 0"},
      {"z flags apply to the next entity only; an ignored line keeps them",
       "z1|z3|ci 0 0 1|ci 0 0 2|z2|pl|z4|1 1 2 2|2 2 3 3|z5|ci 1 2",
       "CircleList[0].ZFlags 5|CircleList[1].ZFlags 0|LineList[0].ZFlags 10|"
       "LineList[1].ZFlags 0|ZFlags 16"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    InitExchangeState();
    ReadParted(c.lines);
    EXPECT_TRUE(StateHolds("", c.fields));
  }
}

TEST_F(EntityLines, PolylineAttributesAndReadOrder) {
  Read({"lg3", "ly5", "lc2", "pl", "10 10 20 10", "20 10 20 20", "ci 0 0 5"});
  ASSERT_TRUE(StateHolds("", "LineList.size 2|CircleList.size 1|InPolyline false"));
  EXPECT_EQ(s.LineList[0], (TJwwEntLine{{{0, 3, 5, 2, 1, 0}, 0}, 1, 10, 10, 20, 10}));
  EXPECT_EQ(s.LineList[1], (TJwwEntLine{{{0, 3, 5, 2, 1, 0}, 0}, 1, 20, 10, 20, 20}));
  EXPECT_EQ(static_cast<const CommonAttributes&>(s.CircleList[0]),
            (CommonAttributes{{0, 3, 5, 2, 1, 0}, 0}));
  EXPECT_EQ(ReadOrderOf(s),
            (std::vector<ReadOrderEntry>{{kEntLine, 0}, {kEntLine, 1}, {kEntCircle, 0}}));
}

TEST_F(EntityLines, MessageModeMakesDimensions) {
  const TJwwEntLine pending{{{0, 0, 0, 4, 1, 0}, 0}, 0, 0, 0, 10, 0};
  Read({"lc4", "msg", "0 0 10 0"});
  EXPECT_TRUE(StateHolds("", "LineList.size 0|ReadOrder.size 0|InMessage true"));
  EXPECT_EQ(s.PendingDimLine, pending);

  Read({"cn5", "cs 1 2 3 4 \"10.00 mm"});
  ASSERT_TRUE(StateHolds("", "DimList.size 1|TextList.size 0|InMessage false"));
  EXPECT_EQ(ReadOrderOf(s), (std::vector<ReadOrderEntry>{{kEntDim, 0}}));
  EXPECT_EQ(s.DimList[0].Line, pending);
  // The text takes the colour of text style 5.
  EXPECT_TRUE(StateHolds("DimList[0].",
                         "Color 4|Text.TextKind 2|Text.Content \"10.00 mm\"|"
                         "Text.TextStyle 5|Text.Color 2|Text.Width 3"));
  // A dimension without a new line repeats the pending one.
  InitExchangeState();
  Read({"msg", "cs 1 2 3 4 a"});
  EXPECT_EQ(s.DimList[0].Line, TJwwEntLine({{}, 0, 0, 0, 1, 0}));  // the default pending line
  Read({"msg", "5 5 6 6", "cs 1 2 3 4 b", "msg", "cs 1 2 3 4 c"});
  ASSERT_EQ(s.DimList.size(), 3u);
  EXPECT_EQ(s.DimList[2].Line, TJwwEntLine({{}, 0, 5, 5, 6, 6}));
}

TEST_F(EntityLines, TextStyleDecidesSizeAndColourAndTheKeyTheKind) {
  Read({"hcw 1 2 3 4 5 6 7 8 9 10", "hcc 11 12 13 14 15 16 17 18 19 20", "cc4", "cn$Mincho", "cn10",
        "ct 1 2 3 4 x", "cn0 4 5 0.5 7", "cv 1 2 3 4 y", "cn12", "c2 1 2 3 4 z", "cn-1",
        "ck 1 2 3 4 w"});
  EXPECT_TRUE(StateHolds("TextList[0].",
                         "TextKind 6|Width 10|Height 3|Color 20|TextCode 4|"
                         "FontName \"Mincho\""));
  for (const char* text : {"TextList[1].", "TextList[2].", "TextList[3]."}) {
    EXPECT_TRUE(StateHolds(text, "Width 4|Height 5|Spacing 0.5|Color 7"));  // styles 0, 12, -1
  }
  EXPECT_TRUE(StateHolds("", "TextList.size 4|TextList[2].TextStyle 12|TextList[3].TextKind 7"));
  // The key gives the kind: the ten kinds after those four texts.
  const std::string_view keys[] = {"ch", "cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2"};
  for (const std::string_view key : keys) Read({std::string(key) + " 1 2 3 4 t"});
  ASSERT_EQ(s.TextList.size(), 14u);
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(s.TextList[4 + i].TextKind, static_cast<int>(i));
}

TEST_F(EntityLines, ReadOrderIndexesPerList) {
  Read({"ci 0 0 1", "1 2 3 4", "ci 0 0 2", "pt 1 2", "1 2 3 4", "msg", "0 0 1 1", "cs 1 2 3 4 d",
        "ch 1 2 3 4 t", "ci 0 0 3"});
  const std::vector<ReadOrderEntry> order = {{kEntCircle, 0}, {kEntLine, 0},  {kEntCircle, 1},
                                             {kEntPoint, 0},  {kEntLine, 1},  {kEntDim, 0},
                                             {kEntText, 0},   {kEntCircle, 2}};
  EXPECT_EQ(ReadOrderOf(s), order);
  EXPECT_EQ(TotalRecords(s), s.ReadOrder.size());
}

TEST_F(EntityLines, EntityStageCalledDirectly) {
  FieldTable table{{"ci", "1", "2", "3"}, 4};
  ParseEntityLine(table);
  ASSERT_EQ(s.CircleList.size(), 1u);
  table.FieldCount = 99;  // a broken count is ignored, never read past the table
  ParseEntityLine(table);
  EXPECT_EQ(s.ReadOrder.size(), 1u);
}

}  // namespace
