// A writer killed at any moment leaves the old exchange file or the whole new one (POSIX only).
#include <gtest/gtest.h>

#if __has_include(<sys/wait.h>) && __has_include(<unistd.h>)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "exchange/writing/command_writer.h"
#include "exchange/state/exchange_state.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(WriterCrash, KilledWriterLeavesOldOrWholeNewFile) {
  TempDir directory;
  const auto path = directory.Path() / "JWC_TEMP.TXT";
  const std::string oldBytes = "hp1 0 0\r\nhp2 10 10\r\n";
  WriteBytes(path, oldBytes);

  // A few megabytes, so that a kill often lands while the bytes are being written.
  InitExchangeState();
  std::string newBytes;
  for (int i = 0; i < 200000; ++i) {
    std::string line = std::to_string(i) + " 0.333333333333333 " + std::to_string(i + 1) + " 5";
    newBytes += line + "\r\n";
    QueueCommand(std::move(line));
  }

  std::mt19937 random(7);
  int killedEarly = 0;
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(WriteExchangeFile(path) ? 0 : 1);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) ++killedEarly;
    const std::string bytes = ReadBytes(path).value_or("");
    ASSERT_TRUE(bytes == oldBytes || bytes == newBytes)
        << "round " << round << ": " << bytes.size() << " bytes";
  }
  InitExchangeState();
  RecordProperty("killed_before_finishing", killedEarly);
}

}  // namespace
#endif
