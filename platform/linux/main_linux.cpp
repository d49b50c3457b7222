// Linux program entry of `auxline` (a static program): the arguments and the executable's
// path come from the system. A run that may show the dialog becomes the dialog program.
#include <string>
#include <vector>

#include "platform/linux/dialog_program.h"
#include "platform/linux/exe_path.h"
#include "tool/app.h"

namespace {
constexpr int kExitExchangeNotWritten = 1;
}

int main(int argc, char** argv) {
  try {
    const std::filesystem::path exePath = RunningExecutablePath();
    // Without its own location the tool cannot find the exchange file; it touches nothing
    // rather than guess from the working directory.
    if (exePath.empty()) return kExitExchangeNotWritten;
    std::vector<std::string> args(argv + (argc > 0 ? 1 : argc), argv + argc);
    if (DialogMayBeNeeded(args)) HandOverToDialogProgram(exePath, argv);
    ProtectInstallationFiles(exePath.parent_path());
    // Still here: no dialog, or no dialog program that could be started. The run then ends
    // as one whose window cannot be created.
    return RunAuxline(args, exePath, {});
  } catch (...) {
    return kExitExchangeNotWritten;
  }
}
