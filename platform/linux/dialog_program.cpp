#include "platform/linux/dialog_program.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "os/own_file.h"
#include "os/program_file.h"
#include "platform/linux/exchange_handover.h"
#include "platform/linux/module_file_check.h"
#include "platform/linux/qt/dialog_module.h"
#include "tool/app.h"
#include "tool/run_log.h"
#include "tool/tform1.h"

namespace {

// What the child ends with when it cannot become the dialog program; the dynamic loader
// ends with the same status when it cannot load the program's libraries.
constexpr int kNotStarted = 127;

bool IsStatusOfARun(int status) {
  return status == kExitOk || status == kExitExchangeFileFailed || status == kExitNoDialogWindow;
}

void NoteNotStarted(const std::filesystem::path& program, std::string_view why) {
  NoteRunFailure("the dialog program " + PathText(program) + " could not start", why);
}

// How a dialog program that did not run to its end ended, for the log.
std::string EndOf(const std::filesystem::path& program, int status) {
  if (WIFSIGNALED(status)) {
    return "it was ended by signal " + std::to_string(WTERMSIG(status)) + " (" +
           ::strsignal(WTERMSIG(status)) + ")";
  }
  const int code = WEXITSTATUS(status);
  if (code != kNotStarted) return "it ended with status " + std::to_string(code);
  if (::access(program.c_str(), X_OK) != 0) return std::strerror(errno);
  return "its libraries are missing or too old for it (status 127)";
}

// In the child, between fork and exec.
[[noreturn]] void BecomeDialogProgram(const std::filesystem::path& program,
                                      const std::filesystem::path& exePath, char** argv,
                                      pid_t launcher, const std::string& exchangeFd) {
  // The dialog ends with the run: a host that ends `auxline` must not leave behind a dialog
  // that could write the exchange file after the host has read it.
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != launcher) ::_exit(kNotStarted);
  const bool passed =
      ::setenv(kStartingExecutableVariable, exePath.c_str(), 1) == 0 &&
      (exchangeFd.empty() ? ::unsetenv(kHandedOverExchangeVariable)
                          : ::setenv(kHandedOverExchangeVariable, exchangeFd.c_str(), 1)) == 0;
  if (passed) ::execv(program.c_str(), argv);
  ::_exit(kNotStarted);
}

// The dialog program's exit status when it ran to its end.
std::optional<int> RunDialogProgram(const std::filesystem::path& exePath, char** argv,
                                    int exchangeFd) {
  const std::filesystem::path program = exePath.parent_path() / kDialogProgramFileName;
  // A program cut short would die of SIGBUS once loaded; not starting it is cheaper.
  ClearSystemError();
  if (!ExecutableFileIsWhole(program)) {
    const std::error_code error = LastSystemError();
    NoteNotStarted(program, error ? SystemErrorText(error) : "it is not whole");
    return std::nullopt;
  }
  const std::string exchangeFdText = exchangeFd >= 0 ? std::to_string(exchangeFd) : "";
  // A host that ignores SIGCHLD passes that on, and the child would then be reaped unseen.
  ::signal(SIGCHLD, SIG_DFL);
  const pid_t launcher = ::getpid();
  const pid_t child = ::fork();
  if (child < 0) {
    NoteNotStarted(program, SystemErrorText(LastSystemError()));
    return std::nullopt;
  }
  if (child == 0) BecomeDialogProgram(program, exePath, argv, launcher, exchangeFdText);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (!WIFEXITED(status) || !IsStatusOfARun(WEXITSTATUS(status))) {
    NoteNotStarted(program, EndOf(program, status));
    return std::nullopt;
  }
  return WEXITSTATUS(status);
}

}  // namespace

int RunThroughDialogProgram(const RunMode& mode, const std::filesystem::path& exePath,
                            char** argv) {
  std::optional<ExchangeTakeover> takenOver;
  int exchangeFd = -1;
  if (mode.TakesOverExchangeFile()) {
    takenOver = TakeOverExchangeFile(ExchangeFilePathFor(exePath));
    // Nothing to show a dialog for: the run ends at once, as failed.
    if (!takenOver->ReadToItsEnd) return RunAuxline(mode, exePath, {}, std::move(takenOver));
    exchangeFd = PutIntoInheritedMemoryFile(*takenOver);
    std::string().swap(takenOver->Bytes);  // the dialog program holds them now
  }
  std::optional<int> status;
  if (!takenOver || exchangeFd >= 0) status = RunDialogProgram(exePath, argv, exchangeFd);
  if (exchangeFd >= 0) ::close(exchangeFd);
  if (status) return *status;  // the dialog program has logged its own failure
  if (takenOver && exchangeFd < 0) NoteRunFailure("the exchange file could not be handed over", "");
  // What the host finds now is what the takeover left: "hq", or (where the file could not be
  // replaced) its own input, which is a failure of the exchange file.
  const bool exchangeLeft = takenOver && !takenOver->NothingToDrawWritten;
  const int failed = exchangeLeft ? kExitExchangeFileFailed : kExitNoDialogWindow;
  LogRunEnd(exePath, mode.Arguments(), failed);
  return failed;
}

bool StartedAsDialogProgram() { return ::getenv(kStartingExecutableVariable) != nullptr; }

std::filesystem::path TakeStartingExecutablePath(const std::filesystem::path& ownPath) {
  std::filesystem::path startedBy;
  if (const char* value = ::getenv(kStartingExecutableVariable)) startedBy = value;
  ::unsetenv(kStartingExecutableVariable);
  // Only a full path: the working directory must never decide where the files are.
  if (startedBy.is_absolute() && startedBy.has_filename()) return startedBy;
  return ownPath.parent_path() / "auxline";
}

void ProtectInstallationFiles(const std::filesystem::path& folder) {
  ProtectProgramFile(folder / kDialogProgramFileName);
  ProtectProgramFile(folder / kDialogModuleFileName);
}
