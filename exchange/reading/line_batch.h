#pragma once
// Whole lines of the exchange file read into one buffer and made ready for the dispatch
// ahead of it, so that another thread can do that work while the dispatch runs: the lines
// are found (by the rules of line_end.h), the usual ones split at their spaces
// (SplitAtSpaces) and their first fields converted to numbers exactly as FieldTable::Real
// would. Lines of any other shape are handed on whole, for LineSplitter.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "exchange/reading/field_table.h"
#include "exchange/reading/reader_line_source.h"
#include "numeric/padded_buffer.h"

// Fields 0 to 8 hold every real that the dispatch reads of an entity line.
inline constexpr int kConvertedFields = 9;

// Where a field lies in its line. Lines of up to kLongestPreparedLine bytes are prepared,
// so four bytes locate a field: the reading thread writes and the dispatch reads little.
struct FieldSpan {
  std::uint16_t Start = 0;
  std::uint16_t Size = 0;
};
inline constexpr std::size_t kLongestPreparedLine = 0xFFFF;

struct PreparedLine {
  std::string_view Text;             // without its line end; a view into the batch's bytes
  std::uint32_t FirstField = 0;      // its fields in LineBatch::Fields
  std::uint32_t FirstReal = 0;       // its converted fields in LineBatch::Reals
  std::uint16_t FieldCount = 0;      // 0 for a line left to LineSplitter
  std::uint16_t ConvertedCount = 0;  // fields 0 .. ConvertedCount-1 are in Reals
};

struct LineBatch {
  PaddedBuffer Bytes;  // left uninitialised: only what is read is touched
  std::vector<PreparedLine> Lines;
  std::vector<FieldSpan> Fields;
  std::vector<double> Reals;
};

// Reads the file batch after batch. The line that a batch ends in the middle of is carried
// to the front of the next one; a line longer than the batch grows it.
class LineBatchFiller {
 public:
  LineBatchFiller(ReaderLineSource::BlockReader read, std::size_t batchSize);

  // Fills `batch` with the next whole lines and converts the fields of the first
  // `convertedShare` (0 to 1) of them, or of fewer once `handOver` (where given) turns true:
  // the dispatch waits for this batch, and converts the others itself. `filled` bytes of the
  // first batch may have been read into it already. The previous batch must stay untouched
  // until this returns: its unfinished line is copied from there. Never throws: running out
  // of memory ends the reading like a read error, after the lines prepared so far.
  void Fill(LineBatch& batch, double convertedShare = 1.0, std::size_t filled = 0,
            const std::atomic<bool>* handOver = nullptr);

  // No more batches: the end of the file, a Ctrl-Z line, a read error or no memory.
  bool Finished() const { return finished_; }
  // Finished at the end of the file or at a Ctrl-Z line, without a failure.
  bool ReadToEnd() const { return finished_ && !failed_; }

 private:
  // Reads until the batch is full, the file ends or a read fails; `filled` grows by what
  // was read. False while the file goes on behind a full batch.
  bool ReadInto(LineBatch& batch, std::size_t& filled);
  // Cuts bytes 0 .. end of the batch into lines, the last one without its line end when
  // the file ends there. True at a Ctrl-Z line, after which nothing is taken.
  static bool PrepareLines(LineBatch& batch, std::size_t end);
  // Converts fields 0 to kConvertedFields-1 of the batch's first `lineCount` lines, or of
  // fewer once `handOver` turns true.
  static void ConvertFields(LineBatch& batch, std::size_t lineCount,
                            const std::atomic<bool>* handOver);

  ReaderLineSource::BlockReader read_;
  std::size_t batchSize_;
  std::string_view carried_;  // the unfinished line at the end of the previous batch
  bool endOfFile_ = false;
  bool finished_ = false;
  bool failed_ = false;
};

// Field n (below the line's FieldCount) of a prepared line read as a number, exactly as
// FieldTable::Real reads it: converted ahead, or now.
double PreparedReal(const LineBatch& batch, const PreparedLine& line, int n);

// Presents one prepared line to the dispatch as its field table.
class PreparedFieldTable {
 public:
  const FieldTable& Load(const LineBatch& batch, const PreparedLine& line);

 private:
  FieldTable table_;
  int fieldsInUse_ = 0;  // fields that may still hold views of an earlier line
};
