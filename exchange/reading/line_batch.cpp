#include "exchange/reading/line_batch.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "exchange/reading/split_stop_bytes.h"
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

std::string_view FieldText(const PreparedLine& line, FieldSpan span) {
  return std::string_view(line.Text.data() + span.Start, span.Size);
}

// A field read as FieldTable::Real reads it; its batch's bytes may be read from the start.
double ReadField(const LineBatch& batch, const PreparedLine& line, FieldSpan span) {
  return LenientStrToFloat(FieldText(line, span), batch.Bytes.get());
}

}  // namespace

LineBatchFiller::LineBatchFiller(ReaderLineSource::BlockReader read, std::size_t batchSize)
    : read_(std::move(read)), batchSize_(batchSize > 0 ? batchSize : 1) {}

void LineBatchFiller::Fill(LineBatch& batch, double convertedShare, std::size_t filled,
                           const std::atomic<bool>* handOver) {
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
    ConvertFields(batch, static_cast<std::size_t>(convertedShare * static_cast<double>(batch.Lines.size())), handOver);
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

namespace {

// Lines and their fields found in one pass over the batch: the bytes that matter (blanks,
// line ends and anything that keeps a line from being split simply at its spaces) are
// found 64 at a time, the way SplitAtSpaces finds them within one line, so the line feeds
// need no search of their own.
class LineScanner {
 public:
  explicit LineScanner(LineBatch& batch)
      : batch_(batch), bytes_(batch.Bytes.get()), firstField_(batch.Fields.size()) {}

  // Bytes 0 .. end; true at a Ctrl-Z line.
  bool Scan(std::size_t end) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes_);
    if (StartsWithEndMark(0, end)) return true;
    for (std::size_t block = 0; block < end; block += 64) {
      const std::size_t blockSize = end - block < 64 ? end - block : 64;
      for (std::uint64_t bits = SpecialBits(in + block, blockSize); bits != 0; bits = WithoutLowestBit(bits)) {
        const std::size_t k = block + static_cast<std::size_t>(std::countr_zero(bits));
        const unsigned char byte = in[k];
        if (byte == ' ') {
          CloseField(k);
        } else if (byte == '\n') {
          EndLine(k > lineStart_ && in[k - 1] == '\r' ? k - 1 : k);
          lineStart_ = fieldStart_ = k + 1;
          if (StartsWithEndMark(lineStart_, end)) return true;
        } else if (byte == '\r' && k + 1 < end && in[k + 1] == '\n') {
          // the end of the line comes with the line feed
        } else if (IsSpecialByte(byte)) {
          plain_ = false;  // the line goes to LineSplitter whole
        }
      }
    }
    if (lineStart_ < end) EndLine(end);  // the last line of the file, without a line end
    return false;
  }

 private:
  bool StartsWithEndMark(std::size_t at, std::size_t end) const {
    return at < end && bytes_[at] == kEndOfFileMark;
  }

  // A space at k: text since the field's start is a field, other spaces vanish. One field
  // too many for the table makes the line LineSplitter's, as SplitAtSpaces would.
  void CloseField(std::size_t k) {
    if (plain_ && k > fieldStart_) {
      if (batch_.Fields.size() - firstField_ + 1 == kMaxFields) {
        plain_ = false;
      } else {
        AddField(k);
      }
    }
    fieldStart_ = k + 1;
  }

  // Offsets are cut to 16 bits; a line too long for them is not kept as prepared anyway.
  void AddField(std::size_t end) {
    batch_.Fields.push_back({static_cast<std::uint16_t>(fieldStart_ - lineStart_),
                             static_cast<std::uint16_t>(end - fieldStart_)});
  }

  void EndLine(std::size_t lineEnd) {
    const std::string_view text(bytes_ + lineStart_, lineEnd - lineStart_);
    std::uint16_t count = 0;
    // The indexes fit: a batch of ordinary size holds far fewer fields.
    if (plain_ && text.size() <= kLongestPreparedLine && firstField_ < kMostFieldsInBatch) {
      AddField(lineEnd);  // empty after a trailing space
      count = static_cast<std::uint16_t>(batch_.Fields.size() - firstField_);
    } else {
      batch_.Fields.resize(firstField_);
    }
    // Built whole in one go: filled in member by member, the record cost a stalled store
    // forwarding on every line.
    batch_.Lines.push_back(PreparedLine{text, static_cast<std::uint32_t>(firstField_), 0, count, 0});
    firstField_ = batch_.Fields.size();
    plain_ = true;
  }

  LineBatch& batch_;
  const char* bytes_;
  std::size_t firstField_;  // in batch_.Fields, of the current line
  std::size_t lineStart_ = 0;
  std::size_t fieldStart_ = 0;
  bool plain_ = true;           // no byte so far keeps the line from the simple split
};

}  // namespace

bool LineBatchFiller::PrepareLines(LineBatch& batch, std::size_t end) {
  return LineScanner(batch).Scan(end);
}

void LineBatchFiller::ConvertFields(LineBatch& batch, std::size_t lineCount, const std::atomic<bool>* handOver) {
  lineCount = std::min(lineCount, batch.Lines.size());
  for (std::size_t i = 0; i < lineCount; ++i) {
    // A look every 64 lines, a few microseconds apart, costs next to nothing.
    if (i % 64 == 0 && handOver != nullptr && handOver->load(std::memory_order_relaxed)) break;
    PreparedLine& line = batch.Lines[i];
    const auto firstReal = static_cast<std::uint32_t>(batch.Reals.size());
    const int count = std::min<int>(line.FieldCount, kConvertedFields);
    const FieldSpan* spans = batch.Fields.data() + line.FirstField;
    for (int f = 0; f < count; ++f) {
      batch.Reals.push_back(ReadField(batch, line, spans[f]));
    }
    // Only now: a line never claims numbers that running out of memory kept from the batch.
    line.FirstReal = firstReal;
    line.ConvertedCount = static_cast<std::uint16_t>(count);
  }
}

double PreparedReal(const LineBatch& batch, const PreparedLine& line, int n) {
  if (n < line.ConvertedCount) return batch.Reals[line.FirstReal + static_cast<std::size_t>(n)];
  return ReadField(batch, line, batch.Fields[line.FirstField + static_cast<std::size_t>(n)]);
}

const FieldTable& PreparedFieldTable::Load(const LineBatch& batch, const PreparedLine& line) {
  const int count = line.FieldCount;
  const FieldSpan* spans = batch.Fields.data() + line.FirstField;
  for (int f = 0; f < count; ++f) {
    table_.Field[static_cast<std::size_t>(f)] = FieldText(line, spans[f]);
  }
  for (int f = count; f < fieldsInUse_; ++f) table_.Field[static_cast<std::size_t>(f)] = {};
  fieldsInUse_ = count;
  table_.FieldCount = count;
  table_.Converted = batch.Reals.data() + line.FirstReal;
  table_.ConvertedCount = line.ConvertedCount;
  table_.ReadableFrom = batch.Bytes.get();
  return table_;
}
