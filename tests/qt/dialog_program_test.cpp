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

int MemoryFile(std::string_view bytes, int seals) {
  const int fd = ::memfd_create("other", MFD_ALLOW_SEALING);
  if (fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
      (seals == 0 || ::fcntl(fd, F_ADD_SEALS, seals) == 0)) {
    return fd;
  }
  return -1;
}

TEST(DialogProgram, TakesAHandoverOnlyFromTheSealedFileOfItsParent) {
  TempDir dir;
  const std::string_view exchange = "hk 10\r\nhp1 1 2\r\n";
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
      {"a file the host left open",
       [&] {
         WriteBytes(dir / "host", "hk 10\r\n");
         return ::open((dir / "host").c_str(), O_RDONLY);
       },
       false, false},
      {"a memory file, not sealed", [] { return MemoryFile("auxline-handover", 0); }, false, false},
      {"a memory file sealed only against writes",
       [] { return MemoryFile("auxline-handover", F_SEAL_WRITE); }, false, false},
      {"another sealed memory file", [] { return MemoryFile(std::string(200, 'x'), kAllSeals); },
       false, false},
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
