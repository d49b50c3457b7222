#include <algorithm>
#include <string>

#include "exchange/reading/reader_dispatch.h"
#include "tests/support/reader_test.h"
#include "tests/support/state_fields.h"

namespace {

using EntityLines = ReaderTest;

struct KindCase {
  std::string_view lines;
  std::int32_t kind;  // 0: the line is ignored
};

// Which list a line lands in, including every fall-through to the bare line.
TEST_F(EntityLines, DispatchByKeyAndFieldCount) {
  // Lines parted by '|'; "ci 10 20 5 " has a trailing blank, which adds a field.
  const KindCase cases[] = {
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
  for (const KindCase& c : cases) {
    for (std::string_view rest = c.lines; !rest.empty();) {
      const std::string_view line = rest.substr(0, rest.find('|'));
      rest.remove_prefix(std::min(rest.size(), line.size() + 1));
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
}

TEST_F(EntityLines, DimensionWithoutNewLineRepeatsThePendingOne) {
  Read({"msg", "cs 1 2 3 4 a"});
  EXPECT_EQ(s.DimList[0].Line, TJwwEntLine({{}, 0, 0, 0, 1, 0}));  // the default pending line
  Read({"msg", "5 5 6 6", "cs 1 2 3 4 b", "msg", "cs 1 2 3 4 c"});
  ASSERT_EQ(s.DimList.size(), 3u);
  EXPECT_EQ(s.DimList[2].Line, TJwwEntLine({{}, 0, 5, 5, 6, 6}));
}

TEST_F(EntityLines, TextStyleDecidesSizeAndColour) {
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
}

TEST_F(EntityLines, TextKindCodes) {
  const std::string_view keys[] = {"ch", "cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2"};
  for (const std::string_view key : keys) Read({std::string(key) + " 1 2 3 4 t"});
  ASSERT_EQ(s.TextList.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(s.TextList[i].TextKind, static_cast<int>(i));
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
