#pragma once
// Splits one line of the exchange file into the field table.
#include <string_view>
#include <vector>

#include "exchange/exchange_reader.h"

// Owns the scratch buffer that the fields of the last split line point into, so that
// splitting needs no allocation once the buffer has grown to the longest line.
class LineSplitter {
 public:
  // Splits `line` (without its line break). The returned table, and the views in it, stay
  // valid until the next call. A line that holds no field at all (empty, separators, control
  // bytes or a lone double quote) gives FieldCount 1 with an empty field 0.
  const FieldTable& Split(std::string_view line);

 private:
  std::vector<char> scratch_;
  FieldTable table_;
  int fieldsInUse_ = 0;  // fields of the table that may hold text from an earlier line
};
