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

int PutIntoInheritedMemoryFile(std::string_view bytes) {
  const int fd = ::memfd_create("auxline-exchange", MFD_ALLOW_SEALING);
  if (fd < 0) return -1;
  if (!WriteAll(fd, bytes) || ::fcntl(fd, F_ADD_SEALS, kSeals) != 0) {
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
  if (!takenOver.ReadToItsEnd) std::string().swap(takenOver.Bytes);
  ::close(fd);
  return takenOver;
}
