// The log of failed runs: its line, its bound, and what each kind of run leaves in it.
#include "tool/run_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <new>
#include <optional>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tool/app.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/file_call_faults.h"
using FailableCalls = ScopedFileCalls;
#else
struct FailableCalls {  // the rows that fail calls are POSIX's
  ~FailableCalls() {}
};
#endif

namespace {

TEST(RunLog, LineStaysOneLineWhateverTheArgumentsHold) {
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string expected;
  } kCases[] = {
      {"no arguments", {}, "2026-03-04 05:06:07 status 2, no arguments: bad\\x0D\\x0Aname\r\n"},
      {"quotes, backslashes, line breaks",
       {"/R4", "4\"5\\\n"},
       "2026-03-04 05:06:07 status 2, arguments \"/R4\" \"4\\\"5\\\\\\x0A\": "
       "bad\\x0D\\x0Aname\r\n"},
      {"a long argument is cut short",
       {std::string(300, 'x')},
       "2026-03-04 05:06:07 status 2, arguments \"" + std::string(256, 'x') +
           "...\": bad\\x0D\\x0Aname\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FormatRunLogLine({2026, 3, 4, 5, 6, 7}, 2, c.args, "bad\r\nname"), c.expected);
  }
}

TEST(RunLog, CutBackToTheNewestWholeLines) {
  const struct {
    const char *what, *log;
    std::size_t bound;
    const char* expected;
  } kCases[] = {
      {"exactly the bound: all of it", "aaaa\r\nbb\r\nnew\r\n", 15, "aaaa\r\nbb\r\nnew\r\n"},
      {"one byte over: the whole oldest line goes", "aaaa\r\nbb\r\nnew\r\n", 14, "bb\r\nnew\r\n"},
      {"only the newest fits", "aaaa\r\nbb\r\nnew\r\n", 5, "new\r\n"},
      {"no whole line fits: nothing", "aaaaaaaa", 5, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(NewestLinesWithin(c.log, c.bound), c.expected);
  }
}

// Each case's setup: nullptr when it is made, else why it cannot be made here (printed).
using Dir = const std::filesystem::path&;
using Unmade = const char*;
Unmade ExchangeIsAFolder(Dir d) {
  std::filesystem::create_directory(d / "JWC_TEMP.TXT");
  return nullptr;
}
Unmade OwnLog(Dir d) { return WriteBytes(d / "auxline.log", "older line"), nullptr; }
#ifndef _WIN32
// The tool then runs as the superuser, not the log's owner.
Unmade LogOfAnotherUser(Dir d) {
  WriteBytes(d / "auxline.log", "kept\r\n");
  const bool given = ::geteuid() == 0 && ::chown((d / "auxline.log").c_str(), 65534, 65534) == 0;
  return given ? nullptr : "only the superuser gives a file to another user";
}
Unmade LogIsALink(Dir d) {
  WriteBytes(d / "elsewhere", "kept\r\n");
  std::filesystem::create_symlink(d / "elsewhere", d / "auxline.log");
  return nullptr;
}
#else
Unmade LogOfAnotherUser(Dir) { return "Wine reports the user as every file's owner"; }
Unmade LogIsALink(Dir) { return "Wine makes no links"; }
#endif
std::unique_ptr<FormWindow> NoDisplay() {
  return NoteRunFailure("the dialog window could not be opened", "no display"), nullptr;
}
std::unique_ptr<FormWindow> OutOfMemory() { throw std::bad_alloc(); }

// A failure leaves its reason; a success nothing; a link or another's log is left alone.
TEST(RunLog, FailedRunsLeaveTheirReasonSuccessesNothing) {
  const struct {
    const char *what, *mode;  // mode nullptr: no arguments
    Unmade (*setup)(Dir);
    DialogWindowFactory factory;
    const char* takenOver;  // the exchange file's bytes, taken over before
    int status;
    const char* logHolds;  // nullptr: no log, or the log left as it was
  } kCases[] = {
      {"exchange file unreadable", "/R1", ExchangeIsAFolder, nullptr, nullptr, 1,
       "JWC_TEMP.TXT could not be read: it is not a regular file"},
      {"exchange file not written", "/R1", ExchangeIsAFolder, nullptr, "hp1 1 2\r\n", 1,
       "JWC_TEMP.TXT could not be written: it is not a plain file"},
      {"no dialog window", "/R10", nullptr, NoDisplay, nullptr, 2,
       "status 2, arguments \"/R10\": the dialog window could not be opened: no display\r\n"},
      {"memory ran out", nullptr, nullptr, OutOfMemory, nullptr, 1,
       "status 1, no arguments: the run stopped: memory ran out\r\n"},
      {"success", "/R1", nullptr, nullptr, nullptr, 0, nullptr},
      // Its last line had no line end: one is added before the new line.
      {"the user's own log keeps its lines", "/R10", OwnLog, NoDisplay, nullptr, 2,
       "older line\r\n"},
      {"log is a link", "/R10", LogIsALink, NoDisplay, nullptr, 2, nullptr},
      {"log of another user", "/R10", LogOfAnotherUser, NoDisplay, nullptr, 2, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    if (const Unmade why = c.setup ? c.setup(dir.Path()) : nullptr) {
      std::cout << "skipped here: " << c.what << ": " << why << "\n";
      continue;
    }
    std::optional<ExchangeTakeover> takenOver;
    if (c.takenOver != nullptr) takenOver.emplace().Bytes = c.takenOver;
    const std::optional<std::string> before = ReadBytes(dir / "auxline.log");
    const auto args = c.mode ? std::vector<std::string>{c.mode} : std::vector<std::string>{};
    EXPECT_EQ(RunAuxline(args, dir / "auxline", c.factory, takenOver), c.status);
    const std::optional<std::string> log = ReadBytes(dir / "auxline.log");
    if (c.logHolds == nullptr) {
      EXPECT_EQ(log, before);  // through a link: its target unchanged
    } else {
      EXPECT_NE(log.value_or("").find(c.logHolds), std::string::npos) << log.value_or("");
    }
  }
}

using Log = const std::filesystem::path&;
Unmade AsItIs(Log) { return nullptr; }
// Lines appended there would land in the other name's file too.
Unmade HardLinked(Log log) {
  std::filesystem::create_hard_link(log, log.parent_path() / "elsewhere");
  return nullptr;
}
#ifndef _WIN32
// The own log the user may not read: its reads fail, whoever runs the test.
Unmade ReadsFail(Log) { return ScopedFileCalls::Plan().failEvery = "pread", nullptr; }
Unmade WriteOnly(Log log) {
  ::chmod(log.c_str(), 0200);
  return ::geteuid() != 0 ? nullptr : "the superuser reads a write-only file all the same";
}
Unmade Fifo(Log log) {
  std::filesystem::remove(log);
  return ::mkfifo(log.c_str(), 0600) == 0 ? nullptr : "no FIFO can be made here";
}
#else
Unmade ReadsFail(Log) { return "the Windows table cannot fail a read"; }
Unmade WriteOnly(Log) { return "Windows has no write-only mode bits"; }
Unmade Fifo(Log) { return "Windows has no FIFOs"; }
#endif

// One more line to a log already there: appended, and where the log is then over its bound
// and can be read, the oldest whole lines go. A log it cannot read keeps every line.
TEST(RunLog, LineJoinsTheLogAsItIs) {
  const std::string older = std::string(198, 'o') + "\r\n";
  const std::string kept = std::string(kRunLogBound - 202, 'x') + "\r\n";  // with `older`: full
  const struct {
    const char* what;
    std::string log;
    Unmade (*setup)(Log);
    std::optional<std::string> expected;  // nothing: no line written, the file left as it was
  } kCases[] = {
      {"within the bound", "a\r\n", AsItIs, "a\r\nnew\r\n"},
      {"a last line without its end gets one", "a", AsItIs, "a\r\nnew\r\n"},
      {"over the bound: the oldest whole line goes", older + kept, AsItIs, kept + "new\r\n"},
      {"reads failing: appended, never cut back", older + kept, ReadsFail,
       older + kept + "new\r\n"},
      {"write-only: appended, never cut back", older + kept, WriteOnly, older + kept + "new\r\n"},
      {"a FIFO in its place", "", Fifo, std::nullopt},
      {"a second name for the file", "a\r\n", HardLinked, std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::filesystem::path log = dir / "auxline.log";
    WriteBytes(log, c.log);
    FailableCalls calls;
    if (const Unmade why = c.setup(log)) {
      std::cout << "skipped here: " << c.what << ": " << why << "\n";
      continue;
    }
    EXPECT_EQ(AppendLogLine(log, "new\r\n"), c.expected.has_value());
    std::filesystem::permissions(log, std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::add);
    if (c.expected) {
      EXPECT_EQ(ReadBytes(log), c.expected);
    } else {
      EXPECT_TRUE(std::filesystem::is_fifo(log) || ReadBytes(log) == c.log);
    }
  }
}

// Runs failing at once, while the log is cut back again and again: every line stays, whole
// and once, after the newest of the lines that were there.
TEST(RunLog, EveryLineOfRunsFailingAtOnceStays) {
  TempDir dir;
  const std::filesystem::path log = dir / "auxline.log";
  std::string older;
  for (int i = 0; older.size() < kRunLogBound - 100; ++i) {
    older += "older " + std::to_string(100000 + i) + "\r\n";
  }
  WriteBytes(log, older);
  constexpr int kRuns = 8, kLines = 100;
  const auto lineOf = [](int run, int line) {
    return "\nrun " + std::to_string(run) + " line " + std::to_string(line) + " ...\r\n";
  };
  std::atomic<int> written = 0, ready = 0;
  std::vector<std::thread> runs;
  for (int run = 0; run < kRuns; ++run) {
    runs.emplace_back([&, run] {
      for (++ready; ready < kRuns;) std::this_thread::yield();  // all at once
      for (int line = 0; line < kLines; ++line) {
        written += AppendLogLine(log, lineOf(run, line).substr(1));
      }
    });
  }
  for (std::thread& run : runs) run.join();
  EXPECT_EQ(written, kRuns * kLines);
  const std::string after = ReadBytes(log).value_or("");
  EXPECT_LE(after.size(), kRunLogBound);
  EXPECT_TRUE(older.ends_with(after.substr(0, after.find("run "))));
  const std::string text = "\n" + after;
  for (int run = 0; run < kRuns; ++run) {
    for (int line = 0; line < kLines; ++line) {
      const std::string whole = lineOf(run, line);  // with the end of the line before
      const std::size_t at = text.find(whole);
      EXPECT_TRUE(at != std::string::npos && text.find(whole, at + 1) == std::string::npos)
          << whole;
    }
  }
}

}  // namespace
