#include "exchange/state/exchange_state.h"

#include <cstddef>
#include <system_error>
#include <thread>
#include <utility>

namespace {

ExchangeState g_state;

// Below this many records freeing takes less than starting a thread.
constexpr std::size_t kRecordsWorthAThread = 65536;

void ReleaseRecords() {
  ForEachEntityList(g_state, [](auto& list, EntityKind) { list.release(); });
  g_state.ReadOrder.release();
  g_state.RecordTexts.Release();
}

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
  ReleaseRecords();
  s.CommandQueue.release();
}

void ReleaseRecordsDuring(const std::function<void()>& work) {
  std::jthread freeing;
  if (g_state.ReadOrder.size() >= kRecordsWorthAThread) {
    try {
      freeing = std::jthread(ReleaseRecords);
    } catch (const std::system_error&) {
      // No thread to be had: freed here, before the work.
    }
  }
  if (!freeing.joinable()) ReleaseRecords();
  work();  // on a throw, the thread is joined as `freeing` goes
}

void RecordText::assign(std::string_view text) { bytes_ = g_state.RecordTexts.Keep(text); }

void AppendReadOrder(std::int32_t kind, std::int32_t index) {
  g_state.ReadOrder.push_back(ReadOrderEntry{kind, index});
}

void StampCommonAttributes(CommonAttributes& record) {
  static_cast<StampedAttributes&>(record) = g_state.Emit;
  record.ZFlags = g_state.ZFlags;
}
