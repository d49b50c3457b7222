#pragma once
// The program entry shared by every platform, and the one place that runs a run's steps in
// order: the takeover of the exchange file where the mode needs it, the form in its window,
// the close sequence, the exit status and the log's line. The platform's main supplies the
// arguments, the executable's path and the way the dialog is shown: a window made in this
// process, or another program that runs the dialog on this one's files.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/writing/exchange_takeover.h"
#include "tool/form_window.h"
#include "tool/run_mode.h"

// Creates the real dialog window; returns null when it cannot be created (after noting why).
using DialogWindowFactory = std::function<std::unique_ptr<FormWindow>()>;

// Starts another program that does the dialog run on this one's files, handing it the
// exchange file as taken over (none for a run without arguments), and waits for it. Its exit
// status when it ran to its end: it then logged its own failure. Nothing when it did not
// (after noting why).
using DialogProgramRunner = std::function<std::optional<int>(ExchangeTakeover* takenOver)>;

// Exit statuses of a run.
inline constexpr int kExitOk = 0;
// The exchange file could not be written, or (with arguments) was there but could not be
// read to its end; the host finds "hq" where the file could be replaced.
inline constexpr int kExitExchangeFileFailed = 1;
// A dialog was needed but could not be shown.
inline constexpr int kExitNoDialogWindow = 2;

// Runs the tool once in `mode`. Exit status: 0; 1 (kExitExchangeFileFailed); 2 when a
// dialog was needed but its window could not be created (the run then behaves as if the
// window had been closed at once). takenOver: the exchange file of a "/R10" run as another
// program took it over already (the dialog program's hand-over); otherwise such a run takes
// it over here, before any window exists.
int RunAuxline(const RunMode& mode, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow,
               std::optional<ExchangeTakeover> takenOver = std::nullopt);
// The same for the command-line arguments after the program's own path, parsed here.
int RunAuxline(const std::vector<std::string>& args, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow,
               std::optional<ExchangeTakeover> takenOver = std::nullopt);

// The same where the dialog is shown by another program (`runDialogProgram`). Its status is
// the run's when it ran to its end; otherwise the host finds "hq" after "/R10" (a run
// without arguments never writes the exchange file) and the status is 2, as for any dialog
// that cannot be shown, or 1 where "hq" could not be written.
int RunAuxlineThroughDialogProgram(const RunMode& mode, const std::filesystem::path& exePath,
                                   const DialogProgramRunner& runDialogProgram);

// The end of a run whose first steps, in a program entry, failed before it could be run:
// `what` failed (in the system's words `why`). With kExitExchangeFileFailed a run with
// arguments gives the host "hq", which would otherwise find its own input and execute it
// as commands. Its line in the log beside `exePath`; returns `status`. Never throws.
int EndRunThatCouldNotStart(const std::filesystem::path& exePath,
                            const std::vector<std::string>& args, int status, std::string_view what,
                            std::string_view why) noexcept;
