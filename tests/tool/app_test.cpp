// The entry: whether a dialog window is wanted, and the outcome as the exit status.
#include "tool/app.h"

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(App, OnlyNoArgumentOrR10AsksForADialogWindow) {
  const struct {
    std::vector<std::string> args;
    bool dialog;
  } cases[] = {
      {{}, true},         {{"/R10"}, true},  {{"/R10", "5"}, true}, {{"/R1"}, false},
      {{"/R9"}, false},   {{"/r10"}, false}, {{"/R10 "}, false},    {{"/R11"}, false},
      {{"/R010"}, false}, {{""}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_EQ(RunMode::Parse(c.args).MayShowDialog(), c.dialog);
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", "hp1 1 2\r\n");
    int factoryCalls = 0;
    const int status = RunAuxline(c.args, dir / "auxline", [&]() -> std::unique_ptr<FormWindow> {
      ++factoryCalls;
      return nullptr;
    });
    EXPECT_EQ(factoryCalls, c.dialog ? 1 : 0);
    // A dialog that cannot be created: closed at once, reported by status 2.
    EXPECT_EQ(status, c.dialog ? 2 : 0);
  }
}

TEST(App, MissingDialogWindowBehavesAsClosedAtOnce) {
  TempDir dir;
  WriteBytes(dir / "JWC_TEMP.TXT", "lg2\r\nly5\r\n");
  EXPECT_EQ(RunAuxline({"/R10"}, dir / "auxline", nullptr), 2);
  EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), CrLf("lg2|ly5|lc9|lt1|lw0"));
  EXPECT_EQ(ReadBytes(dir / "auxline.dat"), std::nullopt);  // closing is Cancel: no save
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
  TempDir dir;
  const std::string input = CrLf("hp1 1 2|hp2 3 4");
  WriteBytes(dir / "JWC_TEMP.TXT", input);
  int status = 0;
  {
    const FileSizeLimit limit(input.size());
    status = RunAuxline({"/R1"}, dir / "auxline", nullptr);
  }
  EXPECT_EQ(status, 1);
  EXPECT_NE(ReadBytes(dir / "JWC_TEMP.TXT"), input);
}
#endif

// A /R10 run on an exchange file not read to its end: no window, status 1, the host gets hq.
TEST(App, ExchangeFileNotReadToItsEndGivesStatus1WithoutADialog) {
  TempDir dir;
  ExchangeTakeover cutShort;
  cutShort.ReadToItsEnd = false;
  int factoryCalls = 0;
  const int status = RunAuxline(
      {"/R10"}, dir / "auxline",
      [&]() -> std::unique_ptr<FormWindow> {
        ++factoryCalls;
        return std::make_unique<FakeWindow>();
      },
      cutShort);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(factoryCalls, 0);
  EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), "hq\r\n");
}

}  // namespace
