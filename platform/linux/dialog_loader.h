#pragma once
// Creates the dialog window on Linux. The toolkit is loaded only here, and only for runs
// that may show the dialog; runs without a dialog never reach this code.
#include <sys/types.h>

#include <filesystem>
#include <memory>

#include "tool/form_window.h"

// The module is loaded from `exeDir` only as an installation file of `installationOwner`
// (module_file_check.h). Null when the window cannot be created (module refused, toolkit or
// display missing).
std::unique_ptr<FormWindow> LoadDialogWindow(const std::filesystem::path& exeDir,
                                             uid_t installationOwner);
