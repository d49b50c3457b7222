#pragma once
// The program entry shared by every platform: builds Form1 with the window the arguments
// call for and runs it. The platform's main supplies the arguments, the executable's path
// and the means to create a real dialog window.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/writing/exchange_takeover.h"
#include "tool/form_window.h"

// True when the run may show the dialog: no argument, or argument 1 is "/R10". Only then is
// a GUI toolkit loaded at all.
bool DialogMayBeNeeded(const std::vector<std::string>& args);

// Creates the real dialog window; returns null when it cannot be created.
using DialogWindowFactory = std::function<std::unique_ptr<FormWindow>()>;

// Exit statuses of a run.
inline constexpr int kExitOk = 0;
// The exchange file could not be written, or (with arguments) was there but could not be
// read to its end; the host finds "hq" where the file could be replaced.
inline constexpr int kExitExchangeFileFailed = 1;
// A dialog was needed but could not be shown.
inline constexpr int kExitNoDialogWindow = 2;

// Runs the tool once. Exit status: 0; 1 (kExitExchangeFileFailed); 2 when a dialog was
// needed but its window could not be created (the run then behaves as if the window had
// been closed at once). takenOver: the exchange file of a "/R10" run when the caller has
// taken it over already; otherwise such a run takes it over here, before any window exists.
int RunAuxline(const std::vector<std::string>& args, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow,
               std::optional<ExchangeTakeover> takenOver = std::nullopt);

// True for a run whose exchange file is taken over before anything else: "/R10", which
// may wait for the user for a long time.
bool TakesOverExchangeFile(const std::vector<std::string>& args);
