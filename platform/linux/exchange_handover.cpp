#include "platform/linux/exchange_handover.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "os/posix/descriptor_io.h"

namespace {

// No one can have changed the file since `auxline` wrote it: the seals cannot be lifted.
constexpr int kSeals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;
constexpr char kMark[] = "auxline-handover";

// The part that every layout keeps where it is: any build can tell from it whether a
// hand-over is meant for it. A build from before versions held the installation owner's user
// id where the version is: a number below 2^32, never a version.
struct Prefix {
  char Mark[sizeof kMark];
  std::uint64_t Launcher;
  std::uint64_t Version;
};

// The fixed part at the file's start; the path, the identity of the file that holds the
// takeover's "hq", and then the exchange bytes follow.
struct Header {
  Prefix Fixed;
  std::uint64_t Owner;
  std::uint64_t PathLength;
  std::uint64_t IdentityLength;
  std::uint64_t ExchangeLength;
  std::uint64_t HasExchange;
  std::uint64_t NothingToDrawWritten;
};

// The layout's number, raised whenever a field is added, dropped, moved or read otherwise;
// the header's size goes into the version beside it, so that a field added without raising
// the number still tells the two builds apart.
constexpr std::uint32_t kLayout = 2;
constexpr std::uint64_t kVersion = std::uint64_t{kLayout} << 32 | sizeof(Header);

struct Found {
  HandoverFault Fault = HandoverFault::None;
  Header Fields{};
};

// Whether the fixed part and the file's size agree, with `size` the bytes after the header.
bool LengthsFit(const Header& header, std::uint64_t size) {
  return header.PathLength <= size && header.IdentityLength <= size - header.PathLength &&
         header.ExchangeLength == size - header.PathLength - header.IdentityLength;
}

// A sealed memory file, as `auxline` makes the hand-over: nothing when there is no file at
// `fd` (EBADF) or it is no memory file (EINVAL); a failure to tell counts as a hand-over the
// system did not give.
std::optional<Found> SealedFile(int fd) {
  const int seals = FileCalls().fcntl(fd, F_GET_SEALS, 0);
  Found found;
  if (seals < 0 && errno != EBADF && errno != EINVAL) found.Fault = HandoverFault::Unreadable;
  if (seals != kSeals && found.Fault == HandoverFault::None) return std::nullopt;
  return found;
}

// The hand-over from this process's parent at `fd`, whole or refused; nothing when `fd`
// holds none.
std::optional<Found> FindHandover(int fd) {
  std::optional<Found> found = SealedFile(fd);
  if (!found || found->Fault != HandoverFault::None) return found;
  Header& header = found->Fields;
  if (!ReadExactly(fd, &header.Fixed, sizeof header.Fixed, 0)) {
    found->Fault = HandoverFault::Unreadable;
    return found;
  }
  if (std::memcmp(header.Fixed.Mark, kMark, sizeof kMark) != 0 ||
      header.Fixed.Launcher != static_cast<std::uint64_t>(FileCalls().getppid())) {
    return std::nullopt;
  }
  struct stat status {};
  if (header.Fixed.Version != kVersion) {
    found->Fault = HandoverFault::OtherVersion;
  } else if (FileCalls().fstat(fd, &status) != 0 || !ReadExactly(fd, &header, sizeof header, 0) ||
             static_cast<std::uint64_t>(status.st_size) < sizeof header ||
             !LengthsFit(header, static_cast<std::uint64_t>(status.st_size) - sizeof header)) {
    found->Fault = HandoverFault::Unreadable;
  }
  return found;
}

// The path and the taken-over exchange file after the header; false when the system did
// not give them all. Memory running out is no fault of the hand-over: the exchange file
// then counts as not read to its end, as in a takeover that ran out of memory.
bool ReadRest(int fd, const Header& header, Handover& handover) {
  std::string text(header.PathLength, '\0');
  if (!ReadExactly(fd, text.data(), text.size(), sizeof(Header))) return false;
  handover.StartingExecutable = text;
  if (header.HasExchange == 0) return true;
  ExchangeTakeover& exchange = handover.Exchange.emplace();
  // What the takeover wrote in the file's place, which OK checks before it writes.
  exchange.NothingToDrawWritten = header.NothingToDrawWritten != 0;
  const auto identityAt = static_cast<off_t>(sizeof(Header) + header.PathLength);
  exchange.WrittenIdentity.assign(header.IdentityLength, '\0');
  if (!ReadExactly(fd, exchange.WrittenIdentity.data(), header.IdentityLength, identityAt))
    return false;
  try {
    exchange.Bytes.assign(header.ExchangeLength, '\0');
  } catch (const std::bad_alloc&) {
    exchange.ReadToItsEnd = false;
    return true;
  }
  const auto bytesAt = identityAt + static_cast<off_t>(header.IdentityLength);
  return ReadExactly(fd, exchange.Bytes.data(), header.ExchangeLength, bytesAt);
}

Handover Refused(HandoverFault fault) {
  Handover handover;
  handover.Fault = fault;
  return handover;
}

}  // namespace

int ExitStatusForRefused(HandoverFault fault) {
  return fault == HandoverFault::OtherVersion ? kExitHandoverOfOtherVersion
                                              : kExitHandoverUnreadable;
}

int PutIntoHandoverFile(const std::filesystem::path& startingExecutable, uid_t installationOwner,
                        const ExchangeTakeover* exchange, pid_t launcher) {
  const std::string& path = startingExecutable.native();
  const std::string identity = exchange != nullptr ? exchange->WrittenIdentity : "";
  Header header{};
  std::memcpy(header.Fixed.Mark, kMark, sizeof kMark);
  header.Fixed.Launcher = static_cast<std::uint64_t>(launcher);
  header.Fixed.Version = kVersion;
  header.Owner = installationOwner;
  header.PathLength = path.size();
  header.IdentityLength = identity.size();
  header.ExchangeLength = exchange != nullptr ? exchange->Bytes.size() : 0;
  header.HasExchange = exchange != nullptr ? 1 : 0;
  header.NothingToDrawWritten = exchange != nullptr && exchange->NothingToDrawWritten ? 1 : 0;
  const int fd = FileCalls().memfd_create(kMark, MFD_ALLOW_SEALING | MFD_CLOEXEC);
  if (fd < 0) return -1;
  const bool written = WriteAll(fd, {reinterpret_cast<const char*>(&header), sizeof header}) &&
                       WriteAll(fd, path) && WriteAll(fd, identity) &&
                       (exchange == nullptr || WriteAll(fd, exchange->Bytes));
  if (!written || FileCalls().fcntl(fd, F_ADD_SEALS, kSeals) != 0) {
    FileCalls().close(fd);
    return -1;
  }
  return fd;
}

bool HandoverPresent(int fd) { return FindHandover(fd).has_value(); }

std::optional<Handover> TakeHandover(int fd) {
  const std::optional<Found> found = FindHandover(fd);
  if (!found) return std::nullopt;
  Handover handover;
  handover.Fault = found->Fault;
  if (handover.Fault == HandoverFault::None) {
    handover.InstallationOwner = static_cast<uid_t>(found->Fields.Owner);
    bool whole = false;
    try {
      whole = ReadRest(fd, found->Fields, handover);
    } catch (const std::bad_alloc&) {
    }
    if (!whole) handover = Refused(HandoverFault::Unreadable);
  }
  FileCalls().close(fd);
  return handover;
}
