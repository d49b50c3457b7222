#pragma once
// For a run that may stay open for a long time (the "/R10" dialog): the exchange file is
// read whole and at once replaced by "nothing to draw", before any window exists. Whatever
// then ends the process (a kill, a logoff, a toolkit that aborts), the host finds "hq" and
// never its own input, which it would execute as commands.
#include <filesystem>
#include <string>

#include "os/system_error.h"

struct ExchangeTakeover {
  // The file's bytes; empty when it was missing (which reads as the defaults).
  std::string Bytes;
  // False when the file was there but not read to its end (it may not be opened, a read
  // failed, it would not fit in memory, it is not a regular file): the bytes are then
  // dropped, since no run may build on part of the host's data.
  bool ReadToItsEnd = true;
  // The file now holds "hq". False where it could not be replaced (and for a thing that is
  // not a regular file, which is never touched).
  bool NothingToDrawWritten = false;
  // Why the file was not read to its end: the step that failed and the system's error.
  FileResult ReadError;
  // The file held the tool's own "hq" (another run's, whose dialog may still be open): it is
  // no host input, and it is left as it is (ReadToItsEnd is then false).
  bool OwnOutput = false;
  // The identity of the file that holds the "hq" written (see FileIdentityOf); empty when
  // none was written or the system gives none.
  std::string WrittenIdentity;
};

ExchangeTakeover TakeOverExchangeFile(const std::filesystem::path& path);

// Whether the result of a run that took the file over may now be written: the file is still
// the one the takeover wrote (its identity, where known) and still holds "hq". A host that
// has put new input there in the meantime gets to keep it. True for a takeover that wrote
// nothing (the file then still held the host's input, which the result was always to
// replace).
bool StillTakenOver(const std::filesystem::path& path, const ExchangeTakeover& takeover);
