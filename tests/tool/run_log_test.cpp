// The log of failed runs: the line a failure leaves, the bound on the log's size, and a run
// through the entry for each kind of failure, a success, and logs that must be left alone.
#include "tool/run_log.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <new>
#include <optional>

#include "tests/support/temp_dir.h"
#include "tool/app.h"
#include "tool/form_window.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

TEST(RunLog, LineHoldsTimeStatusArgumentsAndReasonOnOneLine) {
  const LocalTime time{2026, 3, 4, 5, 6, 7};
  const std::string longArgument(300, 'x');
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string reason;
    std::string expected;
  } kCases[] = {
      {"no arguments",
       {},
       "the dialog window could not be opened: no display",
       "2026-03-04 05:06:07 status 2, no arguments: the dialog window could not be opened: "
       "no display\r\n"},
      {"quotes, backslashes and line breaks stay on one line",
       {"/R4", "4\"5\\\n"},
       "bad\r\nname",
       "2026-03-04 05:06:07 status 2, arguments \"/R4\" \"4\\\"5\\\\\\x0A\": "
       "bad\\x0D\\x0Aname\r\n"},
      {"a long argument is cut short",
       {longArgument},
       "r",
       "2026-03-04 05:06:07 status 2, arguments \"" + std::string(256, 'x') + "...\": r\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FormatRunLogLine(time, 2, c.args, c.reason), c.expected);
  }
}

