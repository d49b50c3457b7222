// Reading the exchange file: lines from the file, fields from a line, and the dispatch.
#include "exchange/exchange_reader.h"

#include <exception>
#include <fstream>

#include "exchange/reader_line_source.h"
#include "exchange/line_splitter.h"
#include "exchange/reader_dispatch.h"

namespace {

// The field table of the line being parsed lives here, reused from line to line.
LineSplitter g_splitter;

}  // namespace

void ParseExchangeLine(std::string_view line) {
  const FieldTable& fields = g_splitter.Split(line);
  if (fields.FieldCount == 1 && fields.Field[0].empty()) return;
  if (ApplyHeaderLine(fields)) return;
  ParseEntityLine(fields);
}

bool ReadExchangeFile(const std::filesystem::path& path) {
  try {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) return false;
    ReaderLineSource lines(file);
    std::string_view line;
    while (lines.Next(line)) ParseExchangeLine(line);
    return lines.ReadToEnd();
  } catch (const std::exception&) {
    // Out of memory on an absurd line, or a failing stream: what was read stays applied.
    return false;
  }
}
