#include "exchange/exchange_state.h"

#include <utility>

namespace {

ExchangeState g_state;

}  // namespace

ExchangeState& Exchange() { return g_state; }

void InitExchangeState() {
  ExchangeValues fresh;
  fresh.Emit.PointKindUnset = g_state.Emit.PointKindUnset;
  static_cast<ExchangeValues&>(g_state) = std::move(fresh);
  // Emptied, not freed: a state read again reuses the lists' memory.
  ForEachEntityList(g_state, [](auto& list, EntityKind) { list.clear(); });
  g_state.ReadOrder.clear();
  g_state.CommandQueue.clear();
  g_state.RecordTexts.Clear();
}

void ResetEmitState() {
  EmitState fresh;
  fresh.HandPointRef = g_state.Emit.HandPointRef;
  fresh.PointKindUnset = true;
  g_state.Emit = std::move(fresh);
}

void ReleaseExchangeState() {
  ExchangeState& s = g_state;
  std::vector<std::string>().swap(s.GroupNames);
  std::vector<std::int32_t>().swap(s.GroupValues);
  std::vector<std::string>().swap(s.LayerNames);
  std::vector<std::int32_t>().swap(s.LayerValues);
  std::vector<HandPoint>().swap(s.HandPoints);
  ForEachEntityList(s, [](auto& list, EntityKind) { list.release(); });
  s.ReadOrder.release();
  s.CommandQueue.release();
  s.RecordTexts.Release();
}

void RecordText::assign(std::string_view text) { bytes_ = g_state.RecordTexts.Keep(text); }

void AppendReadOrder(std::int32_t kind, std::int32_t index) {
  g_state.ReadOrder.push_back(ReadOrderEntry{kind, index});
}

void StampCommonAttributes(CommonAttributes& record) {
  static_cast<StampedAttributes&>(record) = g_state.Emit;
  record.ZFlags = g_state.ZFlags;
}
