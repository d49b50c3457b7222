#include "platform/linux/failed_start.h"

#include <optional>
#include <string>
#include <vector>

#include "os/program_file.h"
#include "platform/linux/dialog_program.h"
#include "platform/linux/exchange_handover.h"
#include "tool/app.h"

namespace {

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
  if (argc <= 1) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace

int EndFailedStart(const std::filesystem::path& exePath, int argc, char** argv,
                   std::string_view what, std::string_view why) noexcept {
  try {
    // The files of the installation are never data, whichever step failed.
    ProtectProgramFile(exePath);
    ProtectInstallationFiles(exePath.parent_path());
    return EndRunThatCouldNotStart(exePath, ArgumentsOf(argc, argv), kExitExchangeFileFailed, what,
                                   why);
  } catch (...) {
    // Memory ran out, say: the status stands.
  }
  return kExitExchangeFileFailed;
}

int EndInDialogProgramsPlace(int argc, char** argv) noexcept {
  try {
    const std::optional<Handover> handover = TakeHandover();
    if (handover && handover->Fault != HandoverFault::None)
      return ExitStatusForRefused(handover->Fault);
    if (handover && handover->StartingExecutable.is_absolute()) {
      return EndRunThatCouldNotStart(
          handover->StartingExecutable, ArgumentsOf(argc, argv), kExitNoDialogWindow,
          "the dialog program is a copy of auxline, which cannot show the dialog", "");
    }
  } catch (...) {
  }
  return kExitNoDialogWindow;
}
