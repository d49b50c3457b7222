#pragma once
// The list of text records. A file of a million short texts repeats the same attributes,
// style, size and font in every one of them, and a full record is several times the size
// of the line it came from. So each text keeps only its kind (which the line's key gives),
// its four values and its content; the rest is a shared row (see shared_row_list.h).
#include <cstdint>

#include "exchange/state/entity_records.h"
#include "exchange/state/record_text.h"
#include "exchange/state/shared_row_list.h"

struct TextRecordLayout {
  using Record = TJwwEntText;
  // Everything of a text record but its kind, values and content. The reals are kept as
  // their bits, so that a row is shared only by the very same values and every text reads
  // back bit for bit (a -0.0 stays -0.0).
  struct SharedRow : CommonAttributes {
    std::int32_t TextCode, TextStyle;
    std::uint64_t WidthBits, HeightBits, SpacingBits;
    RecordText FontName;
  };
  struct Own {
    double Value1, Value2, Value3, Value4;
    RecordText Content;
    std::uint32_t Shared;   // index of the shared row
    std::int32_t TextKind;  // in what would be padding
  };
  // The size a text costs in a file of short texts; a field more would cost 8 bytes a text.
  static_assert(sizeof(Own) <= 48);

  // The same font name is usually the same pointer into the store, else the same bytes.
  static bool Shares(const SharedRow& row, const TJwwEntText& text);
  static SharedRow SharedOf(const TJwwEntText& text);
  static Own OwnOf(const TJwwEntText& text, std::uint32_t row) {
    return Own{text.Value1,  text.Value2, text.Value3,  text.Value4,
               text.Content, row,         text.TextKind};
  }
  static TJwwEntText Join(const Own& own, const SharedRow& row);
};

using TextRecordList = SharedRowList<TextRecordLayout>;
