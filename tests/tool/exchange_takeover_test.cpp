// The tool never builds on its own output nor writes over the host's newer input.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "exchange/writing/exchange_takeover.h"
#include "os/file_system.h"
#include "tests/support/fake_window.h"
#include "tests/support/temp_dir.h"
#include "tool/app.h"
#include "tool/settings_file.h"
#ifndef _WIN32
#include "tests/support/file_call_faults.h"
#endif

namespace {

const std::string kInput = CrLf("hk 10|lg2|ly5|hp1 10 20");
const std::string kNewInput = CrLf("lg3|ly1|hp1 0 0|hp2 5 5");
// Puts the file `file` + `suffix` in the place of `file`.
void Rename(const std::filesystem::path& file, const char* suffix) {
  std::filesystem::rename(file.string() + suffix, file);
}

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
  const auto renames = [](Dir f) { WriteBytes(f.string() + "~", kNewInput), Rename(f, "~"); };
  const auto rewrites = [](Dir f) { WriteBytes(f, kNewInput); };
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
      {"the host removed the file", "/R10", kInput, removes, 1, std::nullopt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::filesystem::path file = dir / "JWC_TEMP.TXT";
    WriteBytes(file, c.before);
    const std::string identity = FileIdentityOf(file);
    const int status = RunAuxline({c.mode}, dir / "auxline", [&] {
      auto window = std::make_unique<OkWindow>();
      window->host = [&] { c.host(file); };
      return window;
    });
    EXPECT_EQ(status, c.status);
    if (c.after && c.after->empty()) {
      EXPECT_EQ(ReadBytes(file), c.before);
      EXPECT_EQ(FileIdentityOf(file), identity);
    } else {
      EXPECT_EQ(ReadBytes(file), c.after);
    }
  }
}

TEST(ExchangeTakeover, EveryRunRemovesAbandonedTemporaries) {
  TempDir dir;
  WriteBytes(dir / "JWC_TEMP.TXT", kInput);
  WriteBytes(dir / "auxline.dat", FormatSettings(ToolSettings{}));  // nothing to save
  const char* const kLeft[] = {"auxline.dat.4194321-00000000000000aa.tmp",
                               "JWC_TEMP.TXT.4194321-00000000000000ab.tmp"};
  for (const char* name : kLeft) {
    WriteBytes(dir / name, "half");
    std::filesystem::last_write_time(
        dir / name, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(30));
  }
  EXPECT_EQ(RunAuxline({"/R9"}, dir / "auxline", nullptr), 0);
  EXPECT_EQ(dir.Entries(), (std::set<std::string>{"JWC_TEMP.TXT", "auxline.dat"}));
}

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
