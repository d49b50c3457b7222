// Cost of the real text form per number, for the kinds of values the tool writes and for
// the rare ones that take the slower exact path.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "exchange/writing/real_text.h"

namespace {

constexpr std::size_t kValueCount = 4096;

// Values with few digits: 12.25, 50000000, 0.5 ...
std::vector<double> ShortDecimals() {
  std::mt19937_64 random(1);
  std::vector<double> values;
  for (std::size_t i = 0; i < kValueCount; ++i) {
    values.push_back(static_cast<double>(static_cast<std::int64_t>(random() % 2000000) - 1000000) /
                     8);
  }
  return values;
}

// Computed coordinates: full 16-17 digit doubles of drawing size.
std::vector<double> ComputedCoordinates() {
  std::mt19937_64 random(2);
  std::uniform_real_distribution<double> coordinate(-1e5, 1e5);
  std::vector<double> values;
  for (std::size_t i = 0; i < kValueCount; ++i) values.push_back(coordinate(random));
  return values;
}

// Every magnitude of the double range, from uniform bit patterns (subnormals included).
std::vector<double> AllMagnitudes() {
  std::mt19937_64 random(3);
  std::vector<double> values;
  while (values.size() < kValueCount) {
    const std::uint64_t bits = random() & 0x7FFFFFFFFFFFFFFFull;
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
  }
  return values;
}

// Doubles nearest to a 16-digit decimal ending in 5: the shortest form cannot decide.
std::vector<double> NearTies() {
  std::mt19937_64 random(4);
  std::vector<double> values;
  while (values.size() < kValueCount) {
    const std::string text = std::to_string(100000000000000ull + random() % 900000000000000ull) +
                             "5e" + std::to_string(static_cast<int>(random() % 40) - 20);
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    values.push_back(value);
  }
  return values;
}

// The mix a run writes: mostly computed coordinates, some short values, a few others.
std::vector<double> Mix() {
  const std::vector<double> computed = ComputedCoordinates();
  const std::vector<double> simple = ShortDecimals();
  const std::vector<double> any = AllMagnitudes();
  std::vector<double> values;
  for (std::size_t i = 0; i < kValueCount; ++i) {
    const std::size_t kind = i % 10;
    values.push_back(kind < 6 ? computed[i] : kind < 9 ? simple[i] : any[i]);
  }
  return values;
}

void Run(benchmark::State& state, const std::vector<double>& values) {
  std::string out;
  out.reserve(64);
  std::size_t i = 0;
  for (auto _ : state) {
    out.clear();
    AppendRealText(out, values[i++ & (kValueCount - 1)]);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_RealText_Mix(benchmark::State& state) { Run(state, Mix()); }
void BM_RealText_ShortDecimals(benchmark::State& state) { Run(state, ShortDecimals()); }
void BM_RealText_ComputedCoordinates(benchmark::State& state) { Run(state, ComputedCoordinates()); }
void BM_RealText_AllMagnitudes(benchmark::State& state) { Run(state, AllMagnitudes()); }
void BM_RealText_NearTies(benchmark::State& state) { Run(state, NearTies()); }

// RealToText with its own string, as the settings file and the dialog use it.
void BM_RealToText_Mix(benchmark::State& state) {
  const std::vector<double> values = Mix();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string text = RealToText(values[i++ & (kValueCount - 1)]);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_RealText_Mix);
BENCHMARK(BM_RealText_ShortDecimals);
BENCHMARK(BM_RealText_ComputedCoordinates);
BENCHMARK(BM_RealText_AllMagnitudes);
BENCHMARK(BM_RealText_NearTies);
BENCHMARK(BM_RealToText_Mix);

BENCHMARK_MAIN();
