#pragma once
// The exchange state written out field by field, one "name value" line each, for comparing two
// readings of the same bytes (line by line, in batches, from a file) and for reading what
// differs when they do. Reals are hex floats (as %a writes them), so equal text means equal
// bits; strings are quoted, every byte outside printable ASCII as \xNN; the records follow by
// kind: "LineList[3].X1 0x1.8p+1". Used by the exchange tests and the exchange fuzzer.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/state/exchange_state.h"

// Every field of Exchange(): equal descriptions mean equal states, down to the bits of every
// real. A field added to the state and not described here stops the build.
std::string DescribeState(const ExchangeState& state = Exchange());
std::string DescribeRecord(const TJwwEntLine& record);
std::string DescribeRecord(const TJwwEntText& record);

// Calls `visit` with the name and value of every real the state holds.
void ForEachStateReal(const std::function<void(const std::string& name, double value)>& visit);

// The first line where two descriptions differ; empty when equal (names the field).
std::string FirstDifference(std::string_view expected, std::string_view actual);

// The lines of `after` that `before` does not hold, parted by '|'.
std::string ChangedLines(std::string_view before, std::string_view after);
