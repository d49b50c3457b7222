#include "exchange/writing/exchange_takeover.h"

#include <cstddef>
#include <limits>
#include <new>
#include <utility>

#include "exchange/reading/line_end.h"
#include "exchange/writing/command_writer.h"
#include "os/file_system.h"

std::string TakeOverExchangeFile(const std::filesystem::path& path) {
  BoundedRead file;
  try {
    file = ReadRegularFile(path, std::numeric_limits<std::size_t>::max());
  } catch (const std::bad_alloc&) {
    file = BoundedRead{};  // too large to hold: read as unreadable
  }
  // After a read error only the lines that ended before it count, as in ReadExchangeFile.
  if (file.ReadError) file.Bytes.resize(WholeLinesLength(file.Bytes));
  ReplaceExchangeFile(path, kNothingToDraw);
  return std::move(file.Bytes);
}
