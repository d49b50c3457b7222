// Entity lines of the exchange file: the second stage of the dispatch, for the lines that no
// header, table, attribute, mode or indicated-point key has taken.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/state/exchange_state.h"
#include "exchange/reading/reader_dispatch.h"
#include "numeric/lenient_number.h"

namespace {

using std::string_view;

// The append procedure: read-order entry, new record, stamped attributes. The caller fills
// the record's own fields and then ends the entity line.
template <typename Record>
Record& AppendRecord(EntityList<Record>& list, EntityKind kind) {
  AppendReadOrder(kind, static_cast<std::int32_t>(list.size()));
  Record& record = list.emplace_back();
  StampCommonAttributes(record);
  return record;
}

// After every record except a bare line: the z flags and both modes end.
void EndEntityLine() {
  ExchangeState& s = Exchange();
  s.ZFlags = 0;
  s.InPolyline = false;
  s.InMessage = false;
}

// Fills a text record after its CommonAttributes have been stamped: the style decides the
// size, spacing and colour.
void FillText(TJwwEntText& text, const FieldTable& t, std::int32_t textKind) {
  const ExchangeState& s = Exchange();
  const EmitState& emit = s.Emit;
  text.TextKind = textKind;
  text.TextCode = emit.TextCode;
  text.TextStyle = emit.TextStyle;
  if (emit.TextStyle >= 1 && emit.TextStyle <= 10) {
    const TextStyleDef& style = s.TextStyles[static_cast<std::size_t>(emit.TextStyle - 1)];
    text.Width = style.Width;
    text.Height = style.Height;
    text.Spacing = style.Spacing;
    text.Color = style.Color;
  } else {
    text.Width = emit.FreeTextWidth;
    text.Height = emit.FreeTextHeight;
    text.Spacing = emit.FreeTextSpacing;
    text.Color = emit.FreeTextColor;
  }
  text.Value1 = t.Real(1);
  text.Value2 = t.Real(2);
  text.Value3 = t.Real(3);
  text.Value4 = t.Real(4);
  text.FontName = emit.FontName;
  text.Content.assign(t.Field[5]);
}

// A text line of kind kTextKind ("ch" 0 to "c2" 9): six fields or more.
template <std::int32_t kTextKind>
bool ReadText(const FieldTable& t, string_view) {
  if (t.FieldCount < 6) return false;
  ExchangeState& s = Exchange();
  if (kTextKind == 2 && s.InMessage) {
    TJwwEntDim& dim = AppendRecord(s.DimList, kEntDim);
    dim.Line = s.PendingDimLine;
    dim.Line.PolylineNo = 0;
    StampCommonAttributes(dim.Text);
    FillText(dim.Text, t, kTextKind);
  } else {
    // The list keeps texts in parts: the record is made whole first, then listed.
    TJwwEntText text;
    StampCommonAttributes(text);
    FillText(text, t, kTextKind);
    AppendReadOrder(kEntText, static_cast<std::int32_t>(s.TextList.size()));
    s.TextList.push_back(text);
  }
  EndEntityLine();
  return true;
}

template <typename Record, std::size_t N>
void FillValues(Record& record, const FieldTable& t) {
  record.ExtColor = Exchange().Emit.ExtColor;
  for (std::size_t i = 0; i < N; ++i) record.Value[i] = t.Real(static_cast<int>(i + 1));
}

// "sl": four, six, or eight and more values.
bool ReadSl(const FieldTable& t, string_view) {
  ExchangeState& s = Exchange();
  const int n = t.FieldCount;
  if (n == 5) {
    FillValues<TJwwEntSl2, 4>(AppendRecord(s.Sl2List, kEntSl2), t);
  } else if (n == 7) {
    FillValues<TJwwEntSl3, 6>(AppendRecord(s.Sl3List, kEntSl3), t);
  } else if (n >= 9) {
    FillValues<TJwwEntSl4, 8>(AppendRecord(s.Sl4List, kEntSl4), t);
  } else {
    return false;
  }
  EndEntityLine();
  return true;
}

// "sc", "se" (seven reals and an integer), "so", "sg" (eight reals); eight values or more.
bool ReadScFamily(const FieldTable& t, string_view key) {
  ExchangeState& s = Exchange();
  if (t.FieldCount < 9) return false;
  if (key == "sc" || key == "se") {
    TJwwEntSc& record =
        key == "sc" ? AppendRecord(s.ScList, kEntSc) : AppendRecord(s.SeList, kEntSe);
    FillValues<TJwwEntSc, 7>(record, t);
    record.Value8 = t.Integer(8);
  } else {  // "so", "sg"
    TJwwEntSo& record =
        key == "so" ? AppendRecord(s.SoList, kEntSo) : AppendRecord(s.SgList, kEntSg);
    FillValues<TJwwEntSo, 8>(record, t);
  }
  EndEntityLine();
  return true;
}

// "ci": a circle of three values, or an arc of seven and more.
bool ReadCircle(const FieldTable& t, string_view) {
  ExchangeState& s = Exchange();
  if (t.FieldCount == 4) {
    TJwwEntCircle& circle = AppendRecord(s.CircleList, kEntCircle);
    circle.CenterX = t.Real(1);
    circle.CenterY = t.Real(2);
    circle.Radius = t.Real(3);
  } else if (t.FieldCount >= 8) {
    TJwwEntArc& arc = AppendRecord(s.ArcList, kEntArc);
    arc.CenterX = t.Real(1);
    arc.CenterY = t.Real(2);
    arc.Radius = t.Real(3);
    arc.Value4 = t.Real(4);
    arc.Value5 = t.Real(5);
    arc.Flattening = t.Real(6);
    arc.Tilt = t.Real(7);
  } else {
    return false;
  }
  EndEntityLine();
  return true;
}

// "pt": a point of two values, or an extended point of five and more, in the point kind
// last set.
bool ReadPoint(const FieldTable& t, string_view) {
  ExchangeState& s = Exchange();
  if (t.FieldCount == 3) {
    TJwwEntPoint& point = AppendRecord(s.PointList, kEntPoint);
    point.Color = s.Emit.PointKind;
    point.X = t.Real(1);
    point.Y = t.Real(2);
  } else if (t.FieldCount >= 6) {
    TJwwEntPointEx& point = AppendRecord(s.PointExList, kEntPointEx);
    point.Color = s.Emit.PointKind;
    point.X = t.Real(1);
    point.Y = t.Real(2);
    point.Value3 = t.Real(3);
    point.Value4 = t.Real(4);
    point.Value5 = t.Integer(5);
  } else {
    return false;
  }
  EndEntityLine();
  return true;
}

// "BL": a block insertion, its point and its name.
bool ReadBlock(const FieldTable& t, string_view) {
  if (t.FieldCount < 4) return false;
  TJwwEntBlk& block = AppendRecord(Exchange().BlockList, kEntBlock);
  block.X = t.Real(1);
  block.Y = t.Real(2);
  block.Name.assign(t.Field[3]);
  EndEntityLine();
  return true;
}

// The keyed entity lines: each key with the reader of its line. A reader returns false,
// taking nothing, when the line's field count fits none of its forms; the line may then
// still be a bare line.
struct KeyedEntity {
  string_view Key;
  bool (*Read)(const FieldTable& t, string_view key);
};
constexpr KeyedEntity kKeyedEntities[] = {
    {"ci", ReadCircle},   {"ch", ReadText<0>},  {"cv", ReadText<1>},  {"cs", ReadText<2>},
    {"cr", ReadText<3>},  {"co", ReadText<4>},  {"cp", ReadText<5>},  {"ct", ReadText<6>},
    {"ck", ReadText<7>},  {"cz", ReadText<8>},  {"c2", ReadText<9>},  {"pt", ReadPoint},
    {"BL", ReadBlock},    {"sl", ReadSl},       {"sc", ReadScFamily}, {"se", ReadScFamily},
    {"so", ReadScFamily}, {"sg", ReadScFamily},
};

// False when no keyed reader took the line.
bool ReadKeyedEntity(const FieldTable& t, string_view key) {
  for (const KeyedEntity& entity : kKeyedEntities) {
    if (entity.Key == key) return entity.Read(t, key);
  }
  return false;
}

}  // namespace

// The bare line: four fields of any kind are a bare line, or in message mode the line of the
// next dimension. Either way the polyline and message modes go on.
void ParseBareLine(const BareLineReals& reals) {
  ExchangeState& s = Exchange();
  TJwwEntLine line;
  StampCommonAttributes(line);
  line.X1 = reals[0];
  line.Y1 = reals[1];
  line.X2 = reals[2];
  line.Y2 = reals[3];
  if (s.InMessage) {
    s.PendingDimLine = line;  // polyline number 0
  } else {
    line.PolylineNo = s.InPolyline ? s.PolylineNo : 0;
    AppendReadOrder(kEntLine, static_cast<std::int32_t>(s.LineList.size()));
    s.LineList.push_back(line);
  }
  s.ZFlags = 0;
}

void ParseEntityLine(const FieldTable& fields) {
  if (fields.FieldCount < 1 || fields.FieldCount > kMaxFields) return;
  const string_view key = fields.Field[0];
  // Keys are two letters; a bare line usually starts with a number and skips the key tests.
  if (key.size() == 2 && ReadKeyedEntity(fields, key)) return;
  if (fields.FieldCount == 4)
    ParseBareLine({fields.Real(0), fields.Real(1), fields.Real(2), fields.Real(3)});
}
