// The command queue and the file that carries it back to the host.
#include "exchange/writing/command_writer.h"

#include <cstdint>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "exchange/state/exchange_state.h"
#include "os/file_system.h"

namespace {

// What failed when the list or its copy could not be held in memory.
constexpr char kListOutOfMemory[] = "hold the list in memory";

constexpr char kLineEnd[] = "\r\n";

// The whole file as bytes: every queued line as it stands, each ending in CR LF, or the
// single line "hq" (nothing to draw) when the queue is empty.
template <typename Queue>
std::string ExchangeFileBytes(const Queue& queue) {
  if (queue.empty()) return std::string(kNothingToDraw);
  std::size_t size = 0;
  for (const std::string& line : queue) size += line.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (const std::string& line : queue) {
    bytes += line;
    bytes += kLineEnd;
  }
  return bytes;
}

}  // namespace

bool HoldsNothingToDraw(const std::filesystem::path& path) {
  // The size first: a file of any other size (host input, a file another program holds) is
  // never opened, so neither a run's start nor a failed write waits for a held file here.
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size != kNothingToDraw.size()) return false;
  const BoundedRead file = ReadRegularFile(path, kNothingToDraw.size());
  return file.Complete && file.Bytes == kNothingToDraw;
}

void QueueCommand(std::string line) { Exchange().CommandQueue.push_back(std::move(line)); }

FileResult WriteExchangeFile(const std::filesystem::path& path) {
  std::string bytes;
  try {
    bytes = ExchangeFileBytes(Exchange().CommandQueue);
  } catch (const std::bad_alloc&) {
    RemoveRegularFile(path);
    return FailedAt(kListOutOfMemory, std::make_error_code(std::errc::not_enough_memory));
  }
  return ReplaceExchangeFile(path, bytes);
}

// The host must never find a partial list, nor the file it wrote itself (its own input,
// which it would take for a command list): a file rewritten in place that fails part-way
// gets "nothing to draw", as does one made anew where a failed replacement lost it; a file
// that could not be replaced at all is removed. A file that holds "nothing to draw" stays.
FileResult ReplaceExchangeFile(const std::filesystem::path& path, std::string_view bytes) {
  FileResult written;
  try {
    ReplaceOptions options;
    options.BytesAfterFailedWrite = kNothingToDraw;
    written = ReplaceFileContents(path, bytes, options);
  } catch (const std::bad_alloc&) {
    written = FailedAt(kListOutOfMemory, std::make_error_code(std::errc::not_enough_memory));
  }
  if (!written && !HoldsNothingToDraw(path)) RemoveRegularFile(path);
  return written;
}
