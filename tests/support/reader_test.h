#pragma once
// The reader tests' fresh exchange state and ways to feed it lines.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"
#include "tests/support/crlf_lines.h"
#include "tests/support/describe_state.h"

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { InitExchangeState(); }
  void TearDown() override { InitExchangeState(); }

  static void Read(std::initializer_list<std::string_view> lines) {
    for (const std::string_view line : lines) ParseExchangeLine(line);
  }

  // On a fresh state, the description's lines that `lines` changed after `prior` (all '|'-parted).
  static std::string ChangesOf(std::string_view prior, std::string_view lines) {
    InitExchangeState();
    ReadParted(prior);
    const std::string before = DescribeState();
    ReadParted(lines);
    return ChangedLines(before, DescribeState());
  }
  static void ReadParted(std::string_view lines) {
    if (lines.empty()) return;
    for (const std::string& line : Parted(lines)) ParseExchangeLine(line);
  }

  ExchangeState& s = Exchange();
};

inline std::vector<ReadOrderEntry> ReadOrderOf(const ExchangeState& s) {
  return {s.ReadOrder.begin(), s.ReadOrder.end()};
}

// Failures show every field of a record or entry.
inline void PrintTo(const TJwwEntLine& line, std::ostream* out) { *out << DescribeRecord(line); }
inline void PrintTo(const ReadOrderEntry& entry, std::ostream* out) {
  *out << "{" << entry.Kind << ", " << entry.Index << "}";
}
inline void PrintTo(const HandPoint& p, std::ostream* out) {
  *out << "{" << p.Used << ", " << p.X << ", " << p.Y << ", " << p.HitKind << "}";
}

// Sum of the fifteen list counts: equals the ReadOrder count.
inline std::size_t TotalRecords(const ExchangeState& s) {
  std::size_t total = 0;
  ForEachEntityList(s, [&total](const auto& list, EntityKind) { total += list.size(); });
  return total;
}
