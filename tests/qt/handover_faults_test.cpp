// The hand-over and the installation check with each of their system calls failed in turn,
// and a dialog program that refuses its hand-over: nothing goes on with half of either.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "exchange/writing/command_writer.h"
#include "platform/linux/dialog_program.h"
#include "platform/linux/exchange_handover.h"
#include "platform/linux/module_file_check.h"
#include "tests/support/file_call_faults.h"
#include "tests/support/temp_dir.h"

namespace {

const std::filesystem::path kDialogProgram =
    std::filesystem::path(AUXLINE_MODULE_DIR) / kDialogProgramFileName;

TEST(HandoverFaults, ArrivesWholeOrIsRefused) {
  ExchangeTakeover sent;
  sent.WrittenIdentity = "2049:131", sent.Bytes = "hk 10\r\n";
  int fd = -1;
  std::optional<Handover> got;
  const auto handOver = [&] {
    got.reset();
    fd = PutIntoHandoverFile("/t/auxline", 7, &sent, FileCalls().getppid());
    if (fd >= 0) got = TakeHandover(fd);
  };
  // None made: `auxline` ends the run itself (below). One made is never taken for none (the
  // dialog program would run as if started by hand), and is refused unless it came whole.
  const auto check = [&](bool, const std::string&) {
    if (fd < 0) return;
    ASSERT_TRUE(got.has_value());
    EXPECT_NE(got->Fault, HandoverFault::OtherVersion);
    if (got->Fault == HandoverFault::None) {
      EXPECT_EQ(got->Exchange.value().Bytes, sent.Bytes);
    }
  };
  const auto nothing = [] {};
  for (const StepFault& f : kStepFaults) {
    if (f.at == AtStep::Fail) ForEachFaultedStep(f, nothing, handOver, check);
  }
}

// The hand-over as an `auxline` of another build writes it: the version (at byte 32, after
// the mark and the launcher) differs.
ssize_t WriteAsAnotherBuild(int fd, const void* bytes, size_t size) {
  std::string copy(static_cast<const char*>(bytes), size);
  if (copy.starts_with(std::string_view("auxline-handover", 17))) copy.at(32) ^= 1;
  return ::write(fd, copy.data(), copy.size());
}

// "/R10" whose dialog program gets no hand-over it can take: a dialog that cannot be shown,
// the host finds "hq", and the log says why.
TEST(HandoverFaults, RunWithoutAHandoverEndsAsNoDialog) {
  const struct {
    const char* what;
    void (*fault)(FileCallPlan&);
    const char* logged;
  } kCases[] = {
      {"a dialog program of another build",
       [](FileCallPlan& plan) { plan.inner.write = WriteAsAnotherBuild; },
       "/auxline-dialog is of another version than auxline: both must come from the same build"},
      {"no hand-over made", [](FileCallPlan& plan) { plan.failEvery = "memfd_create"; },
       "the hand-over to the dialog program could not be made"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::filesystem::copy_file(kDialogProgram, dir / kDialogProgramFileName);
    WriteBytes(dir / "JWC_TEMP.TXT", "hk 10\r\n");
    char program[] = "auxline", mode[] = "/R10";
    char* argv[] = {program, mode, nullptr};
    ScopedFileCalls calls;
    c.fault(ScopedFileCalls::Plan());
    EXPECT_EQ(RunThroughDialogProgram(RunMode::Parse({mode}), dir / "auxline", argv), 2);
    EXPECT_TRUE(HoldsNothingToDraw(dir / "JWC_TEMP.TXT"));
    const std::string log = ReadBytes(dir / "auxline.log").value_or("");
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
  }
}

// The system's user and group files, as the test writes them beside the checked file.
std::filesystem::path g_etc;
int OpenEtcInTestFolder(const char* path, int flags, mode_t mode) {
  const std::string_view name(path);
  if (!name.starts_with("/etc/")) return ::open(path, flags, mode);
  return ::open((g_etc / name.substr(5)).c_str(), flags, mode);
}

TEST(InstallationFileFaults, RefusedWhenAnyCallFails) {
  TempDir dir;
  const std::filesystem::path program = dir / kDialogProgramFileName;
  std::filesystem::copy_file(kDialogProgram, program);
  struct stat own {};
  ASSERT_EQ(::stat(program.c_str(), &own), 0);
  const std::string gid = std::to_string(own.st_gid);
  WriteBytes((g_etc = dir.Path()) / "group", "me:x:" + gid + ":\n");
  WriteBytes(dir / "passwd", "me:x:" + std::to_string(own.st_uid) + ":" + gid + "::/:/bin/sh\n");
  const auto setUp = [] { ScopedFileCalls::Plan().inner.open = OpenEtcInTestFolder; };
  bool accepted = false;
  const auto check = [&] {
    const int fd = OpenInstallationFile(program, own.st_uid, ProgramKind::DynamicExecutable);
    if ((accepted = fd >= 0)) ::close(fd);
  };
  // Writable by a private group: the system's user and group files are read too.
  for (const mode_t mode : {mode_t{0755}, mode_t{0775}}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(::chmod(program.c_str(), mode), 0);
    for (const StepFault& f : kStepFaults) {
      if (f.at != AtStep::Fail) continue;
      ForEachFaultedStep(f, setUp, check, [&](bool, const std::string& call) {
        // Only an interrupted read is tried again; a system file's close comes after its text.
        EXPECT_TRUE(!accepted || call == "close" || (f.error == EINTR && call == "pread"));
      });
    }
    ScopedFileCalls calls;  // and when nothing fails, taken
    setUp();
    check();
    EXPECT_TRUE(accepted);
  }
}

}  // namespace
