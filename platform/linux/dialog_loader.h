#pragma once
// Creates the dialog window on Linux. The toolkit is loaded only here, and only for runs
// that may show the dialog; runs without a dialog never reach this code.
#include <filesystem>
#include <memory>

#include "tool/form_window.h"

// Null when the window cannot be created (toolkit or display missing).
std::unique_ptr<FormWindow> LoadDialogWindow(const std::filesystem::path& exeDir);
