// Linux program entry of the dialog program, which `auxline` starts for the runs that may
// show the dialog. It loads the dialog module from its own folder and works on the files of
// the executable that started it, which it never reads or writes as data either.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os/program_file.h"
#include "platform/linux/dialog_loader.h"
#include "platform/linux/dialog_program.h"
#include "platform/linux/exchange_handover.h"
#include "platform/linux/exe_path.h"
#include "platform/linux/failed_start.h"
#include "platform/linux/file_signals.h"
#include "platform/linux/module_file_check.h"
#include "tool/app.h"
#include "tool/run_log.h"

int main(int argc, char** argv) {
  IgnoreFileSignals();
  // Known as soon as the hand-over is read: a failure from then on is logged there.
  std::filesystem::path exePath;
  try {
    // Started by `auxline`: its path, its owner and (for "/R10") the exchange file's bytes
    // come in the hand-over. Started by hand: the files beside the program, and its owner.
    std::optional<Handover> handover = TakeHandover();
    // Refused: `auxline` logs why and ends the run.
    if (handover && handover->Fault != HandoverFault::None)
      return ExitStatusForRefused(handover->Fault);
    const std::filesystem::path ownPath = RunningExecutablePath();
    if (handover && handover->StartingExecutable.is_absolute())
      exePath = handover->StartingExecutable;
    // Without its own folder the program cannot load the dialog module.
    if (ownPath.empty()) {
      if (exePath.empty()) return kExitExchangeFileFailed;
      return EndFailedStart(exePath, argc, argv, "the dialog program's own path could not be told",
                            "");
    }
    exePath = StartingExecutablePath(handover ? handover->StartingExecutable : "", ownPath);
    const uid_t owner = handover ? handover->InstallationOwner : RunningExecutableOwner();
    ProtectProgramFile(exePath);
    ProtectInstallationFiles(exePath.parent_path());
    if (ownPath.parent_path() != exePath.parent_path())
      ProtectInstallationFiles(ownPath.parent_path());
    std::vector<std::string> args(argv + (argc > 0 ? 1 : argc), argv + argc);
    return RunAuxline(
        args, exePath, [&] { return LoadDialogWindow(ownPath.parent_path(), owner); },
        handover ? std::move(handover->Exchange) : std::nullopt);
  } catch (...) {
    if (exePath.empty()) return kExitExchangeFileFailed;
    return EndFailedStart(exePath, argc, argv, "the dialog program could not start",
                          CurrentExceptionText());
  }
}
