#pragma once
// The one process-wide exchange state: everything read from the exchange file and
// everything to be written back. The reader fills it, the command writer keeps its memory
// of the attributes last written in EmitState, and the tool reads a few values from it.
//
// Integers are signed 32-bit, reals doubles, strings 8-bit text in the host's code page
// (Shift-JIS), stored byte for byte.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exchange/state/entity_list.h"
#include "exchange/state/entity_records.h"
#include "exchange/state/line_list.h"
#include "exchange/state/read_order.h"
#include "exchange/state/record_text.h"
#include "exchange/state/text_list.h"
#include "exchange/state/text_store.h"

// A growable list with its count beside it: the count is size(). Chunked, so that a file of
// millions of entities grows its lists without copying them.
template <typename T>
using EntityList = ChunkedList<T>;

template <typename T, std::size_t N>
constexpr std::array<T, N> FilledArray(T value) {
  std::array<T, N> values{};
  values.fill(value);
  return values;
}

struct TextStyleDef {
  double Width = 3.0;
  double Height = 3.0;
  double Spacing = 0.0;
  std::int32_t Color = 2;
  bool operator==(const TextStyleDef&) const = default;
};

// Entity kinds: the tag of each list in ReadOrder.
enum EntityKind : std::int32_t {
  kEntLine = 1,
  kEntCircle = 2,
  kEntArc = 3,
  kEntText = 4,
  kEntPoint = 5,
  kEntPointEx = 6,
  kEntDim = 7,
  kEntBlock = 8,
  kEntSl2 = 9,
  kEntSl3 = 10,
  kEntSl4 = 11,
  kEntSc = 12,
  kEntSe = 13,
  kEntSo = 14,
  kEntSg = 15,
};

struct HandPoint {
  bool Used = false;
  double X = 0.0;
  double Y = 0.0;
  std::int32_t HitKind = 0;  // 0 none, 1 "-", 2 "ln", 3 "ci", 4 "ch"
  bool operator==(const HandPoint&) const = default;
};

// "<ＭＳ ゴシック>" in Shift-JIS: angle brackets, full-width ＭＳ, a half-width space, ゴシック.
inline constexpr char kDefaultFontName[] = "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>";

// While reading: the attributes in force for the next entity. After ResetEmitState: the
// attributes last written, for change suppression. The initialisers are the defaults.
struct EmitState : StampedAttributes {
  std::int32_t TextStyle = 1;
  double FreeTextWidth = 2.0;
  double FreeTextHeight = 2.0;
  double FreeTextSpacing = 0.0;
  std::int32_t FreeTextColor = 1;
  std::int32_t TextCode = 0;
  std::string FontName = kDefaultFontName;
  std::int32_t PointKind = 1;
  std::int32_t ExtColor = 0;
  bool LayerGroupUnset = true;
  bool LayerUnset = true;
  bool ColorUnset = true;
  bool LineTypeUnset = true;
  bool LineWidthUnset = true;
  bool TextStyleUnset = true;
  bool PointKindUnset = false;  // false at program start; only the writer uses it
  bool operator==(const EmitState&) const = default;
};

inline constexpr std::size_t kGroupCount = 16;
inline constexpr std::size_t kLayerCount = 256;  // index = layer group * 16 + layer
inline constexpr std::size_t kHandPointSlots = 100;

// Everything of the exchange state but its lists. The initialisers are the defaults, so a
// fresh one is an initialised state.
struct ExchangeValues {
  // Header values.
  std::string FileName;
  double HostAngle = 0.0;  // degrees
  std::array<double, kGroupCount> GroupScales = FilledArray<double, kGroupCount>(1.0);
  double PaperWidth = 1189.0;
  double PaperHeight = 841.0;
  std::array<TextStyleDef, 10> TextStyles{};  // entry 0 = text style 1
  bool BzFlag = false;
  std::array<double, 4> HnValues{};

  // Layer tables.
  std::vector<std::string> GroupNames = std::vector<std::string>(kGroupCount);
  std::vector<std::int32_t> GroupValues = std::vector<std::int32_t>(kGroupCount);
  std::vector<std::string> LayerNames = std::vector<std::string>(kLayerCount);
  std::vector<std::int32_t> LayerValues = std::vector<std::int32_t>(kLayerCount);

