#include "platform/linux/dialog_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "os/posix/file_calls.h"
#include "os/program_file.h"
#include "platform/linux/exchange_handover.h"
#include "platform/linux/module_file_check.h"
#include "platform/linux/qt/dialog_module.h"
#include "tool/app.h"
#include "tool/run_log.h"

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
  if (code == kExitHandoverUnreadable) return "it could not read what auxline handed over";
  if (code != kNotStarted) return "it ended with status " + std::to_string(code);
  if (FileCalls().faccessat(AT_FDCWD, program.c_str(), X_OK, 0) != 0) return std::strerror(errno);
  return "its libraries are missing or too old for it (status 127)";
}

void NoteEnd(const std::filesystem::path& program, int status) {
  if (WIFEXITED(status) && WEXITSTATUS(status) == kExitHandoverOfOtherVersion) {
    NoteRunFailure(
        "the dialog program " + PathText(program) + " is of another version than auxline",
        "both must come from the same build");
  } else {
    NoteNotStarted(program, EndOf(program, status));
  }
}

// Whether an environment entry ("NAME=value") sets a variable of the dynamic loader, or one
// that the C library reads to find code or configuration it loads. `auxline`, static, never
// reads them, but the dialog program is loaded by the dynamic loader: a preload, an audit
// library or a library path (an empty element of which is the working folder, often a tool
// folder that others may write) would put another's code into the dialog. Every "LD_" name,
// and those of the list the loader drops for set-id programs that lead to code or its
// configuration. The rest of that list passes on with everything else (display, locale,
// input method, scaling): LOCPATH, NLSPATH, TZDIR and TMPDIR are the user's choices of
// locale, time zone and temporary data, never code.
bool IsLoaderVariable(std::string_view entry) {
  static constexpr std::string_view kLoaderNames[] = {
      "GCONV_PATH",   "GETCONF_DIR", "GLIBC_TUNABLES", "HOSTALIASES",      "LOCALDOMAIN",
      "MALLOC_TRACE", "NIS_PATH",    "RES_OPTIONS",    "RESOLV_HOST_CONF",
  };
  const std::string_view name = entry.substr(0, entry.find('='));
  return name.starts_with("LD_") || std::ranges::find(kLoaderNames, name) != std::end(kLoaderNames);
}

// The dialog program's environment: this one without the loader's variables, made before
// the fork (the child may not allocate). Its entries are this process's own.
std::vector<char*> DialogProgramEnvironment() {
  std::vector<char*> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (!IsLoaderVariable(*entry)) entries.push_back(*entry);
  }
  entries.push_back(nullptr);
  return entries;
}

// Moves `fd` off the hand-over's descriptor number, so that putting the hand-over there in
// the child closes nothing the child needs.
bool KeepOffHandoverDescriptor(int& fd) {
  if (fd != kHandoverDescriptor) return true;
  const int moved = FileCalls().fcntl(fd, F_DUPFD_CLOEXEC, kHandoverDescriptor + 1);
  FileCalls().close(fd);
  fd = moved;
  return moved >= 0;
}

// In the child, between fork and exec: only async-signal-safe calls (a lock that another
// thread held at the fork stays held in the child), so everything was prepared before; the
// system's own, never the call table's, which a test may have replaced with calls that
// allocate.
[[noreturn]] void BecomeDialogProgram(int programFd, int handoverFd, char** argv, char** envp,
                                      pid_t launcher) {
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
  if (placed) ::fexecve(programFd, argv, envp);
  ::_exit(kNotStarted);
}

std::optional<int> StartAndWait(const std::filesystem::path& program, int programFd, int handoverFd,
                                char** argv) {
  // A host that ignores SIGCHLD passes that on, and the child would then be reaped unseen.
  ::signal(SIGCHLD, SIG_DFL);
  const pid_t launcher = FileCalls().getpid();
  std::vector<char*> environment = DialogProgramEnvironment();
  const pid_t child = ::fork();
  if (child < 0) {
    NoteNotStarted(program, std::strerror(errno));
    return std::nullopt;
  }
  if (child == 0) BecomeDialogProgram(programFd, handoverFd, argv, environment.data(), launcher);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (!WIFEXITED(status) || !IsStatusOfARun(WEXITSTATUS(status))) {
    NoteEnd(program, status);
    return std::nullopt;
  }
  return WEXITSTATUS(status);
}

// The dialog program's exit status when it ran to its end.
std::optional<int> RunDialogProgram(const std::filesystem::path& exePath, char** argv,
                                    int handoverFd, uid_t owner) {
  const std::filesystem::path program = exePath.parent_path() / kDialogProgramFileName;
  int programFd = OpenInstallationFile(program, owner, ProgramKind::DynamicExecutable);
  if (programFd < 0) {
    NoteNotStarted(program, WhyInstallationFileRefused(program));
    return std::nullopt;
  }
  std::optional<int> status;
  if (KeepOffHandoverDescriptor(programFd)) {
    status = StartAndWait(program, programFd, handoverFd, argv);
  }
  if (programFd >= 0) FileCalls().close(programFd);
  return status;
}

// Starts the dialog program with the hand-over, which then holds the taken-over bytes instead
// of `takenOver`; its exit status when it ran to its end, nothing (after noting why) when it
// did not.
std::optional<int> RunInDialogProgram(const std::filesystem::path& exePath, char** argv,
                                      ExchangeTakeover* takenOver) {
  const uid_t owner = RunningExecutableOwner();
  if (owner == static_cast<uid_t>(-1)) {
    NoteRunFailure("the owner of " + PathText(exePath) + " could not be told", "");
    return std::nullopt;
  }
  const int handoverFd = PutIntoHandoverFile(exePath, owner, takenOver);
  if (takenOver) std::string().swap(takenOver->Bytes);  // the hand-over holds them now
  if (handoverFd < 0) {
    NoteRunFailure("the hand-over to the dialog program could not be made", "");
    return std::nullopt;
  }
  const std::optional<int> status = RunDialogProgram(exePath, argv, handoverFd, owner);
  FileCalls().close(handoverFd);
  return status;
}

}  // namespace

int RunThroughDialogProgram(const RunMode& mode, const std::filesystem::path& exePath,
                            char** argv) {
  return RunAuxlineThroughDialogProgram(mode, exePath, [&](ExchangeTakeover* takenOver) {
    return RunInDialogProgram(exePath, argv, takenOver);
  });
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
