#pragma once
// What `auxline` hands to the dialog program it starts: its own path (the dialog program
// works on the files beside it), its owner (whose files the installation's are), and for
// "/R10" the exchange file's bytes, which `auxline` took over (read, and replaced by "hq")
// first, so that the host never finds its own input, however the dialog program fails.
//
// They travel in a sealed memory file that the child inherits at a fixed descriptor, never
// in the environment: a host passes its environment on to every program it starts, and a
// variable set there once (or left from a run of the dialog program) would make a later
// `auxline` take itself for the dialog program and skip the takeover. A descriptor counts
// only when it is such a memory file, sealed as `auxline` seals it, holding the hand-over's
// mark and the process id of the dialog program's own parent: a file the host left open
// there, or any other memory file, is none of that.
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string_view>

#include "exchange/writing/exchange_takeover.h"

// Where the dialog program finds the hand-over: the first descriptor after the standard
// three.
inline constexpr int kHandoverDescriptor = 3;

struct Handover {
  std::filesystem::path StartingExecutable;  // full path of `auxline`
  uid_t InstallationOwner = 0;               // owner of `auxline`
  // The taken-over exchange file ("/R10"); nothing for a run that does not write it. Not read
  // to its end when the bytes cannot all be taken back.
  std::optional<ExchangeTakeover> Exchange;
};

// A sealed memory file holding the hand-over from `launcher` (this process), close-on-exec
// (the child moves it to kHandoverDescriptor); -1 when none can be made.
int PutIntoHandoverFile(const std::filesystem::path& startingExecutable, uid_t installationOwner,
                        const ExchangeTakeover* exchange, pid_t launcher = ::getpid());

// Whether `fd` holds a hand-over from this process's parent.
bool HandoverPresent(int fd = kHandoverDescriptor);

// In the dialog program: the hand-over, closing its descriptor so that nothing the program
// starts inherits it; nothing (and the descriptor left alone) when `fd` holds none.
std::optional<Handover> TakeHandover(int fd = kHandoverDescriptor);
