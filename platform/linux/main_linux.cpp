// Linux program entry of `auxline` (a static program): the arguments and the executable's
// path come from the system. A run that may show the dialog is done by the dialog program.
#include <string>
#include <vector>

#include "platform/linux/dialog_program.h"
#include "platform/linux/exe_path.h"
#include "platform/linux/file_signals.h"
#include "tool/app.h"

int main(int argc, char** argv) {
  IgnoreFileSignals();
  try {
    const std::filesystem::path exePath = RunningExecutablePath();
    // Without its own location the tool cannot find the exchange file; it touches nothing
    // rather than guess from the working directory.
    if (exePath.empty()) return kExitExchangeFileFailed;
    std::vector<std::string> args(argv + (argc > 0 ? 1 : argc), argv + argc);
    // The other files of the installation are never data, for the takeover of a dialog run
    // as for everything else.
    ProtectInstallationFiles(exePath.parent_path());
    const RunMode mode = RunMode::Parse(args);
    if (mode.MayShowDialog()) {
      // Started in the dialog program's place (a copy of this program under its name): no
      // dialog can be shown here, and `auxline` that started it ends the run.
      if (StartedAsDialogProgram()) return kExitNoDialogWindow;
      return RunThroughDialogProgram(mode, exePath, argv);
    }
    return RunAuxline(mode, exePath, {});
  } catch (...) {
    return kExitExchangeFileFailed;
  }
}
