#include "exchange/line_batch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "exchange/line_splitter.h"
#include "numeric/lenient_number.h"

namespace {

constexpr std::size_t kMostFieldsInBatch = std::size_t{0xFFFFFFFF} - kMaxFields;

// Gives the batch room for `capacity` bytes, keeping its first `keep` bytes.
void Reserve(LineBatch& batch, std::size_t capacity, std::size_t keep) {
  if (batch.Capacity >= capacity) return;
  std::unique_ptr<char[]> larger(new char[capacity]);
  if (keep > 0) std::memcpy(larger.get(), batch.Bytes.get(), keep);
  batch.Bytes = std::move(larger);
  batch.Capacity = capacity;
}

// The end of the last line feed in bytes `from` .. `to`, or 0 when there is none. The search
// runs backwards: a batch of ordinary lines finds one within the last line.
std::size_t AfterLastLineFeed(const char* bytes, std::size_t from, std::size_t to) {
  for (std::size_t i = to; i > from; --i) {
    if (bytes[i - 1] == '\n') return i;
  }
  return 0;
}

}  // namespace

LineBatchFiller::LineBatchFiller(ReaderLineSource::BlockReader read, std::size_t batchSize)
    : read_(std::move(read)), batchSize_(batchSize > 0 ? batchSize : 1) {}

void LineBatchFiller::Fill(LineBatch& batch, double convertedShare, std::size_t filled) {
  batch.Lines.clear();
  batch.Fields.clear();
  batch.Reals.clear();
  if (finished_) return;
  try {
    std::size_t searched = 0;  // bytes before this hold no line feed
    if (!carried_.empty()) {
      Reserve(batch, std::max(batchSize_, 2 * carried_.size()), 0);
      std::memcpy(batch.Bytes.get(), carried_.data(), carried_.size());
      filled = carried_.size();
      searched = filled;
      carried_ = {};
    } else {
      Reserve(batch, batchSize_, filled);
    }
    std::size_t linesEnd = 0;
    for (;;) {
      const bool stopped = ReadInto(batch, filled);
      linesEnd = AfterLastLineFeed(batch.Bytes.get(), searched, filled);
      if (stopped || linesEnd > 0) break;
      // Not one whole line in a full batch.
      searched = filled;
      Reserve(batch, 2 * batch.Capacity, filled);
    }
    const bool endMark = PrepareLines(batch, endOfFile_ ? filled : linesEnd);
    ConvertFields(batch, static_cast<std::size_t>(convertedShare * static_cast<double>(batch.Lines.size())));
    if (endMark) {
      finished_ = true;
      failed_ = false;  // a Ctrl-Z line in what was read ends the file before any failure
    } else if (endOfFile_ || failed_) {
      finished_ = true;  // after a failure the unfinished line is dropped
    } else {
      carried_ = std::string_view(batch.Bytes.get() + linesEnd, filled - linesEnd);
    }
  } catch (...) {
    // Out of memory on an absurd line: the lines prepared so far stay in the batch.
    carried_ = {};
    failed_ = true;
    finished_ = true;
  }
}

bool LineBatchFiller::ReadInto(LineBatch& batch, std::size_t& filled) {
  while (filled < batch.Capacity) {
    std::ptrdiff_t got = -1;
    try {
      got = read_(batch.Bytes.get() + filled, batch.Capacity - filled);
    } catch (...) {
      // A failure like any other: the whole lines read before it are still taken, as the
      // line-by-line reading would have taken them before this read.
    }
    if (got < 0) {
      failed_ = true;
      return true;
    }
    if (got == 0) {
      endOfFile_ = true;
      return true;
    }
    filled += static_cast<std::size_t>(got);
  }
  return false;
}

bool LineBatchFiller::PrepareLines(LineBatch& batch, std::size_t end) {
  const char* base = batch.Bytes.get();
  std::array<std::string_view, kMaxFields> fields;
  std::size_t start = 0;
  while (start < end) {
    const void* lineFeed = std::memchr(base + start, '\n', end - start);
    std::size_t lineEnd = end;  // the last line of the file, without a line end
    std::size_t next = end;
    if (lineFeed != nullptr) {
      lineEnd = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - base);
      next = lineEnd + 1;
      if (lineEnd > start && base[lineEnd - 1] == '\r') --lineEnd;
    }
    const std::string_view text(base + start, lineEnd - start);
    start = next;
    if (!text.empty() && text.front() == kEndOfFileMark) return true;
    const auto firstField = static_cast<std::uint32_t>(batch.Fields.size());
    int count = 0;
    // The indexes fit: a batch of ordinary size holds far fewer fields.
    if (text.size() <= kLongestPreparedLine && batch.Fields.size() < kMostFieldsInBatch) {
      count = SplitAtSpaces(text, fields.data());
    }
    for (std::size_t f = 0; f < static_cast<std::size_t>(count); ++f) {
      batch.Fields.push_back({static_cast<std::uint16_t>(fields[f].data() - text.data()),
                              static_cast<std::uint16_t>(fields[f].size())});
    }
    // Built whole in one go: filled in member by member, the record cost a stalled store
    // forwarding on every line.
    batch.Lines.push_back(PreparedLine{text, firstField, 0, static_cast<std::uint16_t>(count), 0});
  }
  return false;
}

void LineBatchFiller::ConvertFields(LineBatch& batch, std::size_t lineCount) {
  lineCount = std::min(lineCount, batch.Lines.size());
  for (std::size_t i = 0; i < lineCount; ++i) {
    PreparedLine& line = batch.Lines[i];
    const auto firstReal = static_cast<std::uint32_t>(batch.Reals.size());
    const int count = std::min<int>(line.FieldCount, kConvertedFields);
    const FieldSpan* spans = batch.Fields.data() + line.FirstField;
    for (int f = 0; f < count; ++f) {
      batch.Reals.push_back(LenientStrToFloat(std::string_view(line.Text.data() + spans[f].Start, spans[f].Size)));
    }
    // Only now: a line never claims numbers that running out of memory kept from the batch.
    line.FirstReal = firstReal;
    line.ConvertedCount = static_cast<std::uint16_t>(count);
  }
}

const FieldTable& PreparedFieldTable::Load(const LineBatch& batch, const PreparedLine& line) {
  const int count = line.FieldCount;
  const FieldSpan* spans = batch.Fields.data() + line.FirstField;
  for (int f = 0; f < count; ++f) {
    table_.Field[static_cast<std::size_t>(f)] = std::string_view(line.Text.data() + spans[f].Start, spans[f].Size);
  }
  for (int f = count; f < fieldsInUse_; ++f) table_.Field[static_cast<std::size_t>(f)] = {};
  fieldsInUse_ = count;
  table_.FieldCount = count;
  table_.Converted = batch.Reals.data() + line.FirstReal;
  table_.ConvertedCount = line.ConvertedCount;
  return table_;
}
