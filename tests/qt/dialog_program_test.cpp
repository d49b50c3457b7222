// The dialog program works on its starter's files, handed over only by its own parent.
#include "platform/linux/dialog_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "os/posix/descriptor_io.h"
#include "platform/linux/exchange_handover.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(DialogProgram, WorksOnTheFilesOfTheExecutableThatStartedIt) {
  const std::filesystem::path own = "/opt/tool/auxline-dialog";
  const struct {
    const char* what;
    std::filesystem::path handedOver, expected;
  } kCases[] = {
      {"started by auxline", "/opt/tool/auxline", "/opt/tool/auxline"},
      {"started by a renamed copy elsewhere", "/home/u/cad/aux2", "/home/u/cad/aux2"},
      {"started by hand", "", "/opt/tool/auxline"},
      {"relative path", "cad/auxline", "/opt/tool/auxline"},
      {"a folder", "/home/u/cad/", "/opt/tool/auxline"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(StartingExecutablePath(c.handedOver, own), c.expected);
  }
}

constexpr std::string_view kExchange = "hk 10\r\nhp1 1 2\r\n";
constexpr int kSeals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;

// What a takeover wrote ("hq", in the file of that identity) and the bytes it took.
ExchangeTakeover Taken(bool written, std::string identity, std::string_view bytes = kExchange) {
  ExchangeTakeover taken;
  taken.NothingToDrawWritten = written;
  taken.WrittenIdentity = std::move(identity);
  taken.Bytes = bytes;
  return taken;
}
const ExchangeTakeover kTaken = Taken(true, "2049:131");

// A hand-over from the parent; its bytes in a memory file sealed with `seals`, -1: a plain file.
int MakeHandover(const ExchangeTakeover* exchange) {
  return PutIntoHandoverFile("/t/auxline", 7, exchange, ::getppid());
}
int CopyOfAHandover(int seals, const TempDir& dir) {
  std::string bytes;
  const int handover = MakeHandover(&kTaken);
  ReadWholeFile(handover, bytes, 4096);
  ::close(handover);
  const int fd = seals < 0 ? ::open((dir / "host").c_str(), O_RDWR | O_CREAT, 0600)
                           : ::memfd_create("auxline-handover", MFD_ALLOW_SEALING);
  if (!WriteAll(fd, bytes) || (seals > 0 && ::fcntl(fd, F_ADD_SEALS, seals) != 0)) return -1;
  return fd;
}

TEST(DialogProgram, TakesAHandoverOnlyFromTheSealedFileOfItsParent) {
  TempDir dir;
  const struct {
    const char* what;
    std::function<int()> open;
    bool taken;
  } kCases[] = {
      {"from the parent", [] { return MakeHandover(&kTaken); }, true},
      {"from another process", [] { return PutIntoHandoverFile("/t/a", 7, nullptr, ::getpid()); },
       false},
      {"its bytes in a plain file", [&] { return CopyOfAHandover(-1, dir); }, false},
      {"its bytes in a memory file, not sealed", [&] { return CopyOfAHandover(0, dir); }, false},
      {"its bytes sealed as auxline seals them", [&] { return CopyOfAHandover(kSeals, dir); },
       true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const int fd = c.open();
    EXPECT_EQ(HandoverPresent(fd), c.taken);
    const std::optional<Handover> handover = TakeHandover(fd);
    // Taken, it is closed; a descriptor that holds none is not the dialog program's to close.
    EXPECT_EQ(::close(fd) == 0, !c.taken);
    ASSERT_EQ(handover.has_value(), c.taken);
    if (!c.taken) continue;
    EXPECT_EQ(handover->StartingExecutable, "/t/auxline");
    EXPECT_EQ(handover->InstallationOwner, 7u);
    EXPECT_EQ(handover->Exchange.value().Bytes, kExchange);
  }
  // A run without the exchange file (the settings dialog) hands over none.
  EXPECT_FALSE(TakeHandover(MakeHandover(nullptr)).value().Exchange.has_value());
}

// The hand-over carries what the takeover wrote, which OK checks before it writes.
TEST(DialogProgram, HandoverCarriesWhatTheTakeoverWrote) {
  const ExchangeTakeover kCases[] = {Taken(true, "2049:131"), Taken(true, "", "lg2\n\n"),
                                     Taken(false, "", "")};
  for (const ExchangeTakeover& sent : kCases) {
    SCOPED_TRACE(sent.WrittenIdentity + "|" + sent.Bytes);
    const ExchangeTakeover got = TakeHandover(MakeHandover(&sent)).value().Exchange.value();
    EXPECT_TRUE(got.ReadToItsEnd);
    EXPECT_EQ(got.NothingToDrawWritten, sent.NothingToDrawWritten);
    EXPECT_EQ(got.WrittenIdentity, sent.WrittenIdentity);
    EXPECT_EQ(got.Bytes, sent.Bytes);
  }
}

// A dialog program that cannot start: its reason in its starter's log, status 2.
TEST(DialogProgram, OneThatCannotStartLeavesItsReasonInTheLog) {
  const std::filesystem::path built = std::filesystem::path(AUXLINE_MODULE_DIR) / "auxline-dialog";
  const struct {
    const char* what;
    std::function<void(const std::filesystem::path&)> prepare;
    const char* reason;
  } kCases[] = {
      {"missing", [](const std::filesystem::path&) {},
       "could not start: No such file or directory"},
      {"not executable",
       [&](const std::filesystem::path& program) {
         std::filesystem::copy_file(built, program);
         std::filesystem::permissions(program, std::filesystem::perms::owner_read);
       },
       "could not start: Permission denied"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    c.prepare(dir / "auxline-dialog");
    char program[] = "auxline";
    char* argv[] = {program, nullptr};
    EXPECT_EQ(RunThroughDialogProgram(RunMode::Parse({}), dir / "auxline", argv), 2);
    const std::string log = ReadBytes(dir / "auxline.log").value_or("");
    EXPECT_NE(
        log.find("status 2, no arguments: the dialog program " + (dir / "auxline-dialog").string()),
        std::string::npos)
        << log;
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
  }
}

}  // namespace
