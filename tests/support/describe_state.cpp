#include "tests/support/describe_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/state/exchange_state.h"

namespace {

// Raw bytes: the digest is only ever compared with another digest.
template <typename T>
void PutRaw(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}
void Put(std::string& out, double value) { PutRaw(out, value); }
void Put(std::string& out, std::int32_t value) { PutRaw(out, value); }
void Put(std::string& out, bool value) { out.push_back(value ? 't' : 'f'); }
void Put(std::string& out, std::string_view value) {
  PutRaw(out, value.size());
  out += value;
}
template <std::size_t N>
void Put(std::string& out, const std::array<double, N>& values) {
  for (const double value : values) Put(out, value);
}
void Put(std::string& out, const CommonAttributes& a) {
  for (const std::int32_t v :
       {a.HandPointRef, a.LayerGroup, a.Layer, a.Color, a.LineType, a.LineWidth, a.ZFlags}) {
    Put(out, v);
  }
}
void Put(std::string& out, const TJwwEntLine& r) {
  Put(out, static_cast<const CommonAttributes&>(r));
  Put(out, r.PolylineNo);
  for (const double v : {r.X1, r.Y1, r.X2, r.Y2}) Put(out, v);
}
void Put(std::string& out, const TJwwEntText& r) {
  Put(out, static_cast<const CommonAttributes&>(r));
  for (const std::int32_t v : {r.TextKind, r.TextCode, r.TextStyle}) Put(out, v);
  for (const double v : {r.Width, r.Height, r.Spacing, r.Value1, r.Value2, r.Value3, r.Value4}) {
    Put(out, v);
  }
  Put(out, r.FontName);
  Put(out, r.Content);
}

}  // namespace

std::string DescribeState() {
  const ExchangeState& s = Exchange();
  std::string out;
  out.reserve(16384);
  Put(out, s.FileName);
  Put(out, s.HostAngle);
  Put(out, s.GroupScales);
  Put(out, s.PaperWidth);
  Put(out, s.PaperHeight);
  for (const TextStyleDef& style : s.TextStyles) {
    Put(out, style.Width);
    Put(out, style.Height);
    Put(out, style.Spacing);
    Put(out, style.Color);
  }
  Put(out, s.BzFlag);
  Put(out, s.HnValues);
  for (const std::string& name : s.GroupNames) Put(out, name);
  for (const std::int32_t value : s.GroupValues) Put(out, value);
  for (const std::string& name : s.LayerNames) Put(out, name);
  for (const std::int32_t value : s.LayerValues) Put(out, value);
  for (const std::int32_t v : {s.HostLayerGroup, s.HostLayer, s.HostColor, s.HostLineType,
                               s.HostLineWidth, s.HostTextStyle, s.HostFreeTextColor}) {
    Put(out, v);
  }
  Put(out, s.HostFontName);
  const EmitState& e = s.Emit;
  for (const std::int32_t v : {e.HandPointRef, e.LayerGroup, e.Layer, e.Color, e.LineType,
                               e.LineWidth, e.TextStyle, e.FreeTextColor, e.TextCode, e.PointKind,
                               e.ExtColor, s.ZFlags, s.PolylineNo, s.HandPointCount}) {
    Put(out, v);
  }
  Put(out, e.FontName);
  for (const bool v : {e.LayerGroupUnset, e.LayerUnset, e.ColorUnset, e.LineTypeUnset,
                       e.LineWidthUnset, e.TextStyleUnset, s.InPolyline, s.InMessage}) {
    Put(out, v);
  }
  Put(out, s.PendingDimLine);
  for (const HandPoint& p : s.HandPoints) {
    Put(out, p.Used);
    Put(out, p.X);
    Put(out, p.Y);
    Put(out, p.HitKind);
  }
  out += "|lines:";
  for (const TJwwEntLine& r : s.LineList) Put(out, r);
  out += "|circles:";
  for (const TJwwEntCircle& r : s.CircleList) {
    Put(out, static_cast<const CommonAttributes&>(r));
    for (const double v : {r.CenterX, r.CenterY, r.Radius}) Put(out, v);
  }
  out += "|arcs:";
  for (const TJwwEntArc& r : s.ArcList) {
    Put(out, static_cast<const CommonAttributes&>(r));
    for (const double v :
         {r.CenterX, r.CenterY, r.Radius, r.Value4, r.Value5, r.Flattening, r.Tilt}) {
      Put(out, v);
    }
  }
  out += "|texts:";
  for (const TJwwEntText& r : s.TextList) Put(out, r);
  out += "|points:";
  for (const TJwwEntPoint& r : s.PointList) {
    Put(out, static_cast<const CommonAttributes&>(r));
    Put(out, r.X);
    Put(out, r.Y);
  }
  out += "|pointex:";
  for (const TJwwEntPointEx& r : s.PointExList) {
    Put(out, static_cast<const CommonAttributes&>(r));
    for (const double v : {r.X, r.Y, r.Value3, r.Value4}) Put(out, v);
    Put(out, r.Value5);
  }
  out += "|dims:";
  for (const TJwwEntDim& r : s.DimList) {
    Put(out, static_cast<const CommonAttributes&>(r));
    Put(out, r.Line);
    Put(out, r.Text);
  }
  out += "|blocks:";
  for (const TJwwEntBlk& r : s.BlockList) {
    Put(out, static_cast<const CommonAttributes&>(r));
    Put(out, r.X);
    Put(out, r.Y);
    Put(out, r.Name);
  }
  const auto putValues = [&out](const auto& list, const char* name) {
    out += name;
    for (const auto& r : list) {
      Put(out, static_cast<const CommonAttributes&>(r));
      Put(out, r.ExtColor);
      Put(out, r.Value);
    }
  };
  putValues(s.Sl2List, "|sl2:");
  putValues(s.Sl3List, "|sl3:");
  putValues(s.Sl4List, "|sl4:");
  putValues(s.ScList, "|sc:");
  putValues(s.SeList, "|se:");
  putValues(s.SoList, "|so:");
  putValues(s.SgList, "|sg:");
  for (const TJwwEntSc& r : s.ScList) Put(out, r.Value8);
  for (const TJwwEntSe& r : s.SeList) Put(out, r.Value8);
  out += "|order:";
  for (const ReadOrderEntry& entry : s.ReadOrder) {
    Put(out, entry.Kind);
    Put(out, entry.Index);
  }
  return out;
}
