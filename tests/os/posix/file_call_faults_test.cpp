// Each system call of the file layer's operations failed, or the process ended there, in
// turn: the settings file holds its old or its new bytes, the exchange file the host's
// input, nothing, "hq" or the whole new list, a read never passes for the whole file, and
// what an ended run leaves behind a later one removes.
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

// The folder holds `name` with `bytes` (mode 640) and nothing else.
std::filesystem::path FreshFile(const TempDir& dir, const char* name, const std::string& bytes) {
  for (const std::string& entry : dir.Entries()) std::filesystem::remove_all(dir / entry);
  WriteBytes(dir / name, bytes);
  std::filesystem::permissions(dir / name, std::filesystem::perms(0640));
  return dir / name;
}

void Nothing() {}

TEST(FileCallFaults, SettingsReplacement) {
  TempDir dir;
  const std::filesystem::path target = dir / "auxline.dat";
  for (const StepFault& c : kStepFaults) {
    std::optional<bool> replaced;
    const auto replace = [&] {
      replaced.reset();
      FreshFile(dir, "auxline.dat", kOldSettings);
      replaced = ReplaceFileContents(target, kNewSettings, ReplaceOptions{true, {}});
    };
    ForEachFaultedStep(c, Nothing, replace, [&](bool ended, const std::string&) {
      const std::optional<std::string> now = ReadBytes(target);
      ASSERT_TRUE(now == kOldSettings || now == kNewSettings) << now.value_or("(missing)");
      EXPECT_TRUE(!replaced || *replaced == (now == kNewSettings));
      EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
      // A later run removes what an ended one left (ten minutes on, its creator running).
      const auto then = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(11);
      for (const std::string& entry : dir.Entries()) {
        if (ended && entry != "auxline.dat") std::filesystem::last_write_time(dir / entry, then);
      }
      RemoveAbandonedTemporariesOf(target);
      EXPECT_EQ(dir.Entries(), std::set<std::string>{"auxline.dat"});
    });
  }
}

TEST(FileCallFaults, ExchangeRewrittenInPlace) {
  TempDir dir;
  const std::filesystem::path target = dir / "JWC_TEMP.TXT";
  std::string hostInput;
  for (int i = 0; i < 40; ++i) hostInput += "0 0 " + std::to_string(i) + " 100\r\n";
  const std::string list = "lg2\r\nly5\r\n0 0 1 1\r\n";
  for (const StepFault& c : kStepFaults) {
    std::optional<bool> replaced;
    // No file can be made beside it: the exchange file is rewritten in place.
    const auto noTemporary = [] { ScopedFileCalls::Plan().failEvery = "openat"; };
    const auto replace = [&] {
      replaced.reset();
      FreshFile(dir, "JWC_TEMP.TXT", hostInput);
      ReplaceOptions options;
      options.BytesAfterFailedWrite = "hq\r\n";
      replaced = ReplaceFileContents(target, list, options);
    };
    ForEachFaultedStep(c, noTemporary, replace, [&](bool, const std::string&) {
      const std::string now = ReadBytes(target).value_or("(missing)");
      EXPECT_TRUE(now == hostInput || now.empty() || now == "hq\r\n" || now == list) << now;
      EXPECT_TRUE(!replaced || *replaced == (now == list));
      EXPECT_EQ(dir.Entries().size(), 1u);
    });
  }
}

// A file of several reads; a read that fails is never the end of the file.
TEST(FileCallFaults, WholeRead) {
  TempDir dir;
  const std::string bytes(300000, 'x');
  const std::filesystem::path target = FreshFile(dir, "JWC_TEMP.TXT", bytes);
  for (const StepFault& c : kStepFaults) {
    if (c.at != AtStep::Fail) continue;
    BoundedRead read;
    const auto readWhole = [&] { read = ReadRegularFile(target, std::size_t(1) << 30); };
    ForEachFaultedStep(c, Nothing, readWhole, [&](bool, const std::string& call) {
      EXPECT_TRUE(!read.Complete || read.Bytes == bytes);
      EXPECT_TRUE(c.error != EINTR || call == "fstat" || read.Complete);
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
      {"no inode numbers", "", 0, 0644, 1},
  };
  const mode_t umask = ::umask(022);
  TempDir dir;
  unsigned mode = 0644;
  const auto replace = [&] {
    const std::filesystem::path target = FreshFile(dir, "auxline.dat", kOldSettings);
    std::filesystem::permissions(target, std::filesystem::perms(mode));
    return ReplaceFileContents(target, kNewSettings, ReplaceOptions{true, {}});
  };
  const std::vector<std::string> calls = CallsOf(replace);
  const auto renamed = std::find(calls.begin(), calls.end(), "renameat");
  EXPECT_NE(std::find(calls.begin(), renamed, "fsync"), renamed);
  EXPECT_NE(std::find(renamed, calls.end(), "fsync"), calls.end());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls scoped;
    FileCallPlan& plan = ScopedFileCalls::Plan();
    if (*c.call == '\0') plan.inner.fstat = NoInode;
    plan.step = static_cast<int>(calls.rend() - std::find(calls.rbegin(), calls.rend(), c.call));
    plan.error = c.error;
    mode = c.mode;
    EXPECT_TRUE(replace());
    EXPECT_EQ(ReadBytes(dir / "auxline.dat"), kNewSettings);
    EXPECT_EQ(std::filesystem::status(dir / "auxline.dat").permissions(),
              std::filesystem::perms(c.mode));
    EXPECT_EQ(std::count(plan.calls.begin(), plan.calls.end(), "write"), c.writes);
  }
  ::umask(umask);
}

}  // namespace
