#pragma once
// The program entry shared by every platform: builds Form1 with the window the arguments
// call for and runs it. The platform's main supplies the arguments, the executable's path
// and the means to create a real dialog window.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tool/form_window.h"

// True when the run may show the dialog: no argument, or argument 1 is "/R10". Only then is
// a GUI toolkit loaded at all.
bool DialogMayBeNeeded(const std::vector<std::string>& args);

// Creates the real dialog window; returns null when it cannot be created.
using DialogWindowFactory = std::function<std::unique_ptr<FormWindow>()>;

// Runs the tool once. Exit status: 0; 1 when the exchange file could not be written;
// 2 when a dialog was needed but its window could not be created (the run then behaves
// as if the window had been closed at once).
int RunAuxline(const std::vector<std::string>& args, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow);
