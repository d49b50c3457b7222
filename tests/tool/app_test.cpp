// The entry: whether a dialog window is wanted, the outcome as the exit status, and a run
// that never builds on its own output nor writes over the host's newer input.
#include "tool/app.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "exchange/writing/exchange_takeover.h"
#include "os/file_system.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/form_run.h"
#include "tool/settings_file.h"
#ifndef _WIN32
#include "tests/support/faked_status.h"
#include "tests/support/file_call_faults.h"
#endif

namespace {

const std::string kInput = CrLf("hk 10|lg2|ly5|hp1 10 20");
const std::string kNewInput = CrLf("lg3|ly1|hp1 0 0|hp2 5 5");

// A dialog that cannot be created: closed at once, reported by status 2. An exchange file not
// read to its end ends a "/R10" run before any window: status 1, the host gets hq.
TEST(App, OnlyNoArgumentOrR10AsksForADialogWindow) {
  ExchangeTakeover cutShort;
  cutShort.ReadToItsEnd = false;
  const struct {
    std::vector<std::string> args;
    int windowsAsked, status;
    bool readToItsEnd = true;
  } cases[] = {
      {{}, 1, 2},        {{"/R10"}, 1, 2}, {{"/R10", "5"}, 1, 2},   {{"/R1"}, 0, 0},
      {{"/R9"}, 0, 0},   {{"/r10"}, 0, 0}, {{"/R10 "}, 0, 0},       {{"/R11"}, 0, 0},
      {{"/R010"}, 0, 0}, {{""}, 0, 0},     {{"/R10"}, 0, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.args.empty() ? "(none)" : c.args[0]) + (c.readToItsEnd ? "" : ", cut short"));
    FormRun run("hp1 1 2\r\n");
    int windowsAsked = 0;
    const auto factory = [&]() -> std::unique_ptr<FormWindow> {
      ++windowsAsked;
      return nullptr;
    };
    const auto takenOver = c.readToItsEnd ? std::nullopt : std::optional(cutShort);
    EXPECT_EQ(RunAuxline(c.args, run.Dir / "auxline", factory, takenOver), c.status);
    EXPECT_EQ(windowsAsked, c.windowsAsked);
    if (!c.readToItsEnd) {
      EXPECT_EQ(run.Exchange(), "hq\r\n");
    }
  }
}

// No attribute block without a drawing: the host's current layer group, layer, colour and
// line type stay as they were. Nothing is saved.
TEST(App, MissingDialogWindowLeavesNothingToDraw) {
  const std::string input = CrLf("lg2|ly5");
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::size_t sizeLimit;  // 0: none
    int status;
    std::optional<std::string> exchange;  // nullopt: removed, never the host's input
  } kCases[] = {
      {"/R10", {"/R10"}, 0, 2, "hq\r\n"},
      {"the settings", {}, 0, 2, input},
#ifdef AUXLINE_HAS_FILE_SIZE_LIMIT
      {"/R10 whose hq cannot be written", {"/R10"}, 1, 1, std::nullopt},
#endif
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FormRun run(input);
    int status = 0;
    {
#ifdef AUXLINE_HAS_FILE_SIZE_LIMIT
      std::optional<FileSizeLimit> limit;
      if (c.sizeLimit != 0) limit.emplace(c.sizeLimit);
#endif
      status = RunAuxline(c.args, run.Dir / "auxline", nullptr);
    }
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(run.Exchange(), c.exchange);
    EXPECT_EQ(run.Settings(), std::nullopt);
  }
}

// Keeps what the form did to it beyond its own life, which ends inside RunAuxline.
struct ObservedWindow final : FakeWindow {
  explicit ObservedWindow(std::vector<std::string>& log) : log_(log) {}
  ~ObservedWindow() override { log_ = Log; }
  std::vector<std::string>& log_;
};

TEST(App, DialogRunUsesTheCreatedWindow) {
  TempDir dir;
  std::vector<std::string> log;
  const int status = RunAuxline({}, dir / "auxline", [&]() -> std::unique_ptr<FormWindow> {
    return std::make_unique<ObservedWindow>(log);
  });
  EXPECT_EQ(status, 0);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "page 2");
}

#ifdef AUXLINE_HAS_FILE_SIZE_LIMIT
// An unwritable result (a full disk) is status 1, and the host's input is not left behind.
TEST(App, ExchangeFileThatCannotBeWrittenGivesStatus1) {
  const std::string input = CrLf("hp1 1 2|hp2 3 4");
  FormRun run(input);
  int status = 0;
  {
    const FileSizeLimit limit(input.size());
    status = RunAuxline({"/R1"}, run.Dir / "auxline", nullptr);
  }
  EXPECT_EQ(status, 1);
  EXPECT_NE(run.Exchange(), input);
}
#endif

