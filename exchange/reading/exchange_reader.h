#pragma once
// Reading the host's exchange file into the exchange state.
#include <cstddef>
#include <filesystem>
#include <string_view>

#include "exchange/reading/line_batch.h"
#include "exchange/reading/reader_line_source.h"

// Reads the whole file line by line into the exchange state. False when the file does not
// exist or could not be read to its end; the lines read before a failure stay applied.
// Only a regular file is read: anything else in its place counts as unreadable.
bool ReadExchangeFile(const std::filesystem::path& path);

// What reading the exchange file came to. A missing file leaves the state at its defaults,
// which a run may go on with; a file that is there but was not read to its end (it may not
// be opened, a read failed, memory ran out, it is not a regular file) leaves a state built
// from part of the host's data or none of it, which no run may build on.
enum class ExchangeFileRead { ToItsEnd, Missing, NotToItsEnd };

// ReadExchangeFile, telling the two kinds of false apart.
ExchangeFileRead ReadExchangeFileTellingWhy(const std::filesystem::path& path);

// Splits one line (without its line break) and applies it to the exchange state.
void ParseExchangeLine(std::string_view line);

// How the file is read. A file whose first read fills BatchingFrom bytes is read in batches
// on two threads; a smaller one line by line on the calling thread. Both give the same
// state; tests make both run on small inputs.
struct ReadPlan {
  std::size_t BatchingFrom = std::size_t{256} << 10;
  BatchingPlan Batches;
};

// ReadExchangeFile and ReadExchangeBytes on blocks from `read`.
bool ParseExchangeBlocks(const ReaderLineSource::BlockReader& read, const ReadPlan& plan = {});

// The same as ReadExchangeFile for the file's bytes read beforehand.
bool ReadExchangeBytes(std::string_view bytes, const ReadPlan& plan = {});
