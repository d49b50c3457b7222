#pragma once
// "/R10" on Linux: `auxline` takes the exchange file over (reads it and replaces it by "hq")
// before it starts the dialog program, so that the host never finds its own input, however
// the dialog program fails. The bytes it read go to the dialog program in a sealed memory
// file that the child inherits, named in the environment.
#include <optional>
#include <string_view>

#include "exchange/writing/exchange_takeover.h"

inline constexpr char kHandedOverExchangeVariable[] = "AUXLINE_EXCHANGE_FD";

// A sealed memory file holding the bytes taken over and what the takeover wrote in their
// place, left open across exec; -1 when none can be made.
int PutIntoInheritedMemoryFile(const ExchangeTakeover& takenOver);

// In the dialog program: the exchange file's bytes as `auxline` handed them over (the file
// counts as not read to its end when they cannot all be taken back), or nothing when none
// were handed over. Closes the memory file and clears the variable, so that nothing the
// program starts inherits them.
std::optional<ExchangeTakeover> TakeHandedOverExchange();