// The dialog: shown, then the host may act, then the user presses OK.
struct OkWindow final : FakeWindow {
  std::function<void()> host;
  void Run(FormEvents& form) override {
    form.FormShow();
    if (form.IsClosed()) return;
    if (host) host();
    form.Button1Click();
  }
};

TEST(ExchangeTakeover, NeverBuildsOnItsOwnOutput) {
  using Dir = const std::filesystem::path&;
  const auto waits = [](Dir) {};
  const auto renames = [](Dir f) {
    WriteBytes(f.string() + "~", kNewInput);
    std::filesystem::rename(f.string() + "~", f);
  };
  const auto rewrites = [](Dir f) { WriteBytes(f, kNewInput); };
  const auto anotherRun = [](Dir f) {
    WriteBytes(f.string() + "~", "hq\r\n");
    std::filesystem::rename(f.string() + "~", f);
  };
  const auto removes = [](Dir f) { std::filesystem::remove(f); };
  struct Case {
    const char *what, *mode;
    std::string before;
    void (*host)(Dir);  // what the host does to the file while the dialog is open
    int status;
    std::optional<std::string> after;  // nullopt: missing; "": the same file, untouched
  } const kCases[] = {
      {"a run with arguments on the tool's own hq", "/R1", "hq\r\n", waits, 1, ""},
      {"a dialog run on the tool's own hq", "/R10", "hq\r\n", waits, 1, ""},
      {"OK over the file the takeover wrote", "/R10", kInput, waits, 0,
       CrLf("lg2|ly5|lc9|lt1|lw0|ci 10 20 100")},
      {"the host put new input in by a rename", "/R10", kInput, renames, 1, kNewInput},
      {"the host rewrote the file in place", "/R10", kInput, rewrites, 1, kNewInput},
      {"another run put its own hq there", "/R10", kInput, anotherRun, 1, "hq\r\n"},
      {"the host removed the file", "/R10", kInput, removes, 1, std::nullopt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    FormRun run(c.before);
    const std::filesystem::path file = run.Dir / "JWC_TEMP.TXT";
    const std::string identity = FileIdentityOf(file);
    const int status = RunAuxline({c.mode}, run.Dir / "auxline", [&] {
      auto window = std::make_unique<OkWindow>();
      window->host = [&] { c.host(file); };
      return window;
    });
    EXPECT_EQ(status, c.status);
    if (c.after && c.after->empty()) {
      EXPECT_EQ(run.Exchange(), c.before);
      EXPECT_EQ(FileIdentityOf(file), identity);
    } else {
      EXPECT_EQ(run.Exchange(), c.after);
    }
  }
}

// A run that succeeds and saves nothing still removes them, the log's too (older versions
// replaced the log through a temporary file). On Windows a left copy's age counts from its
// change time, which Wine cannot set back; the Windows file layer's tests play it.
#ifndef _WIN32
TEST(ExchangeTakeover, EveryRunRemovesAbandonedTemporaries) {
  FormRun run(kInput, FormatSettings(ToolSettings{}));  // nothing to save
  for (const char* name :
       {"auxline.dat.4194321-00000000000000aa.tmp", "JWC_TEMP.TXT.4194321-00000000000000ab.tmp",
        "auxline.log.4194321-00000000000000ac.tmp"}) {
    WriteBytes(run.Dir / name, "half");
  }
  WriteBytes(run.Dir / "auxline.log", "older\r\n");
  ScopedFileCalls scoped;  // a file's age there counts from its making, which no call can move
  FakeAgeOfAll(run.Dir.Path(), std::chrono::seconds(30));
  EXPECT_EQ(RunAuxline({"/R9"}, run.Dir / "auxline", nullptr), 0);
  EXPECT_EQ(run.Dir.Entries(),
            (std::set<std::string>{"JWC_TEMP.TXT", "auxline.dat", "auxline.log"}));
}
#endif

#ifndef _WIN32
// Each call of the takeover failed in turn: what it read is the whole file or nothing.
TEST(ExchangeTakeover, ReadErrorIsNeverTheEnd) {
  TempDir dir;
  const std::string input(300000, '7');
  for (const StepFault& c : kStepFaults) {
    if (c.at != AtStep::Fail) continue;
    ExchangeTakeover takeover;
    const auto takeOver = [&] {
      WriteBytes(dir / "JWC_TEMP.TXT", input);
      takeover = TakeOverExchangeFile(dir / "JWC_TEMP.TXT");
    };
    ForEachFaultedStep(
        c, [] {}, takeOver,
        [&](bool, const std::string& call) {
          EXPECT_TRUE(!takeover.ReadToItsEnd || takeover.Bytes == input);
          EXPECT_TRUE(call != "read" || takeover.ReadToItsEnd == (c.error == EINTR));
        });
  }
}
#endif

}  // namespace
