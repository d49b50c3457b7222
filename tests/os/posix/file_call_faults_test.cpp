// Each file call failed or the process ended there: no file is ever left half-written, and any
// later run removes the temporaries killed runs left, only those clearly abandoned.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "os/file_system.h"
#include "os/posix/descriptor_io.h"
#include "os/temporary_files.h"
#include "tests/support/crlf_lines.h"
#include "tests/support/faked_status.h"
#include "tests/support/file_call_faults.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string kOld = CrLf("3|5|2|1|12.50|0.5|330"), kNew = CrLf("3|5|2|1|12.5|0.5|330");

// `name` alone in the folder.
std::filesystem::path FreshFile(const TempDir& dir, const char* name, const std::string& bytes,
                                int mode = 0640) {
  for (const std::string& entry : dir.Entries()) std::filesystem::remove_all(dir / entry);
  WriteBytes(dir / name, bytes);
  std::filesystem::permissions(dir / name, std::filesystem::perms(mode));
  return dir / name;
}

TEST(FileCallFaults, ReplaceFaultedAtEachStep) {
  std::string input;
  for (int i = 0; i < 40; ++i) input += "0 0 " + std::to_string(i) + " 100\r\n";
  const std::string list = CrLf("lg2|ly5|0 0 1 1"), hq = "hq\r\n";
  const struct {
    const char *what, *name;
    std::string old, bytes;
    ReplaceOptions options;
    const char* failEvery;  // "openat": no file can be made beside it, it is rewritten in place
    std::set<std::string> allowed;
  } kCases[] = {
      {"settings", "auxline.dat", kOld, kNew, {true, {}}, "", {kOld, kNew}},
      {"exchange", "JWC_TEMP.TXT", input, list, {false, hq}, "openat", {input, "", hq, list}},
  };
  TempDir dir;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path target = dir / c.name;
    std::optional<bool> done;
    const auto setUp = [&] { ScopedFileCalls::Plan().failEvery = c.failEvery; };
    const auto replace = [&] {
      done.reset();
      FreshFile(dir, c.name, c.old);
      done = ReplaceFileContents(target, c.bytes, c.options).Ok();
    };
    const auto check = [&](bool ended, const std::string&) {
      const std::string now = ReadBytes(target).value_or("(missing)");
      ASSERT_EQ(c.allowed.count(now), 1u) << now;
      EXPECT_TRUE(!done || *done == (now == c.bytes));
      EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
      ScopedFileCalls later;  // what an ended run left, eleven minutes on, a later run removes
      if (ended && !*c.failEvery) FakeAgeOfAll(dir.Path(), std::chrono::minutes(11));
      RemoveAbandonedTemporariesOf(target);
      EXPECT_EQ(dir.Entries(), std::set<std::string>{c.name});
    };
    for (const StepFault& f : kStepFaults) ForEachFaultedStep(f, setUp, replace, check);
  }
}

// A file of several reads, read as the exchange file and as the way back of an in-place
// rewrite: a read that fails is never the end of the file.
TEST(FileCallFaults, WholeRead) {
  TempDir dir;
  const std::string bytes(300000, 'x');
  const std::filesystem::path target = FreshFile(dir, "JWC_TEMP.TXT", bytes);
  const int fd = open(target.c_str(), O_RDONLY | O_CLOEXEC);
  for (const StepFault& c : kStepFaults) {
    if (c.at != AtStep::Fail) continue;
    BoundedRead read, wayBack;
    const auto readWhole = [&] {
      read = ReadRegularFile(target, std::size_t(1) << 30);
      wayBack.Complete = ReadWholeFile(fd, wayBack.Bytes, bytes.size());
    };
    ForEachFaultedStep(
        c, [] {}, readWhole,
        [&](bool, const std::string& call) {
          EXPECT_TRUE(!read.Complete || read.Bytes == bytes);
          EXPECT_TRUE(!wayBack.Complete || wayBack.Bytes == bytes);
          EXPECT_TRUE(c.error != EINTR || call == "fstat" || read.Complete);
        });
  }
  close(fd);
}

