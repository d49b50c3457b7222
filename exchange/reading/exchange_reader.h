#pragma once
// Reading the host's exchange file into the exchange state.
#include <filesystem>
#include <string_view>

// Reads the whole file line by line into the exchange state. False when the file does not
// exist or could not be read to its end; the lines read before a failure stay applied.
// Only a regular file is read: anything else in its place counts as unreadable.
bool ReadExchangeFile(const std::filesystem::path& path);

// The same as ReadExchangeFile for the file's bytes read beforehand.
bool ReadExchangeBytes(std::string_view bytes);

// Splits one line (without its line break) and applies it to the exchange state.
void ParseExchangeLine(std::string_view line);
