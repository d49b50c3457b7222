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
//
// The two programs come from one build, but an update that replaced only one of them pairs
// them otherwise. The hand-over therefore carries its layout's version, and a dialog program
// refuses one of another version, or one it cannot read whole, rather than take fields from
// where another layout put something else or run as if started by hand: it ends at once with
// a status of its own, and `auxline`, which knows where the log is and what the takeover
// left, logs why and ends the run as one whose dialog cannot be shown.
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string_view>

#include "exchange/writing/exchange_takeover.h"
#include "os/posix/file_calls.h"

// Where the dialog program finds the hand-over: the first descriptor after the standard
// three.
inline constexpr int kHandoverDescriptor = 3;

// What the dialog program found at the descriptor, beyond a whole hand-over.
enum class HandoverFault {
  None,
  OtherVersion,  // from an `auxline` of another build
  Unreadable,    // a hand-over, but the system did not give all of it
};

// The dialog program's exit status for a hand-over it refuses; no run ends with either. Kept
// in every build to come: `auxline` must understand them from a dialog program of any other.
inline constexpr int kExitHandoverOfOtherVersion = 120;
inline constexpr int kExitHandoverUnreadable = 121;
int ExitStatusForRefused(HandoverFault fault);

struct Handover {
  // Anything but None: the hand-over is refused, and the fields below are empty.
  HandoverFault Fault = HandoverFault::None;
  std::filesystem::path StartingExecutable;  // full path of `auxline`
  uid_t InstallationOwner = 0;               // owner of `auxline`
  // The taken-over exchange file ("/R10"); nothing for a run that does not write it. Not read
  // to its end when the bytes cannot all be taken back.
  std::optional<ExchangeTakeover> Exchange;
};

// A sealed memory file holding the hand-over from `launcher` (this process), close-on-exec
// (the child moves it to kHandoverDescriptor); -1 when none can be made.
int PutIntoHandoverFile(const std::filesystem::path& startingExecutable, uid_t installationOwner,
                        const ExchangeTakeover* exchange, pid_t launcher = FileCalls().getpid());

// Whether `fd` holds a hand-over from this process's parent, whole or refused.
bool HandoverPresent(int fd = kHandoverDescriptor);

// In the dialog program: the hand-over, whole or refused (Fault), closing its descriptor so
// that nothing the program starts inherits it; nothing (and the descriptor left alone) when
// `fd` holds none.
std::optional<Handover> TakeHandover(int fd = kHandoverDescriptor);
