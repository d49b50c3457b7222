// Linux program entry of `auxline` (a static program): the arguments and the executable's
// path come from the system. A run that may show the dialog is done by the dialog program.
#include <string>
#include <vector>

#include "platform/linux/dialog_program.h"
#include "platform/linux/exe_path.h"
#include "platform/linux/failed_start.h"
#include "platform/linux/file_signals.h"
#include "tool/app.h"
#include "tool/run_log.h"

int main(int argc, char** argv) {
  IgnoreFileSignals();
  const std::filesystem::path exePath = RunningExecutablePath();
  // Without its own location the tool finds neither the exchange file nor its log; it
  // touches nothing rather than guess from the working directory. The one failure that
  // leaves no line in the log.
  if (exePath.empty()) return kExitExchangeFileFailed;
  try {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : argc), argv + argc);
    // The other files of the installation are never data, for the takeover of a dialog run
    // as for everything else.
    ProtectInstallationFiles(exePath.parent_path());
    const RunMode mode = RunMode::Parse(args);
    // Started in the dialog program's place: no dialog can be shown here, and `auxline`
    // that started it ends the run.
    if (mode.MayShowDialog() && StartedAsDialogProgram()) {
      return EndInDialogProgramsPlace(argc, argv);
    }
    return RunThroughDialogProgram(mode, exePath, argv);
  } catch (...) {
    return EndFailedStart(exePath, argc, argv, "the run could not start", CurrentExceptionText());
  }
}
