#include <algorithm>
#include <string>

#include "exchange/reading/reader_dispatch.h"
#include "tests/support/reader_test.h"

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
  EXPECT_EQ(s.CircleList[0].CenterX, 10.0);
  EXPECT_EQ(s.CircleList[0].CenterY, 20.0);
  EXPECT_EQ(s.CircleList[0].Radius, 5.0);
  const TJwwEntArc& arc = s.ArcList[0];
  EXPECT_EQ(arc.Radius, 5.0);
  EXPECT_EQ(arc.Value4, 1.0);
  EXPECT_EQ(arc.Value5, 2.0);
  EXPECT_EQ(arc.Flattening, 0.5);
  EXPECT_EQ(arc.Tilt, 30.0);
  EXPECT_EQ(arc.Color, 10);

  const TJwwEntText& text = s.TextList[0];
  EXPECT_EQ(text.TextKind, 0);
  EXPECT_EQ(text.Value1, 1.0);
  EXPECT_EQ(text.Value4, 4.0);
  EXPECT_EQ(text.Content, "hello");  // blanks still split without a quote
  EXPECT_EQ(text.FontName, kDefaultFontName);

  EXPECT_EQ(s.PointList[0].Color, 3);  // the point kind stands in the colour position
  EXPECT_EQ(s.PointList[0].X, 1.0);
  EXPECT_EQ(s.PointList[0].Y, 2.0);
  const TJwwEntPointEx& pointEx = s.PointExList[0];
  EXPECT_EQ(pointEx.Color, 3);
  EXPECT_EQ(pointEx.Value3, 3.5);
  EXPECT_EQ(pointEx.Value4, 4.5);
  EXPECT_EQ(pointEx.Value5, 5);

  EXPECT_EQ(s.BlockList[0].X, 5.0);
  EXPECT_EQ(s.BlockList[0].Y, 6.0);
  EXPECT_EQ(s.BlockList[0].Name, "name7");

  EXPECT_EQ(s.Sl2List[0].Value[3], 4.0);
  EXPECT_EQ(s.Sl3List[0].Value[5], 6.0);
  EXPECT_EQ(s.Sl4List[0].Value[7], 8.0);
  EXPECT_EQ(s.Sl4List[0].ExtColor, 6);
  EXPECT_EQ(s.ScList[0].Value[6], 7.0);
  EXPECT_EQ(s.ScList[0].Value8, 0);  // 8.9 is no integer
  EXPECT_EQ(s.SeList[0].Value8, 8);
  EXPECT_EQ(s.SoList[0].Value[7], 8.0);
  EXPECT_EQ(s.SgList[0].ExtColor, 6);

  // pt 1 2 3: the key reads as 0
  EXPECT_EQ(s.LineList[0], (TJwwEntLine{{{0, 0, 0, 10, 1, 0}, 0}, 0, 0.0, 1.0, 2.0, 3.0}));
}

TEST_F(EntityLines, ExtColorIsZeroWithoutAColourTenLine) {
  Read({"lc5 7", "sl 1 2 3 4 5 6 7 8"});
  EXPECT_EQ(s.Sl4List[0].ExtColor, 0);
}

TEST_F(EntityLines, PolylineAttributesAndReadOrder) {
  Read({"lg3", "ly5", "lc2", "pl", "10 10 20 10", "20 10 20 20", "ci 0 0 5"});
  ASSERT_EQ(s.LineList.size(), 2u);
  EXPECT_EQ(s.LineList[0], (TJwwEntLine{{{0, 3, 5, 2, 1, 0}, 0}, 1, 10, 10, 20, 10}));
  EXPECT_EQ(s.LineList[1], (TJwwEntLine{{{0, 3, 5, 2, 1, 0}, 0}, 1, 20, 10, 20, 20}));
  ASSERT_EQ(s.CircleList.size(), 1u);
  EXPECT_EQ(static_cast<const CommonAttributes&>(s.CircleList[0]),
            (CommonAttributes{{0, 3, 5, 2, 1, 0}, 0}));
  EXPECT_EQ(ReadOrderOf(s),
            (std::vector<ReadOrderEntry>{{kEntLine, 0}, {kEntLine, 1}, {kEntCircle, 0}}));
  EXPECT_FALSE(s.InPolyline);
}

TEST_F(EntityLines, PolylineNumberingEndsWithAnotherEntity) {
  Read({"pl", "pl", "1 1 2 2", "2 2 3 3", "3 3 4 4", "ci 0 0 1", "4 4 5 5", "pl", "5 5 6 6"});
  ASSERT_EQ(s.LineList.size(), 5u);
  EXPECT_EQ(s.LineList[0].PolylineNo, 2);
  EXPECT_EQ(s.LineList[2].PolylineNo, 2);
  EXPECT_EQ(s.LineList[3].PolylineNo, 0);
  EXPECT_EQ(s.LineList[4].PolylineNo, 3);
  Read({"#", "6 6 7 7"});
  EXPECT_EQ(s.LineList[5].PolylineNo, 0);
}

