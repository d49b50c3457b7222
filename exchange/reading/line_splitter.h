#pragma once
// Splits one line of the exchange file into the field table.
#include <cstddef>
#include <string_view>
#include <vector>

#include "exchange/reading/field_table.h"

// The rule of the plain split, one space at a time: a space after text closes a field,
// other spaces vanish, and a line of more than kMaxFields fields is no plain line. Shared
// by SplitAtSpaces, which cuts one line, and the batch reader, which cuts the lines of a
// whole batch in the pass that finds their ends.
class PlainFieldCut {
 public:
  explicit PlainFieldCut(std::size_t lineStart = 0) : fieldStart_(lineStart) {}

  // A space at byte k: calls close(field number, start, end) for the field it closes. False,
  // closing nothing, when that field would leave no room in the table for the line's last
  // one: the line is then no plain line.
  template <typename Close>
  bool AtSpace(std::size_t k, Close&& close) {
    if (k > fieldStart_) {
      if (closed_ + 1 == kMaxFields) return false;
      close(closed_++, fieldStart_, k);
    }
    fieldStart_ = k + 1;
    return true;
  }

  // The line ends before byte `end`: closes its last field (empty after a trailing space)
  // and returns the line's field count.
  template <typename Close>
  int AtEnd(std::size_t end, Close&& close) {
    close(closed_, fieldStart_, end);
    return closed_ + 1;
  }

 private:
  std::size_t fieldStart_;
  int closed_ = 0;
};

// The usual line, whose only blanks are spaces and which holds no quote, equals sign,
// control byte or byte from 0x80 up, is simply cut at its spaces: its fields, views into
// the line, go to fields[0..count) and the count (at least 1) is returned. 0, with nothing
// decided, for any other line and for one of more than kMaxFields fields: the general walk
// of LineSplitter then splits it. `fields` has room for kMaxFields views.
int SplitAtSpaces(std::string_view line, std::string_view* fields);

// Fields are views into the line itself where no byte had to be dropped from inside them,
// and views into a scratch buffer otherwise; the buffer is reused, so splitting needs no
// allocation once it has grown to the longest line.
class LineSplitter {
 public:
  // Splits `line` (without its line break). The returned table, and the views in it, stay
  // valid until the next call and as long as the bytes of `line` do. A line that holds no field at
  // all (empty, separators, control bytes or a lone double quote) gives FieldCount 1 with an empty
  // field 0.
  const FieldTable& Split(std::string_view line);

 private:
  // Ends a line of `count` fields: clears the fields the previous line left behind.
  const FieldTable& Finish(int count);

  std::vector<char> scratch_;
  FieldTable table_;
  int fieldsInUse_ = 0;  // fields of the table that may hold text from an earlier line
};
