#include "platform/linux/dialog_program.h"

#include <stdlib.h>
#include <unistd.h>

#include "os/program_file.h"
#include "platform/linux/module_file_check.h"
#include "platform/linux/qt/dialog_module.h"

void HandOverToDialogProgram(const std::filesystem::path& exePath, char** argv) {
  // Already started in the dialog program's place (a copy of auxline under its name): once
  // more would start the same program again, for ever.
  if (::getenv(kStartingExecutableVariable) != nullptr) return;
  const std::filesystem::path program = exePath.parent_path() / kDialogProgramFileName;
  // After a successful exec there is no way back: a program cut short would die of SIGBUS
  // where this one can still end the run properly.
  if (!ExecutableFileIsWhole(program)) return;
  if (::setenv(kStartingExecutableVariable, exePath.c_str(), 1) != 0) return;
  ::execv(program.c_str(), argv);
  ::unsetenv(kStartingExecutableVariable);
}

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
