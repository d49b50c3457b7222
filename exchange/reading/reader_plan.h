#pragma once
// How the exchange-file reader reads: the plan that decides between the line-by-line reading
// and the batches on two threads, and the reading of blocks from any source. Inside the
// reader, and for the tests, the fuzzer and the benchmarks, which force either way onto
// their inputs; the tool itself reads through exchange_reader.h.
#include <cstddef>
#include <string_view>

#include "exchange/reading/reader_line_source.h"

// How a large file is read in batches (see line_batch_pipeline.h).
struct BatchingPlan {
  std::size_t BatchSize = std::size_t{256} << 10;
  std::size_t BatchCount = 4;  // at least two: a batch is filled while the previous one is read
  bool Threaded = true;        // false: the reading thread's work is done on the calling one
  // The share of the lines whose numbers are converted ahead of the dispatch; a reading
  // thread converts less when the dispatch waits for the batch.
  double ConvertedShare = 1.0;
};

// How the file is read. A file whose first read fills BatchingFrom bytes is read in batches
// on two threads; a smaller one line by line on the calling thread. Both give the same
// state; tests make both run on small inputs.
struct ReadPlan {
  std::size_t BatchingFrom = std::size_t{256} << 10;
  BatchingPlan Batches;
};

// ReadExchangeFile and ReadExchangeBytes on blocks from `read`.
bool ParseExchangeBlocks(const ReaderLineSource::BlockReader& read, const ReadPlan& plan = {});

// ReadExchangeBytes by the given plan.
bool ReadExchangeBytes(std::string_view bytes, const ReadPlan& plan);
