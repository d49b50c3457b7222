// Throughput of the exchange-file reader on a generated file of about 100 MB.
//
//   reader_bench                       Google Benchmark runs (generates the file in the temp
//                                      directory first)
//   reader_bench --generate PATH [MB] [mixed|geometry|texts] [LINES]
//                                      only writes the file: the mixed file of the
//                                      benchmarks, bare lines, circles and points only, or
//                                      short texts only; at most LINES entity lines
//   reader_bench --read PATH           reads the file once and prints what it held; used by
//                                      reader_memory.sh to measure the peak memory
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/reader_generator.h"
#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"
#include "numeric/lenient_number.h"

namespace {

constexpr std::uint64_t kDefaultMegabytes = 100;

std::string BenchFilePath() {
  return (std::filesystem::temp_directory_path() / "auxline_reader_bench.txt").string();
}

const std::string& GeneratedFile() {
  static const std::string path = [] {
    const std::string p = BenchFilePath();
    reader_bench::GenerateExchangeFile(p, kDefaultMegabytes << 20);
    return p;
  }();
  return path;
}

void BM_ReadExchangeFile(benchmark::State& state) {
  const std::string& path = GeneratedFile();
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  for (auto _ : state) {
    InitExchangeState();
    const bool ok = ReadExchangeFile(path);
    benchmark::DoNotOptimize(ok);
    state.PauseTiming();
    state.counters["entities"] = static_cast<double>(Exchange().ReadOrder.size());
    ReleaseExchangeState();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ReadExchangeFile)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The parsing alone, without the file: the same lines fed from memory.
void BM_ParseExchangeLines(benchmark::State& state) {
  std::string text;
  reader_bench::Lcg rng;
  std::uint64_t entities = 0;
  while (text.size() < (8u << 20)) reader_bench::AppendEntity(text, rng, entities);
  for (auto _ : state) {
    InitExchangeState();
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t lf = text.find('\n', start);
      ParseExchangeLine(std::string_view(text).substr(start, lf - 1 - start));
      start = lf + 1;
    }
    benchmark::DoNotOptimize(Exchange().ReadOrder.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
  ReleaseExchangeState();
}
BENCHMARK(BM_ParseExchangeLines)->Unit(benchmark::kMillisecond);

// The number conversion alone, on the fields the generator writes: coordinates and radii.
void BM_ConvertFields(benchmark::State& state) {
  std::string text;
  reader_bench::Lcg rng;
  std::vector<std::size_t> ends;
  while (ends.size() < (1u << 20)) {
    if (rng.Below(8) == 0) {
      text += std::to_string(1 + rng.Below(500));
    } else {
      reader_bench::AppendCoordinate(text, rng);
    }
    ends.push_back(text.size());
  }
  for (auto _ : state) {
    double sum = 0.0;
    std::size_t start = 0;
    for (const std::size_t end : ends) {
      sum += LenientStrToFloat(std::string_view(text).substr(start, end - start));
      start = end;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ends.size()));
}
BENCHMARK(BM_ConvertFields)->Unit(benchmark::kMillisecond);

int ReadOnce(const char* path) {
  InitExchangeState();
  const bool ok = ReadExchangeFile(path);
  const ExchangeState& s = Exchange();
  std::printf("read %s: %s, %zu entities (%zu lines, %zu circles, %zu points, %zu texts)\n", path,
              ok ? "ok" : "FAILED", s.ReadOrder.size(), s.LineList.size(), s.CircleList.size(),
              s.PointList.size(), s.TextList.size());
  ReleaseExchangeState();
  return ok ? 0 : 1;
}

int GenerateOnly(int argc, char** argv) {
  const char* path = argv[2];
  const std::uint64_t mb = argc >= 4 ? std::strtoull(argv[3], nullptr, 10) : kDefaultMegabytes;
  const std::string shapeName = argc >= 5 ? argv[4] : "mixed";
  const std::uint64_t lines = argc >= 6 ? std::strtoull(argv[5], nullptr, 10) : UINT64_MAX;
  reader_bench::FileShape shape = reader_bench::FileShape::kMixed;
  if (shapeName == "geometry") {
    shape = reader_bench::FileShape::kGeometry;
  } else if (shapeName == "texts") {
    shape = reader_bench::FileShape::kTexts;
  } else if (shapeName != "mixed") {
    std::fprintf(stderr, "unknown file shape %s\n", shapeName.c_str());
    return 2;
  }
  const std::uint64_t entities = reader_bench::GenerateExchangeFile(path, mb << 20, shape, lines);
  std::printf("wrote %s: %llu entity lines\n", path, static_cast<unsigned long long>(entities));
  return entities > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--read") == 0) return ReadOnce(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "--generate") == 0) {
    return GenerateOnly(argc, argv);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(BenchFilePath().c_str());
  return 0;
}
