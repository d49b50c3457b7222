#include "exchange/exchange_state.h"

#include <utility>

const char kDefaultFontName[] =
    "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>";

namespace {

ExchangeState g_state;

constexpr std::size_t kGroupCount = 16;
constexpr std::size_t kLayerCount = 256;
constexpr std::size_t kHandPointSlots = 100;

// The attribute values of EmitState that both Init and Reset give their defaults.
void ResetEmitValues(EmitState& emit) {
  emit.LayerGroup = 0;
  emit.Layer = 0;
  emit.Color = 1;
  emit.LineType = 1;
  emit.LineWidth = 0;
  emit.TextStyle = 1;
  emit.FreeTextWidth = 2.0;
  emit.FreeTextHeight = 2.0;
  emit.FreeTextSpacing = 0.0;
  emit.FreeTextColor = 1;
  emit.TextCode = 0;
  emit.FontName = kDefaultFontName;
  emit.PointKind = 1;
  emit.ExtColor = 0;
}

template <typename T>
void FreeList(std::vector<T>& list) {
  std::vector<T>().swap(list);
}

template <typename T>
void FreeList(EntityList<T>& list) {
  list.release();
}

}  // namespace

ExchangeState& Exchange() { return g_state; }

void InitExchangeState() {
  ExchangeState& s = g_state;
  const bool pointKindUnset = s.Emit.PointKindUnset;

  s.FileName.clear();
  s.HostAngle = 0.0;
  s.GroupScales.fill(1.0);
  s.PaperWidth = 1189.0;
  s.PaperHeight = 841.0;
  s.TextStyles.fill(TextStyleDef{});
  s.BzFlag = false;
  s.HnValues.fill(0.0);

  s.GroupNames.assign(kGroupCount, std::string());
  s.GroupValues.assign(kGroupCount, 0);
  s.LayerNames.assign(kLayerCount, std::string());
  s.LayerValues.assign(kLayerCount, 0);

  s.HostLayerGroup = 0;
  s.HostLayer = 0;
  s.HostColor = 1;
  s.HostLineType = 1;
  s.HostLineWidth = 0;
  s.HostTextStyle = 1;
  s.HostFreeTextWidth = 2.0;
  s.HostFreeTextHeight = 2.0;
  s.HostFreeTextSpacing = 0.0;
  s.HostFreeTextColor = 1;
  s.HostFontName.clear();

  s.Emit.HandPointRef = 0;
  ResetEmitValues(s.Emit);
  s.Emit.LayerGroupUnset = true;
  s.Emit.LayerUnset = true;
  s.Emit.ColorUnset = true;
  s.Emit.LineTypeUnset = true;
  s.Emit.LineWidthUnset = true;
  s.Emit.TextStyleUnset = true;
  s.Emit.PointKindUnset = pointKindUnset;

  s.ZFlags = 0;
  s.PolylineNo = 0;
  s.InPolyline = false;
  s.InMessage = false;
  s.PendingDimLine = TJwwEntLine{};
  s.PendingDimLine.X2 = 1.0;

  s.HandPoints.assign(kHandPointSlots, HandPoint{});
  s.HandPointCount = 0;

  s.LineList.clear();
  s.CircleList.clear();
  s.ArcList.clear();
  s.TextList.clear();
  s.PointList.clear();
  s.PointExList.clear();
  s.DimList.clear();
  s.BlockList.clear();
  s.Sl2List.clear();
  s.Sl3List.clear();
  s.Sl4List.clear();
  s.ScList.clear();
  s.SeList.clear();
  s.SoList.clear();
  s.SgList.clear();
  s.ReadOrder.clear();
  s.CommandQueue.clear();
}

void ResetEmitState() {
  EmitState& emit = g_state.Emit;
  ResetEmitValues(emit);
  emit.LayerGroupUnset = true;
  emit.LayerUnset = true;
  emit.ColorUnset = true;
  emit.LineTypeUnset = true;
  emit.LineWidthUnset = true;
  emit.TextStyleUnset = true;
  emit.PointKindUnset = true;
}

void ReleaseExchangeState() {
  ExchangeState& s = g_state;
  FreeList(s.GroupNames);
  FreeList(s.GroupValues);
  FreeList(s.LayerNames);
  FreeList(s.LayerValues);
  FreeList(s.HandPoints);
  FreeList(s.ReadOrder);
  FreeList(s.LineList);
  FreeList(s.CircleList);
  FreeList(s.ArcList);
  FreeList(s.TextList);
  FreeList(s.PointList);
  FreeList(s.PointExList);
  FreeList(s.DimList);
  FreeList(s.BlockList);
  FreeList(s.Sl2List);
  FreeList(s.Sl3List);
  FreeList(s.Sl4List);
  FreeList(s.ScList);
  FreeList(s.SeList);
  FreeList(s.SoList);
  FreeList(s.SgList);
  FreeList(s.CommandQueue);
}

void AppendReadOrder(std::int32_t kind, std::int32_t index) {
  g_state.ReadOrder.push_back(ReadOrderEntry{kind, index});
}

void StampCommonAttributes(CommonAttributes& record) {
  const EmitState& emit = g_state.Emit;
  record.HandPointRef = emit.HandPointRef;
  record.LayerGroup = emit.LayerGroup;
  record.Layer = emit.Layer;
  record.Color = emit.Color;
  record.LineType = emit.LineType;
  record.LineWidth = emit.LineWidth;
  record.ZFlags = g_state.ZFlags;
}
