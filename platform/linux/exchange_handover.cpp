#include "platform/linux/exchange_handover.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <new>
#include <string>

#include "os/posix/descriptor_io.h"

namespace {

// Sealed: the dialog program takes the bytes back only from a file that no one can have
// changed since, which also tells it from any other descriptor the variable might name.
constexpr int kSeals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;

}  // namespace

int PutIntoInheritedMemoryFile(const ExchangeTakeover& takenOver) {
  const int fd = ::memfd_create("auxline-exchange", MFD_ALLOW_SEALING);
  if (fd < 0) return -1;
  // One line of what the takeover wrote, which OK checks before it writes, then the bytes.
  const std::string written =
      (takenOver.NothingToDrawWritten ? "1 " : "0 ") + takenOver.WrittenIdentity + "\n";
  if (!WriteAll(fd, written) || !WriteAll(fd, takenOver.Bytes) ||
      ::fcntl(fd, F_ADD_SEALS, kSeals) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::optional<ExchangeTakeover> TakeHandedOverExchange() {
  const char* value = ::getenv(kHandedOverExchangeVariable);
  if (value == nullptr) return std::nullopt;
  int fd = -1;
  const char* end = value + std::strlen(value);
  const bool named = std::from_chars(value, end, fd).ptr == end && fd >= 0;
  ::unsetenv(kHandedOverExchangeVariable);

  ExchangeTakeover takenOver;
  takenOver.ReadToItsEnd = false;
  // Anything but the sealed file (a descriptor this program did not get from `auxline`) is
  // neither read nor closed.
  if (!named || ::fcntl(fd, F_GET_SEALS) != kSeals) return takenOver;
  struct stat status {};
  try {
    if (::fstat(fd, &status) == 0) {
      takenOver.ReadToItsEnd =
          ReadWholeFile(fd, takenOver.Bytes, static_cast<std::size_t>(status.st_size));
    }
  } catch (const std::bad_alloc&) {
  }
  const std::size_t lineEnd = takenOver.Bytes.find('\n');
  if (lineEnd == std::string::npos || lineEnd < 2) takenOver.ReadToItsEnd = false;
  if (takenOver.ReadToItsEnd) {
    takenOver.NothingToDrawWritten = takenOver.Bytes[0] == '1';
    takenOver.WrittenIdentity = takenOver.Bytes.substr(2, lineEnd - 2);
    takenOver.Bytes.erase(0, lineEnd + 1);
  } else {
    std::string().swap(takenOver.Bytes);
  }
  ::close(fd);
  return takenOver;
}
