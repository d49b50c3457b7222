#include "platform/linux/dialog_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

#include "os/program_file.h"
#include "platform/linux/exchange_handover.h"
#include "platform/linux/module_file_check.h"
#include "platform/linux/qt/dialog_module.h"
#include "tool/app.h"
#include "tool/tform1.h"

namespace {

// What the child ends with when it cannot become the dialog program; the dynamic loader
// ends with the same status when it cannot load the program's libraries.
constexpr int kNotStarted = 127;

bool IsStatusOfARun(int status) {
  return status == kExitOk || status == kExitExchangeFileFailed || status == kExitNoDialogWindow;
}

// Moves `fd` off the hand-over's descriptor number, so that putting the hand-over there in
// the child closes nothing the child needs.
bool KeepOffHandoverDescriptor(int& fd) {
  if (fd != kHandoverDescriptor) return true;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, kHandoverDescriptor + 1);
  ::close(fd);
  fd = moved;
  return moved >= 0;
}

// In the child, between fork and exec: only async-signal-safe calls (a lock that another
// thread held at the fork stays held in the child), so everything was prepared before.
[[noreturn]] void BecomeDialogProgram(int programFd, int handoverFd, char** argv, pid_t launcher) {
  // The dialog ends with the run: a host that ends `auxline` must not leave behind a dialog
  // that could write the exchange file after the host has read it. Checked after the call:
  // a launcher that ended before it was made is not waited for.
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != launcher) ::_exit(kNotStarted);
  // A copy made by dup2 is inherited; a hand-over already in its place has its
  // close-on-exec flag cleared instead.
  const bool placed = handoverFd == kHandoverDescriptor
                          ? ::fcntl(handoverFd, F_SETFD, 0) == 0
                          : ::dup2(handoverFd, kHandoverDescriptor) == kHandoverDescriptor;
  // The file that was checked is the one that runs, whatever its name leads to by now.
  if (placed) ::fexecve(programFd, argv, environ);
  ::_exit(kNotStarted);
}

std::optional<int> StartAndWait(int programFd, int handoverFd, char** argv) {
  // A host that ignores SIGCHLD passes that on, and the child would then be reaped unseen.
  ::signal(SIGCHLD, SIG_DFL);
  const pid_t launcher = ::getpid();
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) BecomeDialogProgram(programFd, handoverFd, argv, launcher);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (!WIFEXITED(status) || !IsStatusOfARun(WEXITSTATUS(status))) return std::nullopt;
  return WEXITSTATUS(status);
}

// The dialog program's exit status when it ran to its end.
std::optional<int> RunDialogProgram(const std::filesystem::path& exePath, char** argv,
                                    int handoverFd, uid_t owner) {
  int programFd = OpenInstallationFile(exePath.parent_path() / kDialogProgramFileName, owner,
                                       ProgramKind::DynamicExecutable);
  if (programFd < 0) return std::nullopt;
  std::optional<int> status;
  if (KeepOffHandoverDescriptor(programFd)) status = StartAndWait(programFd, handoverFd, argv);
  if (programFd >= 0) ::close(programFd);
  return status;
}

}  // namespace

int RunThroughDialogProgram(const std::vector<std::string>& args,
                            const std::filesystem::path& exePath, char** argv) {
  std::optional<ExchangeTakeover> takenOver;
  if (TakesOverExchangeFile(args)) {
    takenOver = TakeOverExchangeFile(ExchangeFilePathFor(exePath));
    // Nothing to show a dialog for: the run ends at once, as failed.
    if (!takenOver->ReadToItsEnd) return RunAuxline(args, exePath, {}, std::move(takenOver));
  }
  std::optional<int> status;
  const uid_t owner = RunningExecutableOwner();
  if (owner != static_cast<uid_t>(-1)) {
    const std::string_view bytes = takenOver ? std::string_view(takenOver->Bytes) : "";
    const int handoverFd = PutIntoHandoverFile(exePath, owner, takenOver ? &bytes : nullptr);
    if (takenOver) std::string().swap(takenOver->Bytes);  // the hand-over holds them now
    if (handoverFd >= 0) {
      status = RunDialogProgram(exePath, argv, handoverFd, owner);
      ::close(handoverFd);
    }
  }
  if (status) return *status;
  // What the host finds now is what the takeover left: "hq", or (where the file could not be
  // replaced) its own input, which is a failure of the exchange file.
  if (takenOver && !takenOver->NothingToDrawWritten) return kExitExchangeFileFailed;
  return kExitNoDialogWindow;
}

bool StartedAsDialogProgram() { return HandoverPresent(); }

std::filesystem::path StartingExecutablePath(const std::filesystem::path& handedOver,
                                             const std::filesystem::path& ownPath) {
  // Only a full path: the working directory must never decide where the files are.
  if (handedOver.is_absolute() && handedOver.has_filename()) return handedOver;
  return ownPath.parent_path() / "auxline";
}

void ProtectInstallationFiles(const std::filesystem::path& folder) {
  ProtectProgramFile(folder / kDialogProgramFileName);
  ProtectProgramFile(folder / kDialogModuleFileName);
}
