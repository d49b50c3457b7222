#pragma once
// The list of line records. A large drawing is mostly bare lines under the same attributes,
// so each line keeps only its two end points; its attributes and polyline number are a
// shared row (see shared_row_list.h). 36 bytes a line instead of 64: a file of millions of
// lines costs that many fewer page faults to fill and pages to give back.
#include <cstdint>

#include "exchange/state/entity_records.h"
#include "exchange/state/shared_row_list.h"

struct LineRecordLayout {
  using Record = TJwwEntLine;
  struct SharedRow : CommonAttributes {
    std::int32_t PolylineNo;
  };
  // The row index packed beside the reals: at the reals' own alignment it would cost
  // 4 bytes of padding a line. x86 and ARM read such reals at full speed.
#pragma pack(push, 4)
  struct Own {
    double X1, Y1, X2, Y2;
    std::uint32_t Shared;  // index of the shared row
  };
#pragma pack(pop)
  static_assert(sizeof(Own) == 36);

  // The reals are the line's own, so the rows hold only integers and compare exactly.
  static bool Shares(const SharedRow& row, const TJwwEntLine& line) {
    return row.PolylineNo == line.PolylineNo &&
           static_cast<const CommonAttributes&>(row) == static_cast<const CommonAttributes&>(line);
  }
  static SharedRow SharedOf(const TJwwEntLine& line) {
    return SharedRow{static_cast<const CommonAttributes&>(line), line.PolylineNo};
  }
  static Own OwnOf(const TJwwEntLine& line, std::uint32_t row) {
    return Own{line.X1, line.Y1, line.X2, line.Y2, row};
  }
  static TJwwEntLine Join(const Own& own, const SharedRow& row) {
    return TJwwEntLine{
        static_cast<const CommonAttributes&>(row), row.PolylineNo, own.X1, own.Y1, own.X2, own.Y2};
  }
};

using LineRecordList = SharedRowList<LineRecordLayout>;
