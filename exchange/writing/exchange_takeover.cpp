#include "exchange/writing/exchange_takeover.h"

#include <cstddef>
#include <limits>
#include <new>
#include <utility>

#include "exchange/writing/command_writer.h"
#include "os/file_system.h"

ExchangeTakeover TakeOverExchangeFile(const std::filesystem::path& path) {
  ExchangeTakeover takeover;
  try {
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
      takeover.ReadError = file.Error;
    }
  } catch (const std::bad_alloc&) {
    takeover.ReadToItsEnd = false;  // too large to hold
    takeover.ReadError =
        FailedAt("hold the file in memory", std::make_error_code(std::errc::not_enough_memory));
  }
  takeover.NothingToDrawWritten = ReplaceExchangeFile(path, kNothingToDraw).Ok();
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
