#pragma once
// Shared set-up of the reader tests: a fresh exchange state and a way to feed it lines.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>

#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { InitExchangeState(); }
  void TearDown() override { InitExchangeState(); }

  static void Read(std::initializer_list<std::string_view> lines) {
    for (const std::string_view line : lines) ParseExchangeLine(line);
  }

  ExchangeState& s = Exchange();
};

// Sum of the fifteen list counts: equals the ReadOrder count.
inline std::size_t TotalRecords(const ExchangeState& s) {
  std::size_t total = 0;
  ForEachEntityList(s, [&total](const auto& list, EntityKind) { total += list.size(); });
  return total;
}