// A failed operation names its step and the code of the call that failed, not of a later one
// (the cleanup after a failed replace makes calls of its own).
TEST(FileCallFaults, FailureNamesTheCallThatFailed) {
  using Operation = FileResult (*)(const std::filesystem::path&);
  const Operation replace = [](const std::filesystem::path& p) {
    return ReplaceFileContents(p, "new", ReplaceOptions{true, {}});
  };
  const Operation read = [](const std::filesystem::path& p) {
    return ReadRegularFile(p, 99).Error;
  };
  const struct {
    const char *what, *old;  // old nullptr: no file there, so none is rewritten in place
    Operation operation;
    const char *failEvery, *step;
  } kCases[] = {
      {"no temporary file", nullptr, replace, "openat", "create a temporary file"},
      {"temporary not written", nullptr, replace, "write", "write the temporary file"},
      {"temporary not flushed", nullptr, replace, "fsync", "flush the temporary file"},
      {"temporary not closed", nullptr, replace, "close", "close the temporary file"},
      {"not renamed", nullptr, replace, "renameat", "rename the temporary file over the file"},
      {"links not followed", "old", replace, "fstatat", "follow the links to the file"},
      {"not removed", "old", [](const std::filesystem::path& p) { return RemoveRegularFile(p); },
       "unlinkat", "remove the file"},
      {"not opened for reading", "old", read, "open", "open the file"},
      {"not read", "old", read, "read", "read the file"},
  };
  TempDir dir;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path target = dir / "auxline.dat";
    std::filesystem::remove(target);
    if (c.old != nullptr) WriteBytes(target, c.old);
    ScopedFileCalls scoped;
    ScopedFileCalls::Plan().failEvery = c.failEvery;
    const FileResult result = c.operation(target);
    EXPECT_STREQ(result.FailedStep, c.step);
    EXPECT_EQ(result.Code, std::make_error_code(std::errc::permission_denied));
  }
}

// Network file systems' answers do not stop a replace; durable bytes are flushed around the rename.
TEST(FileCallFaults, UnusualFileSystems) {
  // The last `call` fails; the file is written again only where it would be more open.
  const struct {
    const char *what, *call;
    int error, mode, writes;
  } kCases[] = {
      {"fchmod refused (EPERM)", "fchmod", EPERM, 0644, 1},
      {"fchmod not supported", "fchmod", ENOTSUP, 0644, 1},
      {"fchmod refused, old file more private than a new one", "fchmod", EPERM, 0600, 2},
      {"folder cannot be flushed (EINVAL)", "fsync", EINVAL, 0644, 1},
      {"folder cannot be flushed (ENOTSUP)", "fsync", ENOTSUP, 0644, 1},
      {"no inode numbers", "", 0, 0644, 1},
  };
  const mode_t umask = ::umask(022);
  TempDir dir;
  const std::filesystem::path target = dir / "auxline.dat";
  int mode = 0644;
  const auto replace = [&] {
    FreshFile(dir, "auxline.dat", kOld, mode);
    return ReplaceFileContents(target, kNew, ReplaceOptions{true, {}});
  };
  const std::vector<std::string> calls = CallsOf(replace);
  const auto renamed = std::find(calls.begin(), calls.end(), "renameat");
  EXPECT_NE(std::find(calls.begin(), renamed, "fsync"), renamed);
  EXPECT_NE(std::find(renamed, calls.end(), "fsync"), calls.end());
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls scoped;
    FileCallPlan& plan = ScopedFileCalls::Plan();
    if (*c.call == '\0')
      plan.inner.fstat = [](int fd, struct stat* status) {
        const int done = SystemFileCalls().fstat(fd, status);
        status->st_ino = 0;  // no inode numbers
        return done;
      };
    plan.step = LastStepOf(calls, c.call);
    plan.fault.error = c.error;
    mode = c.mode;
    EXPECT_TRUE(replace());
    EXPECT_EQ(ReadBytes(target), kNew);
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(c.mode));
    EXPECT_EQ(std::count(plan.calls.begin(), plan.calls.end(), "write"), c.writes);
  }
  ::umask(umask);
}

// Network file systems report a write lost in the cache only at the close: that file is never
// renamed over the old one, flushed or not (a fresh one may be written instead).
TEST(FileCallFaults, CloseReportingALostWriteFailsThatFile) {
  TempDir dir;
  const std::filesystem::path target = dir / "JWC_TEMP.TXT";
  for (const bool durable : {false, true}) {
    SCOPED_TRACE(durable ? "flushed" : "not flushed");
    const auto replace = [&] {
      FreshFile(dir, "JWC_TEMP.TXT", kOld);
      return ReplaceFileContents(target, kNew, ReplaceOptions{durable, {}}).Ok();
    };
    const std::vector<std::string> calls = CallsOf(replace);
    const int step = LastStepOf(calls, "close", LastStepOf(calls, "renameat"));
    ScopedFileCalls scoped;
    ScopedFileCalls::Plan().step = step;
    ScopedFileCalls::Plan().fault.error = EIO;
    const bool done = replace();
    EXPECT_NE(ScopedFileCalls::Plan().calls.at(static_cast<std::size_t>(step)), "renameat");
    EXPECT_EQ(ReadBytes(target), done ? kNew : kOld);
  }
}

// A file of a group the runner is not in (as root only a real one shows it): the new file gets
// the runner's group instead, which must be given nothing of what the old group was allowed.
TEST(FileCallFaults, GroupThatCannotBeKeptGetsNoRights) {
  TempDir dir;
  const std::filesystem::path target = FreshFile(dir, "auxline.dat", kOld, 0664);
  ScopedFileCalls scoped;
  ScopedFileCalls::Plan().failEvery = "fchown";
  FakeStatusOf({{"auxline.dat", {{}, {}, ::getegid() + 1000}}});
  EXPECT_TRUE(ReplaceFileContents(target, kNew));
  EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0604));
}

