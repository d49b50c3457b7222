#pragma once
// One line of the exchange file split into fields: what the splitter fills and both stages
// of the dispatch read.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "numeric/lenient_number.h"
#include "numeric/padded_buffer.h"

constexpr int kMaxFields = 32;

// At most kMaxFields fields. The fields are views into the line or into a scratch buffer
// owned by the splitter; they stay valid until the next line is split.
struct FieldTable {
  std::array<std::string_view, kMaxFields> Field{};
  int FieldCount = 0;  // number of the last field reached plus one
  // Fields 0 .. ConvertedCount-1 already read as numbers, by exactly the conversion Real
  // makes, where the line was prepared ahead of its dispatch (see line_batch.h).
  const double* Converted = nullptr;
  int ConvertedCount = 0;
  // The buffer with a readable margin that every field lies in, where the line was
  // prepared in one (see line_batch.h), or nullptr.
  const PaddedBuffer* FieldBuffer = nullptr;

  // Field n read as a number; a missing or unreadable field reads as 0.
  double Real(int n) const {
    if (n < ConvertedCount) return Converted[n];
    const std::string_view field = Field[static_cast<std::size_t>(n)];
    return FieldBuffer != nullptr ? LenientStrToFloat(FieldBuffer->Text(field))
                                  : LenientStrToFloat(field);
  }
  std::int32_t Integer(int n) const { return LenientStrToInt(Field[static_cast<std::size_t>(n)]); }
};
