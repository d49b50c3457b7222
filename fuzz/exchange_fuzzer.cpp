// Fuzzes the whole path of one run: the input is an exchange file as the host writes it. It
// is read twice, through ReadExchangeFile from a real file and line by line from memory,
// and both readings must agree; then every construction mode runs on the state, as the run
// sequence drives it (attribute block, construction, restore block), and its commands are
// checked and read back; one of the runs is written through WriteExchangeFile and the file
// is checked byte for byte and read again.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "exchange/writing/command_writer.h"
#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"
#include "exchange/reading/reader_line_source.h"
#include "exchange/reading/reader_plan.h"
#include "fuzz/exchange_invariants.h"
#include "tests/support/describe_state.h"
#include "tool/constructions.h"
#include "tool/run_commands.h"

namespace {

// A private directory for the files of this process, on a memory file system when there is
// one, removed at exit.
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

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) FuzzFail("cannot write the scratch file");
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) FuzzFail("the written exchange file cannot be opened");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of the file as the reader must see them: a line ends at LF or CR LF, and a
// Ctrl-Z at the start of a line ends the file.
void ParseBuffer(std::string_view bytes) {
  std::size_t position = 0;
  while (position < bytes.size() && bytes[position] != '\x1a') {
    const std::size_t lineFeed = bytes.find('\n', position);
    std::string_view line =
        bytes.substr(position, lineFeed == std::string_view::npos ? std::string_view::npos
                                                                  : lineFeed - position);
    if (lineFeed != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    ParseExchangeLine(line);
    if (lineFeed == std::string_view::npos) break;
    position = lineFeed + 1;
  }
}

// The lines through the reader's own line source, reading blocks of the given size.
void ParseLines(std::string_view bytes, std::size_t blockSize) {
  std::istringstream stream{std::string(bytes)};
  ReaderLineSource lines(stream, blockSize);
  std::string_view line;
  while (lines.Next(line)) ParseExchangeLine(line);
  if (!lines.ReadToEnd()) FuzzFail("the line source failed on a readable stream");
}

// The four integer settings the run sequence uses, picked by input bytes from the values
// that matter: "current" (-1), the ends of each range, just outside them, and the extremes.
struct Presets {
  std::int32_t LayerGroup = -1;
  std::int32_t Layer = -1;
  std::int32_t LineType = 0;
  std::int32_t LineWidth = -1;
};

Presets PresetsFrom(std::string_view bytes) {
  static constexpr std::int32_t kInteresting[] = {
      -1, 0, 1, 9, 10, 15, 16, 18, 19, 50, 51, 99, -2, 30000, 30001, INT32_MIN, INT32_MAX};
  const auto pick = [&](std::size_t at) {
    const unsigned char byte = at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0;
    return kInteresting[byte % std::size(kInteresting)];
  };
  return Presets{pick(0), pick(1), pick(2), pick(3)};
}

// The run sequence with arguments, without the form. "/R10" stands for OK in the dialog,
// with the values taken from the "hn" line of the input (radius, ratio, angle) and checked
// the way OK checks them.
void QueueRun(std::string_view modeText, const Presets& presets) {
  ExchangeState& state = Exchange();
  state.CommandQueue = {};
  ToolSettings settings{presets.LayerGroup,
                        presets.Layer,
                        presets.LineType,
                        presets.LineWidth,
                        state.HnValues[0],
                        state.HnValues[1],
                        ReduceToFullTurn(state.HnValues[2])};
  // The second argument: any text the input holds.
  const RunMode mode = RunMode::Parse({std::string(modeText), state.FileName});
  if (!QueueRunCommands(settings, mode)) return;  // the attribute block alone
  if (mode.IsEllipseRun() && AcceptsEllipse(settings.Radius, settings.Ratio)) {
    QueueEllipseRun(settings);
  }
}

// Stops when the state differs from the line reading's, naming the first field that does.
void RequireState(const std::string& expected, const char* reading) {
  const std::string difference = FirstDifference(expected, DescribeState());
  if (!difference.empty())
    FuzzFail(std::string(reading) + " and the line reading differ: " + difference);
}

constexpr std::string_view kModes[] = {"/R1", "/R2", "/R3", "/R4",  "/R5", "/R6",
                                       "/R7", "/R8", "/R9", "/R10", "/r1"};

// The batched reading of large files, forced onto this input with tiny batches, on a
// second thread now and then (starting one costs more than most inputs take).
void ReadBatched(std::string_view bytes) {
  const std::size_t size = bytes.size();
  ReadPlan plan;
  const auto byteAt = [&](std::size_t at) {
    return at < size ? static_cast<unsigned char>(bytes[at]) : 0u;
  };
  plan.BatchingFrom = 1 + byteAt(6) % 16;
  plan.Batches =
      BatchingPlan{1 + byteAt(7) % 64u, 2 + byteAt(8) % 3u, size % 8 == 3, (byteAt(9) % 5) / 4.0};
  std::string_view rest = bytes;
  const std::size_t chunk = 1 + byteAt(10) % 32u;
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

// Reading: through the reader's line source with a small block (so that lines cross block
// ends and outgrow the buffer), from memory line by line, and batched; all must agree. Now
// and then the whole ReadExchangeFile from a real file too (it allocates a large block,
// which is slow under the sanitizers).
void ReadEveryWay(std::string_view bytes) {
  const std::size_t size = bytes.size();
  InitExchangeState();
  ParseLines(bytes, 1 + (size > 5 ? static_cast<unsigned char>(bytes[5]) % 64 : 0));
  CheckStateInvariants();
  const std::string fromSource = DescribeState();
  InitExchangeState();
  ParseBuffer(bytes);
  RequireState(fromSource, "the line source");
  ReadBatched(bytes);
  RequireState(fromSource, "the batched reading");
  if (size % 64 == 7) {
    const std::filesystem::path input = ScratchDirectory() / "JWC_TEMP.TXT";
    WriteBytes(input, bytes);
    InitExchangeState();
    if (!ReadExchangeFile(input)) FuzzFail("ReadExchangeFile failed on a readable file");
    RequireState(fromSource, "ReadExchangeFile");
  }
}

// Every mode on the state as read, each as its own run: the constructions only read the
// state; each run starts with an empty queue and a reset emit state, as a real run does.
std::vector<std::vector<std::string>> RunEveryMode(std::string_view bytes) {
  const Presets presets = PresetsFrom(bytes);
  std::vector<std::vector<std::string>> commandsOfModes;
  commandsOfModes.reserve(std::size(kModes));
  for (const std::string_view mode : kModes) {
    QueueRun(mode, presets);
    commandsOfModes.emplace_back(Exchange().CommandQueue.begin(), Exchange().CommandQueue.end());
  }
  return commandsOfModes;
}

// One run's commands through the real writer, and the file read back in a fresh state;
// then every run's commands read back line by line into that state.
void WriteAndReadBack(std::string_view bytes,
                      const std::vector<std::vector<std::string>>& commandsOfModes) {
  const std::size_t writtenMode =
      bytes.size() > 4 ? static_cast<unsigned char>(bytes[4]) % std::size(kModes) : 0;
  const std::vector<std::string>& written = commandsOfModes[writtenMode];
  const std::filesystem::path output = ScratchDirectory() / "JWC_OUT.TXT";
  InitExchangeState();
  for (const std::string& command : written) QueueCommand(command);
  if (!WriteExchangeFile(output)) FuzzFail("WriteExchangeFile failed");
  const std::string file = ReadBytes(output);
  CheckWrittenFile(file, written);
  InitExchangeState();
  ParseLines(file, 64);
  CheckStateInvariants();
  // The attribute block is the same in every run: each distinct line is read back once.
  std::vector<std::string> distinct;
  for (const std::vector<std::string>& commands : commandsOfModes) {
    for (const std::string& command : commands) {
      if (std::find(distinct.begin(), distinct.end(), command) == distinct.end()) {
        distinct.push_back(command);
      }
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