TEST(RunLog, OldestWholeLinesGoBeyondTheBound) {
  const struct {
    const char* what;
    std::string existing;
    std::size_t bound;
    std::string expected;
  } kCases[] = {
      {"empty log", "", 20, "new\r\n"},
      {"within the bound", "a\r\nb\r\n", 20, "a\r\nb\r\nnew\r\n"},
      {"a last line without its end gets one", "a", 20, "a\r\nnew\r\n"},
      {"exactly the bound", "aaaa\r\nbb\r\n", 15, "aaaa\r\nbb\r\nnew\r\n"},
      {"one byte over: the whole oldest line goes", "aaaa\r\nbb\r\n", 14, "bb\r\nnew\r\n"},
      {"only the new line fits", "aaaa\r\nbb\r\n", 5, "new\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LogWithLine(c.existing, "new\r\n", c.bound), c.expected);
  }
}

// What a run leaves in auxline.log beside it.
enum class Log { Missing, OneLine, Untouched };

struct RunCase {
  const char* what;
  std::vector<std::string> args;
  std::function<bool(const TempDir&)> setup;  // false: the case cannot run here
  DialogWindowFactory factory;
  std::optional<std::string> takenOver;  // the exchange file's bytes, taken over before
  int status;
  Log log;
  std::vector<const char*> lineHolds;  // parts of the log's last line
};

// Runs the tool through its entry in a fresh folder and checks the status and the log.
void RunAndCheck(const RunCase& c) {
  SCOPED_TRACE(c.what);
  TempDir dir;
  if (c.setup && !c.setup(dir)) {
    std::cout << "skipped here: " << c.what << "\n";
    return;
  }
  std::optional<ExchangeTakeover> takenOver;
  if (c.takenOver) {
    takenOver.emplace();
    takenOver->Bytes = *c.takenOver;
  }
  const std::optional<std::string> linkedBefore = ReadBytes(dir / "elsewhere");
  EXPECT_EQ(RunAuxline(c.args, dir / "auxline", c.factory, takenOver), c.status);

  const std::optional<std::string> log = ReadBytes(dir / "auxline.log");
  if (c.log == Log::Missing) {
    EXPECT_EQ(log, std::nullopt);
  } else if (c.log == Log::Untouched) {
    EXPECT_EQ(log, "kept\r\n");
    EXPECT_EQ(ReadBytes(dir / "elsewhere"), linkedBefore);
  } else {
    ASSERT_TRUE(log.has_value());
    EXPECT_LE(log->size(), kRunLogBound);
    const std::size_t lastStart = log->rfind('\n', log->size() - 2);
    const std::string last = log->substr(lastStart == std::string::npos ? 0 : lastStart + 1);
    for (const char* part : c.lineHolds) EXPECT_NE(last.find(part), std::string::npos) << last;
  }
}

const DialogWindowFactory kNoDisplay = []() -> std::unique_ptr<FormWindow> {
  NoteRunFailure("the dialog window could not be opened", "no display");
  return nullptr;
};

bool ExchangeIsAFolder(const TempDir& dir) {
  std::filesystem::create_directory(dir / "JWC_TEMP.TXT");
  return true;
}

TEST(RunLog, EachKindOfFailureLeavesALineNamingTheFileAndTheReason) {
  const DialogWindowFactory outOfMemory = []() -> std::unique_ptr<FormWindow> {
    throw std::bad_alloc();
  };
  const RunCase kCases[] = {
      {"exchange file not a regular file",
       {"/R1"},
       ExchangeIsAFolder,
       {},
       {},
       1,
       Log::OneLine,
       {"status 1, arguments \"/R1\": the exchange file ",
        "JWC_TEMP.TXT could not be read: it is not a regular file"}},
#ifndef _WIN32
      {"exchange file not readable",
       {"/R2"},
       [](const TempDir& dir) {
         WriteBytes(dir / "JWC_TEMP.TXT", "hp1 1 2\r\n");
         std::filesystem::permissions(dir / "JWC_TEMP.TXT", std::filesystem::perms::none);
         return ::geteuid() != 0;  // the superuser reads it all the same
       },
       {},
       {},
       1,
       Log::OneLine,
       {"JWC_TEMP.TXT could not be read: Permission denied"}},
#endif
      {"exchange file not written",
       {"/R1"},
       ExchangeIsAFolder,
       {},
       "hp1 1 2\r\nhp2 3 4\r\n",
       1,
       Log::OneLine,
       {"JWC_TEMP.TXT could not be written"}},
      {"no dialog window",
       {"/R10"},
       {},
       kNoDisplay,
       {},
       2,
       Log::OneLine,
       {"status 2, arguments \"/R10\": the dialog window could not be opened: no display"}},
      {"memory ran out",
       {},
       {},
       outOfMemory,
       {},
       1,
       Log::OneLine,
       {"status 1, no arguments: the run stopped: memory ran out"}},
  };
  for (const RunCase& c : kCases) RunAndCheck(c);
}

// A success writes nothing; the log keeps its newest lines within the bound; a log that is
// a link, or another user's file, is left alone (and the run's status stays what it was).
TEST(RunLog, WhatTheLogKeepsAndWhatIsLeftAlone) {
  const RunCase kCases[] = {
      {"a success writes nothing", {"/R1"}, {}, {}, {}, 0, Log::Missing, {}},
      {"the log stays within its bound",
       {"/R10"},
       [](const TempDir& dir) {
         std::string lines;
         while (lines.size() < kRunLogBound) lines += "older line\r\n";
         WriteBytes(dir / "auxline.log", lines);
         return true;
       },
       kNoDisplay,
       {},
       2,
       Log::OneLine,
       {"no display"}},
#ifndef _WIN32
      {"a log that is a link is left alone",
       {"/R10"},
       [](const TempDir& dir) {
         WriteBytes(dir / "elsewhere", "kept\r\n");
         std::filesystem::create_symlink(dir / "elsewhere", dir / "auxline.log");
         return true;
       },
       kNoDisplay,
       {},
       2,
       Log::Untouched,
       {}},
      {"another user's log is left alone",
       {"/R10"},
       [](const TempDir& dir) {
         WriteBytes(dir / "auxline.log", "kept\r\n");
         return ::geteuid() == 0 && ::chown((dir / "auxline.log").c_str(), 65534, 65534) == 0;
       },
       kNoDisplay,
       {},
       2,
       Log::Untouched,
       {}},
#endif
  };
  for (const RunCase& c : kCases) RunAndCheck(c);
}

}  // namespace
