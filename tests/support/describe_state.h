#pragma once
// The exchange state as one "name value" line per field, to compare two readings of the same
// bytes and read what differs: reals as hex floats (equal text, equal bits), strings quoted with
// bytes outside printable ASCII as \xNN, the records by kind: "LineList[3].X1 0x1.8p+1".
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/state/exchange_state.h"

// Every field of the state; one added to it and not described here stops the build.
std::string DescribeState(const ExchangeState& state = Exchange());
std::string DescribeRecord(const TJwwEntLine& record);
std::string DescribeRecord(const TJwwEntText& record);

// Calls `visit` with the name and value of every real the state holds.
void ForEachStateReal(const std::function<void(const std::string& name, double value)>& visit);

// The first line where two descriptions differ (it names the field); empty when equal.
std::string FirstDifference(std::string_view expected, std::string_view actual);

// The lines of `after` that `before` does not hold, parted by '|'.
std::string ChangedLines(std::string_view before, std::string_view after);
