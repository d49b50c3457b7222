#pragma once
// Reading the host's exchange file into the exchange state.
#include <filesystem>
#include <string_view>

// Reads the whole file line by line into the exchange state. False when the file does not
// exist or could not be read to its end; the lines read before a failure stay applied.
bool ReadExchangeFile(const std::filesystem::path& path);

// Splits one line (without its line break) and applies it to the exchange state.
void ParseExchangeLine(std::string_view line);
