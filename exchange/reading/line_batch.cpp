#include "exchange/reading/line_batch.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "exchange/reading/line_end.h"
#include "exchange/reading/line_splitter.h"
#include "exchange/reading/split_stop_bytes.h"
#include "numeric/lenient_number.h"

namespace {

constexpr std::size_t kMostFieldsInBatch = std::size_t{0xFFFFFFFF} - kMaxFields;

// Gives the batch room for `capacity` bytes, keeping its first `keep` bytes.
void Reserve(LineBatch& batch, std::size_t capacity, std::size_t keep) {
  if (batch.Bytes.size() >= capacity) return;
  PaddedBuffer larger(capacity);
  if (keep > 0) std::memcpy(larger.data(), batch.Bytes.data(), keep);
  batch.Bytes = std::move(larger);
}

// The end of the last line feed in bytes `from` .. `to`, or 0 when there is none. The search
// runs backwards: a batch of ordinary lines finds one within the last line.
std::size_t AfterLastLineFeed(const char* bytes, std::size_t from, std::size_t to) {
  const std::size_t whole = WholeLinesLength(std::string_view(bytes + from, to - from));
  return whole > 0 ? from + whole : 0;
}

std::string_view FieldText(const PreparedLine& line, FieldSpan span) {
  return std::string_view(line.Text.data() + span.Start, span.Size);
}

// A field read as FieldTable::Real reads it, in its batch's buffer.
double ReadField(const LineBatch& batch, const PreparedLine& line, FieldSpan span) {
  return LenientStrToFloat(batch.Bytes.Text(FieldText(line, span)));
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
      std::memcpy(batch.Bytes.data(), carried_.data(), carried_.size());
      filled = carried_.size();
      searched = filled;
      carried_ = {};
    } else {
      Reserve(batch, batchSize_, filled);
    }
    std::size_t linesEnd = 0;
    for (;;) {
      const bool stopped = ReadInto(batch, filled);
      linesEnd = AfterLastLineFeed(batch.Bytes.data(), searched, filled);
      if (stopped || linesEnd > 0) break;
      // Not one whole line in a full batch.
      searched = filled;
      Reserve(batch, 2 * batch.Bytes.size(), filled);
    }
    const bool endMark = PrepareLines(batch, endOfFile_ ? filled : linesEnd);
    ConvertFields(
        batch, static_cast<std::size_t>(convertedShare * static_cast<double>(batch.Lines.size())),
        handOver);
    if (endMark) {
      finished_ = true;
      failed_ = false;  // a Ctrl-Z line in what was read ends the file before any failure
    } else if (endOfFile_ || failed_) {
      finished_ = true;  // after a failure the unfinished line is dropped
    } else {
      carried_ = std::string_view(batch.Bytes.data() + linesEnd, filled - linesEnd);
    }
  } catch (...) {
    // Out of memory on an absurd line: the lines prepared so far stay in the batch.
    carried_ = {};
    failed_ = true;
    finished_ = true;
  }
}

bool LineBatchFiller::ReadInto(LineBatch& batch, std::size_t& filled) {
  while (filled < batch.Bytes.size()) {
    std::ptrdiff_t got = -1;
    try {
      got = read_(batch.Bytes.data() + filled, batch.Bytes.size() - filled);
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
      : batch_(batch), bytes_(batch.Bytes.data()), firstField_(batch.Fields.size()) {}

 private:
  // Adds each field the cut closes to the batch. Offsets are cut to 16 bits; a line too
  // long for them is not kept as prepared anyway.
  auto AddField() {
    return [this](int, std::size_t start, std::size_t end) {
      batch_.Fields.push_back({static_cast<std::uint16_t>(start - lineStart_),
                               static_cast<std::uint16_t>(end - start)});
    };
  }

 public:
  // Bytes 0 .. end; true at a Ctrl-Z line.
  bool Scan(std::size_t end) {
    const std::string_view bytes(bytes_, end);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes_);
    if (StartsWithEndMark(0, end)) return true;
    for (std::size_t block = 0; block < end; block += 64) {
      const std::size_t blockSize = end - block < 64 ? end - block : 64;
      for (std::uint64_t bits = SpecialBits(in + block, blockSize); bits != 0;
           bits = WithoutLowestBit(bits)) {
        const std::size_t k = block + static_cast<std::size_t>(std::countr_zero(bits));
        const unsigned char byte = in[k];
        if (byte == ' ') {
          // One field too many for the table makes the line LineSplitter's.
          if (plain_) plain_ = cut_.AtSpace(k, AddField());
        } else if (byte == '\n') {
          EndLine(LineTextEnd(bytes, lineStart_, k));
          lineStart_ = k + 1;
          cut_ = PlainFieldCut(lineStart_);
          if (StartsWithEndMark(lineStart_, end)) return true;
        } else if (IsSpecialByte(byte) && !IsLineEndCarriageReturn(bytes, k)) {
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

  void EndLine(std::size_t lineEnd) {
    const std::string_view text(bytes_ + lineStart_, lineEnd - lineStart_);
    std::uint16_t count = 0;
    // The indexes fit: a batch of ordinary size holds far fewer fields.
    if (plain_ && text.size() <= kLongestPreparedLine && firstField_ < kMostFieldsInBatch) {
      count = static_cast<std::uint16_t>(cut_.AtEnd(lineEnd, AddField()));
    } else {
      batch_.Fields.resize(firstField_);
    }
    // Built whole in one go: filled in member by member, the record cost a stalled store
    // forwarding on every line.
    batch_.Lines.push_back(
        PreparedLine{text, static_cast<std::uint32_t>(firstField_), 0, count, 0});
    firstField_ = batch_.Fields.size();
    plain_ = true;
  }

  LineBatch& batch_;
  const char* bytes_;
  std::size_t firstField_;  // in batch_.Fields, of the current line
  std::size_t lineStart_ = 0;
  PlainFieldCut cut_;
  bool plain_ = true;  // no byte so far keeps the line from the simple split
};

}  // namespace

bool LineBatchFiller::PrepareLines(LineBatch& batch, std::size_t end) {
  return LineScanner(batch).Scan(end);
}

void LineBatchFiller::ConvertFields(LineBatch& batch, std::size_t lineCount,
                                    const std::atomic<bool>* handOver) {
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
  table_.FieldBuffer = &batch.Bytes;
  return table_;
}
