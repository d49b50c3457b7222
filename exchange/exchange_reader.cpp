// Reading the exchange file: lines from the file, fields from a line, and the dispatch.
#include "exchange/exchange_reader.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "exchange/reader_line_source.h"
#include "exchange/line_splitter.h"
#include "exchange/reader_dispatch.h"
#include "platform/os/file_system.h"

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

namespace {

// Every line the source hands out, in file order; true when it read to the end.
bool ParseAllLines(ReaderLineSource::BlockReader read) {
  try {
    ReaderLineSource lines(std::move(read));
    std::string_view line;
    while (lines.Next(line)) ParseExchangeLine(line);
    return lines.ReadToEnd();
  } catch (const std::exception&) {
    // Out of memory on an absurd line: what was read stays applied.
    return false;
  }
}

}  // namespace

bool ReadExchangeFile(const std::filesystem::path& path) {
  RegularFileReader file(path);
  if (file.State() != RegularFileReader::Outcome::Opened) return false;
  return ParseAllLines([&file](char* buffer, std::size_t size) { return file.Read(buffer, size); });
}

bool ReadExchangeBytes(std::string_view bytes) {
  return ParseAllLines([&bytes](char* buffer, std::size_t size) -> std::ptrdiff_t {
    const std::size_t count = std::min(size, bytes.size());
    if (count > 0) std::memcpy(buffer, bytes.data(), count);
    bytes.remove_prefix(count);
    return static_cast<std::ptrdiff_t>(count);
  });
}
