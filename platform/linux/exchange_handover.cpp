#include "platform/linux/exchange_handover.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "os/posix/descriptor_io.h"

namespace {

// No one can have changed the file since `auxline` wrote it: the seals cannot be lifted.
constexpr int kSeals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;
constexpr char kMark[] = "auxline-handover";

// The fixed part at the file's start; the path, the identity of the file that holds the
// takeover's "hq", and then the exchange bytes follow.
struct Header {
  char Mark[sizeof kMark];
  std::uint64_t Launcher;
  std::uint64_t Owner;
  std::uint64_t PathLength;
  std::uint64_t IdentityLength;
  std::uint64_t ExchangeLength;
  std::uint64_t HasExchange;
  std::uint64_t NothingToDrawWritten;
};

bool ReadExactly(int fd, std::string& bytes, std::size_t length, off_t offset) {
  bytes.resize(length);
  std::size_t filled = 0;
  while (filled < length) {
    const ssize_t got =
        ::pread(fd, bytes.data() + filled, length - filled, offset + static_cast<off_t>(filled));
    if (got <= 0 && !(got < 0 && errno == EINTR)) return false;
    if (got > 0) filled += static_cast<std::size_t>(got);
  }
  return true;
}

// The header of a hand-over from this process's parent at `fd`, with the file's size.
std::optional<Header> HandoverHeader(int fd) {
  struct stat status {};
  if (::fcntl(fd, F_GET_SEALS) != kSeals || ::fstat(fd, &status) != 0) return std::nullopt;
  std::string bytes;
  Header header{};
  if (!ReadExactly(fd, bytes, sizeof header, 0)) return std::nullopt;
  std::memcpy(&header, bytes.data(), sizeof header);
  const auto size = static_cast<std::uint64_t>(status.st_size) - sizeof header;
  const bool fits = header.PathLength <= size &&
                    header.IdentityLength <= size - header.PathLength &&
                    header.ExchangeLength == size - header.PathLength - header.IdentityLength;
  if (std::memcmp(header.Mark, kMark, sizeof kMark) != 0 || !fits ||
      header.Launcher != static_cast<std::uint64_t>(::getppid())) {
    return std::nullopt;
  }
  return header;
}

}  // namespace

int PutIntoHandoverFile(const std::filesystem::path& startingExecutable, uid_t installationOwner,
                        const ExchangeTakeover* exchange, pid_t launcher) {
  const std::string& path = startingExecutable.native();
  const std::string identity = exchange != nullptr ? exchange->WrittenIdentity : "";
  Header header{};
  std::memcpy(header.Mark, kMark, sizeof kMark);
  header.Launcher = static_cast<std::uint64_t>(launcher);
  header.Owner = installationOwner;
  header.PathLength = path.size();
  header.IdentityLength = identity.size();
  header.ExchangeLength = exchange != nullptr ? exchange->Bytes.size() : 0;
  header.HasExchange = exchange != nullptr ? 1 : 0;
  header.NothingToDrawWritten = exchange != nullptr && exchange->NothingToDrawWritten ? 1 : 0;
  const int fd = ::memfd_create("auxline-handover", MFD_ALLOW_SEALING | MFD_CLOEXEC);
  if (fd < 0) return -1;
  const bool written = WriteAll(fd, {reinterpret_cast<const char*>(&header), sizeof header}) &&
                       WriteAll(fd, path) && WriteAll(fd, identity) &&
                       (exchange == nullptr || WriteAll(fd, exchange->Bytes));
  if (!written || ::fcntl(fd, F_ADD_SEALS, kSeals) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool HandoverPresent(int fd) { return HandoverHeader(fd).has_value(); }

std::optional<Handover> TakeHandover(int fd) {
  const std::optional<Header> header = HandoverHeader(fd);
  if (!header) return std::nullopt;
  Handover handover;
  handover.InstallationOwner = static_cast<uid_t>(header->Owner);
  std::string path;
  try {
    if (ReadExactly(fd, path, header->PathLength, sizeof(Header))) {
      handover.StartingExecutable = path;
    }
    if (header->HasExchange != 0) {
      ExchangeTakeover& exchange = handover.Exchange.emplace();
      // What the takeover wrote in the file's place, which OK checks before it writes.
      exchange.NothingToDrawWritten = header->NothingToDrawWritten != 0;
      const auto identityAt = static_cast<off_t>(sizeof(Header) + header->PathLength);
      const bool identityRead =
          ReadExactly(fd, exchange.WrittenIdentity, header->IdentityLength, identityAt);
      const auto offset = identityAt + static_cast<off_t>(header->IdentityLength);
      exchange.ReadToItsEnd =
          identityRead && ReadExactly(fd, exchange.Bytes, header->ExchangeLength, offset);
      if (!exchange.ReadToItsEnd) std::string().swap(exchange.Bytes);
    }
  } catch (const std::bad_alloc&) {
    if (handover.Exchange) {
      std::string().swap(handover.Exchange->Bytes);
      handover.Exchange->ReadToItsEnd = false;
    }
  }
  ::close(fd);
  return handover;
}
