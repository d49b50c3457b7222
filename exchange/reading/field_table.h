#pragma once
// One line of the exchange file split into fields: what the splitter fills and both stages
// of the dispatch read.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "numeric/lenient_number.h"

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
  // Where the fields lie in a buffer that may be read from here on (see LenientStrToFloat),
  // or nullptr.
  const char* ReadableFrom = nullptr;

  // Field n read as a number; a missing or unreadable field reads as 0.
  double Real(int n) const {
    if (n < ConvertedCount) return Converted[n];
    return LenientStrToFloat(Field[static_cast<std::size_t>(n)], ReadableFrom);
  }
  std::int32_t Integer(int n) const { return LenientStrToInt(Field[static_cast<std::size_t>(n)]); }
};
