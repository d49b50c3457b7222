// What the dialog program builds on: the files of the executable that started it, passed as
// a full path in the hand-over, never anything the working directory would decide; and a
// hand-over only from the sealed memory file its own parent made, never from another
// descriptor that happens to be open where it looks.
#include "platform/linux/dialog_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/exchange_handover.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(DialogProgram, WorksOnTheFilesOfTheExecutableThatStartedIt) {
  const std::filesystem::path own = "/opt/tool/auxline-dialog";
  const struct {
    const char* what;
    std::filesystem::path handedOver;
    std::filesystem::path expected;
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

// A valid hand-over's bytes in a file of another kind: a memory file sealed with `seals`, or
// (seals -1) a plain file in `dir`.
constexpr std::string_view kExchange = "hk 10\r\nhp1 1 2\r\n";

int CopyOfAHandover(int seals, const TempDir& dir) {
  const std::string_view exchange = kExchange;
  const int handover = PutIntoHandoverFile("/t/auxline", 7, &exchange, ::getppid());
  char bytes[4096];
  const ssize_t length = ::pread(handover, bytes, sizeof bytes, 0);
  ::close(handover);
  const int fd = seals < 0 ? ::open((dir / "host").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600)
                           : ::memfd_create("auxline-handover", MFD_ALLOW_SEALING);
  if (length <= 0 || fd < 0 || ::write(fd, bytes, static_cast<std::size_t>(length)) != length ||
      (seals > 0 && ::fcntl(fd, F_ADD_SEALS, seals) != 0)) {
    return -1;
  }
  return fd;
}

TEST(DialogProgram, TakesAHandoverOnlyFromTheSealedFileOfItsParent) {
  TempDir dir;
  const std::string_view exchange = kExchange;
  constexpr int kAllSeals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;
  const struct {
    const char* what;
    std::function<int()> open;
    bool taken;
    bool withExchange;
  } kCases[] = {
      {"from the parent, with the exchange file",
       [&] { return PutIntoHandoverFile("/t/auxline", 7, &exchange, ::getppid()); }, true, true},
      {"from the parent, without",
       [] { return PutIntoHandoverFile("/t/auxline", 7, nullptr, ::getppid()); }, true, false},
      {"made by another process than the parent",
       [&] { return PutIntoHandoverFile("/t/auxline", 7, &exchange, ::getpid()); }, false, false},
      {"its bytes in a file the host left open", [&] { return CopyOfAHandover(-1, dir); }, false,
       false},
      {"its bytes in a memory file, not sealed", [&] { return CopyOfAHandover(0, dir); }, false,
       false},
      {"its bytes in a memory file sealed only against writes",
       [&] { return CopyOfAHandover(F_SEAL_WRITE, dir); }, false, false},
      {"its bytes in a memory file sealed as auxline seals it",
       [&] { return CopyOfAHandover(kAllSeals, dir); }, true, true},
      {"no descriptor at all", [] { return 1000; }, false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const int fd = c.open();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(HandoverPresent(fd), c.taken);
    const std::optional<Handover> handover = TakeHandover(fd);
    ASSERT_EQ(handover.has_value(), c.taken);
    // A descriptor that holds no hand-over is not the dialog program's to close.
    EXPECT_EQ(::fcntl(fd, F_GETFD) >= 0, !c.taken && fd != 1000);
    if (!c.taken) {
      ::close(fd);
      continue;
    }
    EXPECT_EQ(handover->StartingExecutable, "/t/auxline");
    EXPECT_EQ(handover->InstallationOwner, 7u);
    ASSERT_EQ(handover->Exchange.has_value(), c.withExchange);
    if (c.withExchange) {
      EXPECT_EQ(handover->Exchange->Bytes, exchange);
    }
  }
}

}  // namespace