  // Host attributes: the first value of each attribute in the file. A run gives the host
  // back its layer group and layer when it ends.
  std::int32_t HostLayerGroup = 0;
  std::int32_t HostLayer = 0;
  // The attribute emitters fall back on these three.
  std::int32_t HostColor = 1;
  std::int32_t HostLineType = 1;
  std::int32_t HostLineWidth = 0;
  // Read and kept, never used by the tool.
  std::int32_t HostTextStyle = 1;
  double HostFreeTextWidth = 2.0;
  double HostFreeTextHeight = 2.0;
  double HostFreeTextSpacing = 0.0;
  std::int32_t HostFreeTextColor = 1;
  std::string HostFontName;

  EmitState Emit;

  // Entity-line context.
  std::int32_t ZFlags = 0;
  std::int32_t PolylineNo = 0;
  bool InPolyline = false;
  bool InMessage = false;
  // The line a dimension takes while no bare line has come in message mode: (0,0)-(1,0).
  TJwwEntLine PendingDimLine = {{}, 0, 0.0, 0.0, 1.0, 0.0};

  // Indicated points: slots 0..99, slot 0 never filled.
  std::vector<HandPoint> HandPoints = std::vector<HandPoint>(kHandPointSlots);
  std::int32_t HandPointCount = 0;

  bool operator==(const ExchangeValues&) const = default;
};

struct ExchangeState : ExchangeValues {
  // Entity lists, one per EntityKind.
  LineRecordList LineList;  // compact: yields records by value
  EntityList<TJwwEntCircle> CircleList;
  EntityList<TJwwEntArc> ArcList;
  TextRecordList TextList;  // compact: yields records by value
  EntityList<TJwwEntPoint> PointList;
  EntityList<TJwwEntPointEx> PointExList;
  EntityList<TJwwEntDim> DimList;
  EntityList<TJwwEntBlk> BlockList;
  EntityList<TJwwEntSl2> Sl2List;
  EntityList<TJwwEntSl3> Sl3List;
  EntityList<TJwwEntSl4> Sl4List;
  EntityList<TJwwEntSc> ScList;
  EntityList<TJwwEntSe> SeList;
  EntityList<TJwwEntSo> SoList;
  EntityList<TJwwEntSg> SgList;

  ReadOrderList ReadOrder;               // packed: yields entries by value
  EntityList<std::string> CommandQueue;  // output lines, without line ends

  // The bytes of the records' strings (RecordText).
  TextStore RecordTexts;
};

// Calls visit(list, kind) for each of the fifteen entity lists, in EntityKind order.
template <typename State, typename Visit>
void ForEachEntityList(State& s, Visit&& visit) {
  visit(s.LineList, kEntLine);
  visit(s.CircleList, kEntCircle);
  visit(s.ArcList, kEntArc);
  visit(s.TextList, kEntText);
  visit(s.PointList, kEntPoint);
  visit(s.PointExList, kEntPointEx);
  visit(s.DimList, kEntDim);
  visit(s.BlockList, kEntBlock);
  visit(s.Sl2List, kEntSl2);
  visit(s.Sl3List, kEntSl3);
  visit(s.Sl4List, kEntSl4);
  visit(s.ScList, kEntSc);
  visit(s.SeList, kEntSe);
  visit(s.SoList, kEntSo);
  visit(s.SgList, kEntSg);
}

// The single instance.
ExchangeState& Exchange();

// Makes the state a fresh one, keeping PointKindUnset; the emptied lists keep their memory.
void InitExchangeState();
// Prepares EmitState for writing: all seven Unset flags true, attribute values at their
// defaults; HandPointRef, the entity-line context and everything else stay.
void ResetEmitState();
// Frees the tables, HandPoints, ReadOrder, every list and the CommandQueue.
void ReleaseExchangeState();
// Runs `work`, which must touch neither the entity lists, ReadOrder nor the records' texts,
// and frees those meanwhile: on a second thread when they are large, so that giving back
// their pages overlaps the work (writing the exchange file, whose rename gives back the old
// file's cached pages in turn). Returns once both are done, also when `work` throws.
void ReleaseRecordsDuring(const std::function<void()>& work);
// Appends one ReadOrder entry (kind, index).
void AppendReadOrder(std::int32_t kind, std::int32_t index);
// Writes the seven CommonAttributes of a new record from EmitState and ZFlags.
void StampCommonAttributes(CommonAttributes& record);
