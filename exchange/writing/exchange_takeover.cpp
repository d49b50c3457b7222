#include "exchange/writing/exchange_takeover.h"

#include <cstddef>
#include <limits>
#include <new>
#include <utility>

#include "exchange/writing/command_writer.h"
#include "os/file_system.h"
#include "os/own_file.h"

ExchangeTakeover TakeOverExchangeFile(const std::filesystem::path& path) {
  ExchangeTakeover takeover;
  try {
    ClearSystemError();
    BoundedRead file = ReadRegularFile(path, std::numeric_limits<std::size_t>::max());
    takeover.ReadToItsEnd = file.State == RegularFileReader::Outcome::Missing || file.Complete;
    if (takeover.ReadToItsEnd && file.State == RegularFileReader::Outcome::Opened &&
        file.Bytes == kNothingToDraw) {
      takeover.ReadToItsEnd = false;
      takeover.OwnOutput = true;
      return takeover;
    }
    if (takeover.ReadToItsEnd) {
      takeover.Bytes = std::move(file.Bytes);
    } else {
      takeover.ReadError = LastSystemError();
    }
  } catch (const std::bad_alloc&) {
    takeover.ReadToItsEnd = false;  // too large to hold
    takeover.ReadError = std::make_error_code(std::errc::not_enough_memory);
  }
  takeover.NothingToDrawWritten = ReplaceExchangeFile(path, kNothingToDraw);
  if (takeover.NothingToDrawWritten) takeover.WrittenIdentity = FileIdentityOf(path);
  return takeover;
}

bool StillTakenOver(const std::filesystem::path& path, const ExchangeTakeover& takeover) {
  if (!takeover.NothingToDrawWritten) return true;
  if (!takeover.WrittenIdentity.empty() && FileIdentityOf(path) != takeover.WrittenIdentity) {
    return false;
  }
  return HoldsNothingToDraw(path);
}
