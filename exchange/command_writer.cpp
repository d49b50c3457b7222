// The command queue and the file that carries it back to the host.
#include "exchange/command_writer.h"

#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "exchange/atomic_file.h"
#include "exchange/exchange_state.h"

namespace {

constexpr char kLineEnd[] = "\r\n";

// The whole file as bytes: every queued line as it stands, each ending in CR LF, or the
// single line "hq" (nothing to draw) when the queue is empty.
template <typename Queue>
std::string ExchangeFileBytes(const Queue& queue) {
  if (queue.empty()) return std::string("hq") + kLineEnd;
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

// After a failed write the host must not find the file it wrote itself (its own input,
// which it would take for a command list). A directory of that name is left alone.
void RemoveStaleExchangeFile(const std::filesystem::path& path) {
  std::error_code ignored;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, ignored);
  if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
    std::filesystem::remove(path, ignored);
  }
}

}  // namespace

void QueueCommand(std::string line) { Exchange().CommandQueue.push_back(std::move(line)); }

bool WriteExchangeFile(const std::filesystem::path& path) {
  bool written = false;
  try {
    written = ReplaceFileContents(path, ExchangeFileBytes(Exchange().CommandQueue));
  } catch (const std::bad_alloc&) {
    written = false;
  }
  if (!written) RemoveStaleExchangeFile(path);
  return written;
}
