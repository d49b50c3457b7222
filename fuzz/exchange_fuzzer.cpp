// One run's whole path from an exchange file as the host writes it: every reading agrees and
// keeps the invariants, every mode's commands read back as what they stand for, and one run's
// file written through WriteExchangeFile holds exactly its commands.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "exchange/reading/exchange_reader.h"
#include "exchange/reading/reader_line_source.h"
#include "exchange/reading/reader_plan.h"
#include "exchange/state/exchange_state.h"
#include "exchange/writing/command_writer.h"
#include "fuzz/exchange_invariants.h"
#include "tests/support/describe_state.h"
#include "tests/support/temp_dir.h"
#include "tool/constructions.h"
#include "tool/run_commands.h"

namespace {

// On a memory file system when there is one: the writer flushes every file it writes.
const std::filesystem::path& ScratchDirectory() {
  static const std::filesystem::path directory = [] {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
    std::string pattern = (base / "auxline-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) FuzzFail("cannot create a scratch directory");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchDirectory(), ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return directory;
}

// The input byte at `at`, or 0 past the end: the input's first bytes also steer the run.
unsigned ByteAt(std::string_view bytes, std::size_t at) {
  return at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0u;
}

// The lines as the reader must see them: a line ends at LF or CR LF, and a Ctrl-Z at the
// start of a line ends the file.
void ParseBuffer(std::string_view bytes) {
  while (!bytes.empty() && bytes.front() != '\x1a') {
    const std::size_t lineFeed = bytes.find('\n');
    std::string_view line = bytes.substr(0, lineFeed);
    if (lineFeed != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    ParseExchangeLine(line);
    bytes.remove_prefix(lineFeed == std::string_view::npos ? bytes.size() : lineFeed + 1);
  }
}

void ParseLines(std::string_view bytes, std::size_t blockSize) {
  std::istringstream stream{std::string(bytes)};
  ReaderLineSource lines(stream, blockSize);
  std::string_view line;
  while (lines.Next(line)) ParseExchangeLine(line);
  if (!lines.ReadToEnd()) FuzzFail("the line source failed on a readable stream");
}

// The integer settings picked by input bytes from the values that matter: "current" (-1),
// the ends of each range, just outside them, and the extremes. The reals come from the "hn"
// line, as OK of "/R10" takes them.
ToolSettings SettingsFrom(std::string_view bytes) {
  static constexpr std::int32_t kInteresting[] = {
      -1, 0, 1, 9, 10, 15, 16, 18, 19, 50, 51, 99, -2, 30000, 30001, INT32_MIN, INT32_MAX};
  const auto pick = [&](std::size_t at) {
    return kInteresting[ByteAt(bytes, at) % std::size(kInteresting)];
  };
  const auto& hn = Exchange().HnValues;
  return ToolSettings{pick(0), pick(1), pick(2), pick(3), hn[0], hn[1], ReduceToFullTurn(hn[2])};
}

// Stops when the state differs from the line reading's, naming the first field that does.
void RequireState(const std::string& expected, const char* reading) {
  const std::string difference = FirstDifference(expected, DescribeState());
  if (!difference.empty())
    FuzzFail(std::string(reading) + " and the line reading differ: " + difference);
}

constexpr std::string_view kModes[] = {"/R1", "/R2", "/R3", "/R4",  "/R5", "/R6",
                                       "/R7", "/R8", "/R9", "/R10", "/r1"};

// Batches forced onto this input, tiny, on a second thread now and then (starting one costs
// more than most inputs take).
void ReadBatched(std::string_view bytes) {
  ReadPlan plan;
  plan.BatchingFrom = 1 + ByteAt(bytes, 6) % 16;
  plan.Batches = BatchingPlan{1 + ByteAt(bytes, 7) % 64u, 2 + ByteAt(bytes, 8) % 3u,
                              bytes.size() % 8 == 3, (ByteAt(bytes, 9) % 5) / 4.0};
  std::string_view rest = bytes;
  const std::size_t chunk = 1 + ByteAt(bytes, 10) % 32u;
  InitExchangeState();
  const bool complete = ParseExchangeBlocks(
      [&rest, chunk](char* buffer, std::size_t room) -> std::ptrdiff_t {
        const std::size_t count = std::min({room, chunk, rest.size()});
        std::copy_n(rest.data(), count, buffer);
        rest.remove_prefix(count);
        return static_cast<std::ptrdiff_t>(count);
      },
      plan);
  if (!complete) FuzzFail("the batched reading failed on readable bytes");
}

// The line source with a small block (lines cross block ends and outgrow the buffer), line
// by line from memory, batched, and now and then ReadExchangeFile (its large block is slow
// under the sanitizers): all must agree.
void ReadEveryWay(std::string_view bytes) {
  InitExchangeState();
  ParseLines(bytes, 1 + ByteAt(bytes, 5) % 64);
  CheckStateInvariants();
  const std::string fromSource = DescribeState();
  InitExchangeState();
  ParseBuffer(bytes);
  RequireState(fromSource, "the line source");
  ReadBatched(bytes);
  RequireState(fromSource, "the batched reading");
  if (bytes.size() % 64 == 7) {
    const std::filesystem::path input = ScratchDirectory() / "JWC_TEMP.TXT";
    WriteBytes(input, bytes);
    InitExchangeState();
    if (!ReadExchangeFile(input)) FuzzFail("ReadExchangeFile failed on a readable file");
    RequireState(fromSource, "ReadExchangeFile");
  }
}

// Each mode as its own run on the state as read (the constructions only read it): an empty
// queue and a reset emit state each, as a real run has.
std::vector<std::vector<std::string>> RunEveryMode(std::string_view bytes) {
  const ToolSettings settings = SettingsFrom(bytes);
  std::vector<std::vector<std::string>> commandsOfModes;
  for (const std::string_view modeText : kModes) {
    Exchange().CommandQueue = {};
    const RunMode mode = RunMode::Parse({std::string(modeText), Exchange().FileName});
    if (QueueRunCommands(settings, mode) && mode.IsEllipseRun() &&
        AcceptsEllipse(settings.Radius, settings.Ratio)) {
      QueueEllipseRun(settings);
    }
    commandsOfModes.emplace_back(Exchange().CommandQueue.begin(), Exchange().CommandQueue.end());
  }
  return commandsOfModes;
}

// One run's commands through the real writer, read back in a fresh state; then every run's
// commands read into that state, each distinct line once (the attribute blocks repeat).
void WriteAndReadBack(std::string_view bytes,
                      const std::vector<std::vector<std::string>>& commandsOfModes) {
  const std::vector<std::string>& written = commandsOfModes[ByteAt(bytes, 4) % std::size(kModes)];
  const std::filesystem::path output = ScratchDirectory() / "JWC_OUT.TXT";
  InitExchangeState();
  for (const std::string& command : written) QueueCommand(command);
  if (!WriteExchangeFile(output)) FuzzFail("WriteExchangeFile failed");
  const std::string file = ReadBytes(output).value_or("");
  CheckWrittenFile(file, written);
  InitExchangeState();
  ParseLines(file, 64);
  CheckStateInvariants();
  std::vector<std::string> distinct;
  for (const std::vector<std::string>& commands : commandsOfModes) {
    for (const std::string& command : commands) {
      if (std::ranges::find(distinct, command) == distinct.end()) distinct.push_back(command);
    }
  }
  CheckCommands(distinct);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadEveryWay(bytes);
  WriteAndReadBack(bytes, RunEveryMode(bytes));
  ReleaseExchangeState();
  return 0;
}
