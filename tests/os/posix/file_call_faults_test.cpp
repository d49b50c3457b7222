// Each system call of the file layer's operations failed, or the process ended there, in
// turn: whatever happens, the settings file holds its old or its new bytes, the exchange
// file the host's input, nothing, "hq" or the whole new list, a read never passes for the
// whole file, and what a run leaves behind a later one removes.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "os/file_system.h"
#include "tests/support/file_call_faults.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string kOldSettings = "3\r\n5\r\n2\r\n1\r\n12.50\r\n0.5\r\n330\r\n";
const std::string kNewSettings = "3\r\n5\r\n2\r\n1\r\n12.5\r\n0.5\r\n330\r\n";
constexpr std::string_view kNothingToDraw = "hq\r\n";

// The folder holds `name` with `bytes` (mode 640) and nothing else.
std::filesystem::path FreshFile(const TempDir& dir, const char* name, const std::string& bytes) {
  for (const std::string& entry : dir.Entries()) std::filesystem::remove_all(dir / entry);
  WriteBytes(dir / name, bytes);
  std::filesystem::permissions(dir / name, std::filesystem::perms(0640));
  return dir / name;
}

// A run ten minutes later removes whatever an ended run left beside `target`.
void LaterRunCleans(const TempDir& dir, const std::filesystem::path& target) {
  const auto then = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(11);
  for (const std::string& entry : dir.Entries()) {
    if (entry != target.filename()) std::filesystem::last_write_time(dir / entry, then);
  }
  RemoveAbandonedTemporariesOf(target);
  EXPECT_EQ(dir.Entries(), std::set<std::string>{target.filename().string()});
}

TEST(FileCallFaults, SettingsReplacement) {
  TempDir dir;
  for (const StepFault& c : kStepFaults) {
    SCOPED_TRACE(c.what);
    std::optional<bool> replaced;
    std::filesystem::path target;
    ForEachFaultedStep(
        c.at, c.error,
        [&](ScopedFileCalls&) {
          replaced.reset();
          target = FreshFile(dir, "auxline.dat", kOldSettings);
          replaced = ReplaceFileContents(target, kNewSettings, ReplaceOptions{true, {}});
        },
        [&](bool ended, const std::string&) {
          const std::optional<std::string> now = ReadBytes(target);
          ASSERT_TRUE(now == kOldSettings || now == kNewSettings) << now.value_or("(missing)");
          if (replaced) {
            EXPECT_EQ(*replaced, now == kNewSettings);
          }
          const auto mode = std::filesystem::status(target).permissions();
          EXPECT_EQ(mode, std::filesystem::perms(0640));
          if (ended) {
            LaterRunCleans(dir, target);
          } else {
            EXPECT_EQ(dir.Entries().size(), 1u);
          }
        });
  }
}

TEST(FileCallFaults, ExchangeRewrittenInPlace) {
  TempDir dir;
  std::string hostInput;
  for (int i = 0; i < 40; ++i) hostInput += "0 0 " + std::to_string(i) + " 100\r\n";
  const std::string list = "lg2\r\nly5\r\n0 0 1 1\r\n";
  for (const StepFault& c : kStepFaults) {
    SCOPED_TRACE(c.what);
    std::optional<bool> replaced;
    std::filesystem::path target;
    ForEachFaultedStep(
        c.at, c.error,
        [&](ScopedFileCalls& scoped) {
          // No file can be made beside it: the exchange file is rewritten in place.
          scoped.FailEvery("openat", EACCES);
          replaced.reset();
          target = FreshFile(dir, "JWC_TEMP.TXT", hostInput);
          ReplaceOptions options;
          options.BytesAfterFailedWrite = kNothingToDraw;
          replaced = ReplaceFileContents(target, list, options);
        },
        [&](bool, const std::string&) {
          const std::string now = ReadBytes(target).value_or("(missing)");
          EXPECT_TRUE(now == hostInput || now.empty() || now == kNothingToDraw || now == list)
              << now;
          if (replaced) {
            EXPECT_EQ(*replaced, now == list);
          }
          EXPECT_EQ(dir.Entries().size(), 1u);
        });
  }
}

// A file of several reads; a read that fails is never the end of the file.
TEST(FileCallFaults, WholeRead) {
  TempDir dir;
  const std::string bytes(300000, 'x');
  for (const StepFault& c : kStepFaults) {
    if (c.at != AtStep::Fail) continue;
    SCOPED_TRACE(c.what);
    BoundedRead read;
    const std::filesystem::path target = FreshFile(dir, "JWC_TEMP.TXT", bytes);
    ForEachFaultedStep(
        c.at, c.error,
        [&](ScopedFileCalls&) { read = ReadRegularFile(target, std::size_t(1) << 30); },
        [&](bool, const std::string& call) {
          if (read.Complete) {
            EXPECT_EQ(read.Bytes, bytes);
          }
          if (c.error == EINTR && call != "fstat") {
            EXPECT_TRUE(read.Complete);
          }
        });
  }
}

}  // namespace