// Settings rewritten in place (nothing can be made beside them) whose bytes cannot be read: with
// no way back, the rewrite never begins.
TEST(FileCallFaults, InPlaceRewriteNeedsItsWayBack) {
  TempDir dir;
  const std::filesystem::path target = FreshFile(dir, "auxline.dat", kOld);
  ScopedFileCalls scoped;
  FileCallPlan& plan = ScopedFileCalls::Plan();
  plan.failEvery = "openat";
  plan.inner.pread = [](int, void*, size_t, off_t) { return errno = EIO, ssize_t{-1}; };
  EXPECT_FALSE(ReplaceFileContents(target, kNew, ReplaceOptions{true, {}}));
  EXPECT_EQ(ReadBytes(target), kOld);
}

// Only the runner's own, once clearly abandoned.
TEST(AbandonedTemporaries, RemovedByAnyLaterRun) {
  const std::uint64_t alive = static_cast<std::uint64_t>(::getpid()),
                      gone = 4194304 + 17;  // above any Linux process id
  const std::string ex = "JWC_TEMP.TXT", set = "auxline.dat", longName = LongestUsableName();
  const auto tmp = [](const std::string& target, std::uint64_t creator, const char* unique) {
    return target + "." + std::to_string(creator) + "-00000000000000" + unique + ".tmp";
  };
  const auto cut = [&](std::uint64_t creator, unsigned unique) {
    return temporary_files::NameFor(longName, creator, unique, 255);
  };
  const struct {
    const char* what;
    std::string target, name;
    int age;  // seconds since it was made; its last write is now
    bool removed;
    std::optional<uid_t> owner = std::nullopt;
  } kCases[] = {
      {"exchange file's, creator gone", ex, tmp(ex, gone, "aa"), 10, true},
      {"settings file's, creator gone", set, tmp(set, gone, "ab"), 10, true},
      {"maybe still being written", ex, tmp(ex, gone, "ac"), 1, false},
      {"creator still running", ex, tmp(ex, alive, "ad"), 60, false},
      {"creator running, older than ten minutes", ex, tmp(ex, alive, "ae"), 700, true},
      {"no creator in the name", ex, ex + ".00000000000000af.tmp", 60, false},
      {"no creator, old", ex, ex + ".00000000000000b0.tmp", 700, true},
      {"not the tool's", ex, ex + ".backup.tmp", 700, false},
      {"shortened name, creator gone", longName, cut(gone, 0xb1), 10, true},
      {"shortened name, creator running", longName, cut(alive, 0xb2), 10, false},
      {"another user's", set, tmp(set, gone, "b3"), 700, false, ::geteuid() + 1000},
      {"creator not the runner's to signal", ex, tmp(ex, 1, "b4"), 60, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir / c.target, "kept\r\n");
    WriteBytes(dir / c.name, "half");
    ScopedFileCalls scoped;
    ScopedFileCalls::Plan().inner.kill = [](pid_t pid, int signal) {  // 1 is root's, even to root
      return pid == 1 ? (errno = EPERM, -1) : SystemFileCalls().kill(pid, signal);
    };
    FakeStatusOf({{c.name, {std::chrono::seconds(c.age), c.owner}}});
    RemoveAbandonedTemporariesOf(dir / c.target);
    EXPECT_EQ(std::filesystem::exists(dir / c.name), !c.removed);
    EXPECT_EQ(ReadBytes(dir / c.target), "kept\r\n");
  }
}

// The runner's own regular files under the target's temporary names, newest first; while no
// file holds the target's name they are its last copies, which no run removes.
TEST(AbandonedTemporaries, LeftCopiesNewestFirstAndKept) {
  TempDir dir;
  const auto left = [](char c) {
    return "auxline.dat.4194321-00000000000000a" + std::string{c} + ".tmp";
  };
  for (const char c : {'a', 'b', 'c'}) WriteBytes(dir / left(c), "half");
  std::filesystem::create_directory(dir / left('d'));
  const std::set<std::string> all = dir.Entries();
  ScopedFileCalls scoped;
  FakeStatusOf({{left('a'), {std::chrono::seconds(60)}},
                {left('b'), {std::chrono::seconds(30)}},
                {left('c'), {{}, ::geteuid() + 1000}}});
  RemoveAbandonedTemporariesOf(dir / "auxline.dat");
  EXPECT_EQ(LeftCopiesOf(dir / "auxline.dat"), (std::vector{dir / left('b'), dir / left('a')}));
  EXPECT_TRUE(ReplaceFileContents(dir / "auxline.dat", "new\r\n"));
  EXPECT_EQ(dir.Entries().size(), all.size() + 1);
}

}  // namespace
