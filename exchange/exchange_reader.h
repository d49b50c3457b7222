#pragma once
// Reading the host's exchange file into the exchange state.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

// One line split into at most kMaxFields fields. The fields are views into the line or into
// a scratch buffer owned by the splitter; they stay valid until the next line is split.
constexpr int kMaxFields = 32;
struct FieldTable {
  std::array<std::string_view, kMaxFields> Field{};
  int FieldCount = 0;  // number of the last field reached plus one
};

// Reads the whole file line by line into the exchange state. False when the file does not
// exist or could not be read to its end; the lines read before a failure stay applied.
bool ReadExchangeFile(const std::filesystem::path& path);

// Splits one line (without its line break) and applies it to the exchange state.
void ParseExchangeLine(std::string_view line);

// The entity stage of the dispatch: called for lines that no header, table, attribute,
// mode or indicated-point key has taken.
void ParseEntityLine(const FieldTable& fields);
