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
#include "tool/run_mode.h"

// Creates the real dialog window; returns null when it cannot be created.
using DialogWindowFactory = std::function<std::unique_ptr<FormWindow>()>;

// Exit statuses of a run.
inline constexpr int kExitOk = 0;
// The exchange file could not be written, or (with arguments) was there but could not be
// read to its end; the host finds "hq" where the file could be replaced.
inline constexpr int kExitExchangeFileFailed = 1;
// A dialog was needed but could not be shown.
inline constexpr int kExitNoDialogWindow = 2;

// Runs the tool once in `mode`. Exit status: 0; 1 (kExitExchangeFileFailed); 2 when a
// dialog was needed but its window could not be created (the run then behaves as if the
// window had been closed at once). takenOver: the exchange file of a "/R10" run when the
// caller has taken it over already; otherwise such a run takes it over here, before any
// window exists.
int RunAuxline(const RunMode& mode, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow,
               std::optional<ExchangeTakeover> takenOver = std::nullopt);
// The same for the command-line arguments after the program's own path, parsed here.
int RunAuxline(const std::vector<std::string>& args, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow,
               std::optional<ExchangeTakeover> takenOver = std::nullopt);
