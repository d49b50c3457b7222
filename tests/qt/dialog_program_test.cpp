// How the programs find, check, start and load each other: the dialog program and module.
#include "platform/linux/dialog_program.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "exchange/writing/command_writer.h"
#include "os/posix/descriptor_io.h"
#include "platform/linux/dialog_loader.h"
#include "platform/linux/exchange_handover.h"
#include "platform/linux/exe_path.h"
#include "platform/linux/module_file_check.h"
#include "platform/linux/qt/dialog_module.h"
#include "tests/qt/qt_harness.h"
#include "tests/support/file_call_faults.h"
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
  const struct {
    const char* what;
    bool present;  // a copy of the built one, readable only
    const char* reason;
  } kCases[] = {{"missing", false, "could not start: No such file or directory"},
                {"not executable", true, "could not start: Permission denied"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::filesystem::path dialog = dir / "auxline-dialog";
    if (c.present) {
      std::filesystem::copy_file(std::filesystem::path(AUXLINE_MODULE_DIR) / dialog.filename(),
                                 dialog);
      std::filesystem::permissions(dialog, std::filesystem::perms::owner_read);
    }
    char program[] = "auxline";
    char* argv[] = {program, nullptr};
    EXPECT_EQ(RunThroughDialogProgram(RunMode::Parse({}), dir / "auxline", argv), 2);
    const std::string log = ReadBytes(dir / "auxline.log").value_or("");
    const std::string expected = "status 2, no arguments: the dialog program " + dialog.string();
    EXPECT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
  }
}

// "/R10" without a dialog program where the takeover could not write "hq" (and took the
// host's input away): the exchange file failed.
TEST(DialogProgram, MissingAfterATakeoverWithoutNothingToDrawIsStatus1) {
  TempDir dir;
  WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
  char program[] = "auxline", mode[] = "/R10";
  char* argv[] = {program, mode, nullptr};
  ScopedFileCalls calls;  // no file takes a byte
  ScopedFileCalls::Plan().failEvery = "write";
  ScopedFileCalls::Plan().inner.pwrite = [](int, const void*, size_t, off_t) -> ssize_t {
    return errno = EIO, -1;
  };
  EXPECT_EQ(RunThroughDialogProgram(RunMode::Parse({mode}), dir / "auxline", argv), 1);
  EXPECT_FALSE(HoldsNothingToDraw(dir / "JWC_TEMP.TXT"));
}

TEST(ExePath, IsTheRunningBinaryWhateverTheWorkingDirectory) {
  TempDir dir;
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const std::filesystem::path exe = RunningExecutablePath();
  std::filesystem::current_path(before);
  ASSERT_TRUE(exe.is_absolute());
  EXPECT_EQ(exe.filename(), "qt_tests");
  EXPECT_TRUE(std::filesystem::exists(exe));
}

TEST(ExePath, DeletedMarkIsDroppedOnlyWhenNoSuchFileExists) {
  TempDir dir;
  const std::string gone = (dir / "auxline").string();
  EXPECT_EQ(ExecutablePathFromLink(gone + " (deleted)"), gone);
  EXPECT_EQ(ExecutablePathFromLink(gone), gone);
  const std::string real = (dir / "odd (deleted)").string();
  WriteBytes(real, "");
  EXPECT_EQ(ExecutablePathFromLink(real), real);
}

TEST(DialogLoaderTest, ModuleBesideTheExecutableGivesAWorkingWindow) {
  TestApplication();
  std::unique_ptr<FormWindow> window =
      LoadDialogWindow(AUXLINE_MODULE_DIR, RunningExecutableOwner());
  ASSERT_NE(window, nullptr);
  // The module is the file that was checked, loaded through its descriptor, not again by name.
  Dl_info module{};
  ASSERT_NE(::dladdr(*reinterpret_cast<void**>(window.get()), &module), 0);
  EXPECT_TRUE(std::string_view(module.dli_fname).starts_with("/proc/self/fd/")) << module.dli_fname;
  window->FillList(ListBox::ComboBox2, {"a", "b", "c"});
  EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), -1);
  window->SelectItem(ListBox::ComboBox2, 2);
  EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), 2);
  window->SelectItem(ListBox::ComboBox2, 3);  // outside the list: nothing selected
  EXPECT_EQ(window->SelectedItem(ListBox::ComboBox2), -1);
  window->SetText(DrawingWidget::EditA2, "0.5");
  EXPECT_EQ(window->Text(DrawingWidget::EditA2), "0.5");
}

