// Reading a regular file whole, up to a bound: the same on every platform.
#include <algorithm>

#include "os/file_system.h"

BoundedRead ReadRegularFile(const std::filesystem::path& path, std::size_t limit) {
  constexpr std::size_t kBlock = std::size_t{1} << 16;
  BoundedRead result;
  RegularFileReader file(path);
  result.State = file.State();
  result.Error = file.Error();
  if (result.State != RegularFileReader::Outcome::Opened) return result;
  std::size_t filled = 0;
  // One byte beyond the limit tells a file of exactly `limit` bytes from a longer one.
  while (filled <= limit) {
    const std::size_t room = limit - filled;
    const std::size_t want = room >= kBlock ? kBlock : room + 1;
    result.Bytes.resize(filled + want);
    const std::ptrdiff_t got = file.Read(result.Bytes.data() + filled, want);
    if (got <= 0) {
      result.ReadError = got < 0;
      result.Error = file.Error();
      result.Complete = got == 0;
      break;
    }
    filled += static_cast<std::size_t>(got);
  }
  result.Bytes.resize(std::min(filled, limit));
  return result;
}
