#pragma once
// Reading the host's exchange file into the exchange state.
#include <filesystem>
#include <string_view>

#include "os/system_error.h"

// Reads the whole file line by line into the exchange state. False when the file does not
// exist or could not be read to its end; the lines read before a failure stay applied.
// Only a regular file is read: anything else in its place counts as unreadable.
bool ReadExchangeFile(const std::filesystem::path& path);

// The same as ReadExchangeFile for the file's bytes read beforehand.
bool ReadExchangeBytes(std::string_view bytes);

// What reading the exchange file came to. A missing file leaves the state at its defaults,
// which a run may go on with; a file that is there but was not read to its end (it may not
// be opened, a read failed, memory ran out, it is not a regular file) leaves a state built
// from part of the host's data or none of it, which no run may build on.
enum class ExchangeFileRead { ToItsEnd, Missing, NotToItsEnd };

struct ExchangeFileReading {
  ExchangeFileRead Outcome = ExchangeFileRead::Missing;
  // The open or the read that failed, where one did (NotToItsEnd).
  FileResult Error;
};

// ReadExchangeFile, telling the two kinds of false apart and why the file was not read.
ExchangeFileReading ReadExchangeFileTellingWhy(const std::filesystem::path& path);

// Splits one line (without its line break) and applies it to the exchange state.
void ParseExchangeLine(std::string_view line);
