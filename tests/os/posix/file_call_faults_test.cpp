// Each system call of the file layer's operations failed, or the process ended there, in
// turn: whatever happens, the settings file holds its old or its new bytes, the exchange
// file the host's input, nothing, "hq" or the whole new list, a read never passes for the
// whole file, and what a run leaves behind a later one removes.
#include <sys/stat.h>

#include <algorithm>
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

// Answers that network and unusual file systems give where Linux's own do not: the replace
// goes on as if nothing had happened, writes the bytes once, and keeps the mode. Durable
// bytes reach the disk before their name, and the name after the rename.
int NoInode(int fd, struct stat* status) {
  const int done = SystemFileCalls().fstat(fd, status);
  status->st_ino = 0;
  return done;
}

TEST(FileCallFaults, UnusualFileSystems) {
  struct Case {
    const char* what;
    const char* call;  // its last call fails with `error`
    int error;
    unsigned mode;
    long writes;  // the new file made again only where it would be more open than the old
  } const kCases[] = {
      {"fchmod refused (EPERM)", "fchmod", EPERM, 0644, 1},
      {"fchmod not supported", "fchmod", ENOTSUP, 0644, 1},
      {"fchmod refused, old file more private than a new one", "fchmod", EPERM, 0600, 2},
      {"folder cannot be flushed (EINVAL)", "fsync", EINVAL, 0644, 1},
      {"folder cannot be flushed (ENOTSUP)", "fsync", ENOTSUP, 0644, 1},
      {"no inode numbers", nullptr, 0, 0644, 1},
  };
  const mode_t umask = ::umask(022);
  TempDir dir;
  const auto replace = [&](ScopedFileCalls&, unsigned mode) {
    const std::filesystem::path target = FreshFile(dir, "auxline.dat", kOldSettings);
    std::filesystem::permissions(target, std::filesystem::perms(mode));
    return ReplaceFileContents(target, kNewSettings, ReplaceOptions{true, {}});
  };
  const std::vector<std::string> calls = CallsOf([&](ScopedFileCalls& s) { replace(s, 0644); });
  const auto renamed = std::find(calls.begin(), calls.end(), "renameat");
  EXPECT_NE(std::find(calls.begin(), renamed, "fsync"), renamed);
  EXPECT_NE(std::find(renamed, calls.end(), "fsync"), calls.end());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls scoped;
    if (c.call == nullptr) scoped.Inner().fstat = NoInode;
    const auto last = std::find(calls.rbegin(), calls.rend(), c.call ? c.call : "");
    if (last != calls.rend()) {
      scoped.At(static_cast<int>(calls.rend() - last), AtStep::Fail, c.error);
    }
    EXPECT_TRUE(replace(scoped, c.mode));
    EXPECT_EQ(ReadBytes(dir / "auxline.dat"), kNewSettings);
    EXPECT_EQ(std::filesystem::status(dir / "auxline.dat").permissions(),
              std::filesystem::perms(c.mode));
    EXPECT_EQ(std::count(scoped.Calls().begin(), scoped.Calls().end(), "write"), c.writes);
  }
  ::umask(umask);
}

}  // namespace