TEST(DialogLoaderTest, ModuleRefusesAnotherInterfaceVersion) {
  TestApplication();
  const std::string path = std::string(AUXLINE_MODULE_DIR) + "/" + kDialogModuleFileName;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  const auto factory =
      reinterpret_cast<DialogModuleFactory>(dlsym(module, kDialogModuleFactoryName));
  ASSERT_NE(factory, nullptr);
  int argc = 1;
  char program[] = "auxline";
  char* argv[] = {program, nullptr};
  EXPECT_EQ(factory(kDialogModuleInterfaceVersion + 1, &argc, argv), nullptr);
}

bool Only1000IsPrivate(gid_t gid, uid_t) { return gid == 1000; }

TEST(InstallationFile, RuleOnTheOpenFilesStatus) {
  const struct {
    const char* what;
    mode_t mode;
    uid_t uid;
    gid_t gid;
    bool used;
  } kCases[] = {
      {"root's", S_IFREG | 0755, 0, 0, true},
      {"the owner's", S_IFREG | 0755, 1000, 50, true},
      {"another user's", S_IFREG | 0755, 1001, 50, false},
      {"writable by others", S_IFREG | 0757, 0, 0, false},
      {"group-writable, the owner's private group", S_IFREG | 0775, 1000, 1000, true},
      {"group-writable, a shared group", S_IFREG | 0775, 1000, 50, false},
      {"a FIFO", S_IFIFO | 0755, 1000, 50, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    struct stat status {};
    status.st_mode = c.mode, status.st_uid = c.uid, status.st_gid = c.gid;
    EXPECT_EQ(InstallationFileMayBeUsed(status, 1000, Only1000IsPrivate), c.used);
  }
}

TEST(InstallationFile, GroupIsPrivateOnlyWithNoOtherMember) {
  const std::string passwd = "root:x:0:0::/root:/bin/sh\nann:x:1000:1000::/home/ann:/bin/sh\n";
  const struct {
    const char* what;
    std::string passwd, group;
    bool isPrivate;
  } kCases[] = {
      {"a user private group", passwd, "ann:x:1000:\n", true},
      {"listing only its owner", "ann:x:1000:50::/:/bin/sh\n", "t:x:1000:ann\n", true},
      {"without members", "ann:x:1000:50::/:/bin/sh\n", "t:x:1000:\n", false},
      {"listing another user", passwd, "ann:x:1000:ann,bob\n", false},
      {"another user's primary group", passwd + "bob:x:1001:1000::/:/bin/sh\n", "ann:x:1000:\n",
       false},
      // The system reads numbers leniently: a line in any other form may make bob a member.
      {"a primary group after a blank", passwd + "bob:x:1001: 1000::/:/bin/sh\n", "ann:x:1000:\n",
       false},
      {"a primary group after a sign", passwd + "bob:x:1001:+1000::/:/bin/sh\n", "ann:x:1000:\n",
       false},
      {"a primary group past 32 bits", passwd + "bob:x:1001:4294968296::/:/bin/sh\n",
       "ann:x:1000:\n", false},
      {"a user line short of fields", passwd + "bob:x:1001\n", "ann:x:1000:\n", false},
      {"a second entry before a blank", passwd, "ann:x:1000:\nstaff:x:1000 :bob\n", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(GroupIsPrivateTo(c.passwd, c.group, 1000, 1000), c.isPrivate);
  }
}

}  // namespace
