// Reading the exchange file: lines from the file, fields from a line, and the dispatch.
#include "exchange/reading/exchange_reader.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "exchange/reading/line_batch_pipeline.h"
#include "exchange/reading/line_splitter.h"
#include "exchange/reading/reader_plan.h"
#include "exchange/reading/reader_dispatch.h"
#include "os/file_system.h"

namespace {

// The field table of the line being parsed lives here, reused from line to line.
LineSplitter g_splitter;

void DispatchFields(const FieldTable& fields) {
  if (fields.FieldCount == 1 && fields.Field[0].empty()) return;
  if (ApplyHeaderLine(fields)) return;
  ParseEntityLine(fields);
}

// A prepared line of four fields whose first cannot start a key: the dispatch would take
// it as a bare line on sight. Most lines of a large drawing are such; they skip the field
// table and the key tests.
bool IsPlainBareLine(const LineBatch& batch, const PreparedLine& line) {
  return line.FieldCount == 4 && !CanStartKey(line.Text[batch.Fields[line.FirstField].Start]);
}

// Every line of the batches in file order; true when the file was read to its end.
bool ParseBatches(LineBatchPipeline& batches) {
  PreparedFieldTable prepared;
  while (const LineBatch* batch = batches.Next()) {
    for (const PreparedLine& line : batch->Lines) {
      if (IsPlainBareLine(*batch, line)) {
        ParseBareLine({PreparedReal(*batch, line, 0), PreparedReal(*batch, line, 1),
                       PreparedReal(*batch, line, 2), PreparedReal(*batch, line, 3)});
      } else if (line.FieldCount > 0) {
        DispatchFields(prepared.Load(*batch, line));
      } else {
        ParseExchangeLine(line.Text);
      }
    }
  }
  return batches.ReadToEnd();
}

}  // namespace

void ParseExchangeLine(std::string_view line) { DispatchFields(g_splitter.Split(line)); }

bool ParseExchangeBlocks(const ReaderLineSource::BlockReader& read, const ReadPlan& plan) {
  try {
    // The first block decides: a file that fills it is read by two threads (see
    // line_batch_pipeline.h), a smaller one simply line by line, without starting a thread.
    const std::size_t probe = std::max<std::size_t>(plan.BatchingFrom, 1);
    PaddedBuffer first(probe);  // left uninitialised on purpose
    const std::ptrdiff_t got = read(first.data(), probe);
    if (got == static_cast<std::ptrdiff_t>(probe)) {
      LineBatchPipeline batches(read, std::move(first), probe, plan.Batches);
      return ParseBatches(batches);
    }
    ReaderLineSource lines(read, std::move(first), got);
    std::string_view line;
    while (lines.Next(line)) ParseExchangeLine(line);
    return lines.ReadToEnd();
  } catch (const std::exception&) {
    // Out of memory on an absurd line: what was read stays applied.
    return false;
  }
}

bool ReadExchangeFile(const std::filesystem::path& path) {
  return ReadExchangeFileTellingWhy(path).Outcome == ExchangeFileRead::ToItsEnd;
}

ExchangeFileReading ReadExchangeFileTellingWhy(const std::filesystem::path& path) {
  RegularFileReader file(path);
  switch (file.State()) {
    case RegularFileReader::Outcome::Missing: return {ExchangeFileRead::Missing, {}};
    case RegularFileReader::Outcome::Unreadable:
      return {ExchangeFileRead::NotToItsEnd, file.Error()};
    case RegularFileReader::Outcome::Opened: break;
  }
  const bool whole = ParseExchangeBlocks(
      [&file](char* buffer, std::size_t size) { return file.Read(buffer, size); });
  if (whole) return {ExchangeFileRead::ToItsEnd, {}};
  return {ExchangeFileRead::NotToItsEnd, file.Error()};
}

bool ReadExchangeBytes(std::string_view bytes) { return ReadExchangeBytes(bytes, ReadPlan{}); }

bool ReadExchangeBytes(std::string_view bytes, const ReadPlan& plan) {
  return ParseExchangeBlocks(
      [&bytes](char* buffer, std::size_t size) -> std::ptrdiff_t {
        const std::size_t count = std::min(size, bytes.size());
        if (count > 0) std::memcpy(buffer, bytes.data(), count);
        bytes.remove_prefix(count);
        return static_cast<std::ptrdiff_t>(count);
      },
      plan);
}