TEST_F(EntityLines, MessageModeMakesDimensions) {
  Read({"lc4", "msg", "0 0 10 0"});
  EXPECT_EQ(s.LineList.size(), 0u);
  EXPECT_EQ(s.ReadOrder.size(), 0u);
  EXPECT_TRUE(s.InMessage);
  EXPECT_EQ(s.PendingDimLine, (TJwwEntLine{{{0, 0, 0, 4, 1, 0}, 0}, 0, 0, 0, 10, 0}));

  Read({"cn5", "cs 1 2 3 4 \"10.00 mm"});
  ASSERT_EQ(s.DimList.size(), 1u);
  EXPECT_EQ(s.TextList.size(), 0u);
  EXPECT_EQ(ReadOrderOf(s), (std::vector<ReadOrderEntry>{{kEntDim, 0}}));
  const TJwwEntDim& dim = s.DimList[0];
  EXPECT_EQ(dim.Color, 4);
  EXPECT_EQ(dim.Line, (TJwwEntLine{{{0, 0, 0, 4, 1, 0}, 0}, 0, 0, 0, 10, 0}));
  EXPECT_EQ(dim.Text.TextKind, 2);
  EXPECT_EQ(dim.Text.Content, "10.00 mm");
  EXPECT_EQ(dim.Text.TextStyle, 5);
  EXPECT_EQ(dim.Text.Color, 2);  // the colour of text style 5
  EXPECT_EQ(dim.Text.Width, 3.0);
  EXPECT_FALSE(s.InMessage);
}

TEST_F(EntityLines, DimensionWithoutNewLineRepeatsThePendingOne) {
  Read({"msg", "cs 1 2 3 4 a"});
  EXPECT_EQ(s.DimList[0].Line, TJwwEntLine({{}, 0, 0, 0, 1, 0}));  // the default pending line
  Read({"msg", "5 5 6 6", "cs 1 2 3 4 b", "msg", "cs 1 2 3 4 c"});
  ASSERT_EQ(s.DimList.size(), 3u);
  EXPECT_EQ(s.DimList[2].Line, TJwwEntLine({{}, 0, 5, 5, 6, 6}));
}

TEST_F(EntityLines, OtherTextInMessageModeIsPlainTextAndEndsTheMode) {
  Read({"msg", "0 0 10 0", "ch 1 2 3 4 t", "cs 1 2 3 4 u"});
  EXPECT_EQ(s.DimList.size(), 0u);
  ASSERT_EQ(s.TextList.size(), 2u);
  EXPECT_EQ(s.TextList[1].TextKind, 2);
  EXPECT_FALSE(s.InMessage);
}

TEST_F(EntityLines, ZFlagsApplyToTheNextEntityOnly) {
  Read({"z1", "z3", "ci 0 0 1", "ci 0 0 2"});
  EXPECT_EQ(s.CircleList[0].ZFlags, 5);
  EXPECT_EQ(s.CircleList[1].ZFlags, 0);
  Read({"z2", "pl", "z4", "1 1 2 2", "2 2 3 3"});
  EXPECT_EQ(s.LineList[0].ZFlags, 10);
  EXPECT_EQ(s.LineList[1].ZFlags, 0);
  Read({"z5", "ci 1 2"});  // an ignored line keeps the flags
  EXPECT_EQ(s.ZFlags, 16);
}

TEST_F(EntityLines, TextStyleDecidesSizeAndColour) {
  Read({"hcw 1 2 3 4 5 6 7 8 9 10", "hcc 11 12 13 14 15 16 17 18 19 20", "cc4", "cn$Mincho", "cn10",
        "ct 1 2 3 4 x", "cn0 4 5 0.5 7", "cv 1 2 3 4 y", "cn12", "c2 1 2 3 4 z", "cn-1",
        "ck 1 2 3 4 w"});
  ASSERT_EQ(s.TextList.size(), 4u);
  EXPECT_EQ(s.TextList[0].TextKind, 6);
  EXPECT_EQ(s.TextList[0].Width, 10.0);
  EXPECT_EQ(s.TextList[0].Height, 3.0);
  EXPECT_EQ(s.TextList[0].Color, 20);
  EXPECT_EQ(s.TextList[0].TextCode, 4);
  EXPECT_EQ(s.TextList[0].FontName, "Mincho");
  for (std::size_t i = 1; i < 4; ++i) {  // styles 0, 12 and -1 take the free values
    EXPECT_EQ(s.TextList[i].Width, 4.0) << i;
    EXPECT_EQ(s.TextList[i].Height, 5.0) << i;
    EXPECT_EQ(s.TextList[i].Spacing, 0.5) << i;
    EXPECT_EQ(s.TextList[i].Color, 7) << i;
  }
  EXPECT_EQ(s.TextList[2].TextStyle, 12);
  EXPECT_EQ(s.TextList[3].TextKind, 7);
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
  FieldTable table;
  table.Field[0] = "ci";
  table.Field[1] = "1";
  table.Field[2] = "2";
  table.Field[3] = "3";
  table.FieldCount = 4;
  ParseEntityLine(table);
  ASSERT_EQ(s.CircleList.size(), 1u);
  table.FieldCount = 99;  // a broken count is ignored, never read past the table
  ParseEntityLine(table);
  EXPECT_EQ(s.ReadOrder.size(), 1u);
}

}  // namespace
