// The log of failed runs: its line, its bound, and what each kind of run leaves in it.
#include "tool/run_log.h"

#include <gtest/gtest.h>

#include <iostream>
#include <new>
#include <optional>

#include "tests/support/temp_dir.h"
#include "tool/app.h"

#ifndef _WIN32
#include <unistd.h>
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

TEST(RunLog, OldestWholeLinesGoBeyondTheBound) {
  const struct {
    const char* what;
    std::string existing;
    std::size_t bound;
    std::string expected;
  } kCases[] = {
      {"empty log", "", 20, "new\r\n"},
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

using Dir = const std::filesystem::path&;
bool ExchangeIsAFolder(Dir d) { return std::filesystem::create_directory(d / "JWC_TEMP.TXT"); }
bool OwnLog(Dir d) { return WriteBytes(d / "auxline.log", "older line"), true; }
#ifndef _WIN32
// Needs the superuser to make; the tool then runs as the superuser, not the log's owner.
bool LogOfAnotherUser(Dir d) {
  WriteBytes(d / "auxline.log", "kept\r\n");
  return ::geteuid() == 0 && ::chown((d / "auxline.log").c_str(), 65534, 65534) == 0;
}
bool LogIsALink(Dir d) {
  WriteBytes(d / "elsewhere", "kept\r\n");
  std::filesystem::create_symlink(d / "elsewhere", d / "auxline.log");
  return true;
}
#else
bool LogOfAnotherUser(Dir) { return false; }
bool LogIsALink(Dir) { return false; }
#endif
std::unique_ptr<FormWindow> NoDisplay() {
  return NoteRunFailure("the dialog window could not be opened", "no display"), nullptr;
}
std::unique_ptr<FormWindow> OutOfMemory() { throw std::bad_alloc(); }

// A failure leaves its reason; a success nothing; a link or another's log is left alone.
TEST(RunLog, FailedRunsLeaveTheirReasonSuccessesNothing) {
  const struct {
    const char *what, *mode;  // mode nullptr: no arguments
    bool (*setup)(Dir);       // false: cannot be made here
    DialogWindowFactory factory;
    const char* takenOver;  // the exchange file's bytes, taken over before
    int status;
    const char* logHolds;  // nullptr: no log, or the log left as it was
  } kCases[] = {
      {"exchange file unreadable", "/R1", ExchangeIsAFolder, nullptr, nullptr, 1,
       "JWC_TEMP.TXT could not be read: it is not a regular file"},
      {"exchange file not written", "/R1", ExchangeIsAFolder, nullptr, "hp1 1 2\r\n", 1,
       "JWC_TEMP.TXT could not be written"},
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
    if (c.setup && !c.setup(dir.Path())) {
      std::cout << "skipped here: " << c.what << "\n";
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

// A real run keeps the log within 64 KiB: a full log loses its oldest line, and only that.
TEST(RunLog, RunKeepsTheLogWithin64KiB) {
  TempDir dir;
  const std::string kept = std::string(65536 - 202, 'x') + "\r\n";
  WriteBytes(dir / "auxline.log", std::string(198, 'o') + "\r\n" + kept);  // exactly 64 KiB
  EXPECT_EQ(RunAuxline({"/R10"}, dir / "auxline", NoDisplay), 2);
  const std::string log = ReadBytes(dir / "auxline.log").value_or("");
  EXPECT_EQ(log.substr(0, kept.size()), kept);
  EXPECT_NE(log.find("no display"), std::string::npos);
}

}  // namespace
