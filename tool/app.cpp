#include "tool/app.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "exchange/writing/command_writer.h"
#include "exchange/writing/exchange_takeover.h"
#include "tool/headless_window.h"
#include "tool/run_log.h"
#include "tool/tform1.h"

namespace {

void GiveNothingToDraw(const std::filesystem::path& exchangeFile) noexcept {
  try {
    ReplaceExchangeFile(exchangeFile, kNothingToDraw);
  } catch (...) {
  }
}

// How the dialog of a run is shown: one of the two.
struct DialogShowing {
  DialogWindowFactory CreateWindow;
  DialogProgramRunner RunDialogProgram;
};

struct RunEnd {
  int Status = kExitOk;
  // The dialog program ran the run to its end and logged it.
  bool LoggedElsewhere = false;
};

// The dialog run handed to another program. Where it did not run to its end, what the host
// finds now is what the takeover left: "hq", or (where "hq" could not be written) no file or
// its own input, which is a failure of the exchange file.
RunEnd RunInDialogProgram(const DialogProgramRunner& runDialogProgram,
                          std::optional<ExchangeTakeover>& takenOver) {
  const std::optional<int> status = runDialogProgram(takenOver ? &*takenOver : nullptr);
  if (status) return {*status, true};
  const bool exchangeLeft = takenOver && !takenOver->NothingToDrawWritten;
  return {exchangeLeft ? kExitExchangeFileFailed : kExitNoDialogWindow, false};
}

// The form in its window, the close sequence and the status they come to.
int RunForm(const RunMode& mode, const std::filesystem::path& exePath,
            const DialogWindowFactory& createWindow, std::optional<ExchangeTakeover> takenOver,
            bool dialog, bool& closing) {
  std::unique_ptr<FormWindow> window;
  int status = kExitOk;
  if (dialog) {
    if (createWindow) window = createWindow();
    if (!window) status = kExitNoDialogWindow;
  }
  if (!window) window = std::make_unique<HeadlessWindow>();
  TForm1 form(*window, mode, exePath, std::move(takenOver));
  try {
    window->Run(form);
  } catch (...) {
    closing = form.IsClosed();
    throw;
  }
  return form.ExchangeFileFailed() ? kExitExchangeFileFailed : status;
}

// The run's steps in order; RunSteps logs how it ended.
RunEnd RunOnce(const RunMode& mode, const std::filesystem::path& exePath,
               const DialogShowing& showing, std::optional<ExchangeTakeover> takenOver) {
  // Once the close sequence has begun, the exchange file is its business.
  bool closing = false;
  try {
    // A run that opens the drawing dialog may be ended at any moment while it waits for the
    // user; its exchange file is taken over before any window exists. Runs without a dialog
    // end within milliseconds and write the file once, at their end.
    if (!takenOver && mode.TakesOverExchangeFile()) {
      takenOver = TakeOverExchangeFile(ExchangeFilePathFor(exePath));
    }
    // A file that was not read to its end ends the run before any dialog (see FormShow).
    const bool dialog = mode.MayShowDialog() && (!takenOver || takenOver->ReadToItsEnd);
    if (dialog && showing.RunDialogProgram) {
      return RunInDialogProgram(showing.RunDialogProgram, takenOver);
    }
    return {RunForm(mode, exePath, showing.CreateWindow, std::move(takenOver), dialog, closing)};
  } catch (...) {
    NoteRunFailure("the run stopped", CurrentExceptionText());
    // Nothing is ever shown. A run with arguments that failed this way (memory ran out after
    // a large file was read) has not written its result, and the file still holds the host's
    // input, which the host would execute as commands.
    if (mode.HasArguments() && !closing) GiveNothingToDraw(ExchangeFilePathFor(exePath));
    return {kExitExchangeFileFailed};
  }
}

int RunSteps(const RunMode& mode, const std::filesystem::path& exePath,
             const DialogShowing& showing, std::optional<ExchangeTakeover> takenOver) {
  const RunEnd end = RunOnce(mode, exePath, showing, std::move(takenOver));
  if (!end.LoggedElsewhere) LogRunEnd(exePath, mode.Arguments(), end.Status);
  return end.Status;
}

}  // namespace

int RunAuxline(const std::vector<std::string>& args, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow,
               std::optional<ExchangeTakeover> takenOver) {
  return RunAuxline(RunMode::Parse(args), exePath, createDialogWindow, std::move(takenOver));
}

int RunAuxline(const RunMode& mode, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow,
               std::optional<ExchangeTakeover> takenOver) {
  return RunSteps(mode, exePath, DialogShowing{createDialogWindow, {}}, std::move(takenOver));
}

int RunAuxlineThroughDialogProgram(const RunMode& mode, const std::filesystem::path& exePath,
                                   const DialogProgramRunner& runDialogProgram) {
  return RunSteps(mode, exePath, DialogShowing{{}, runDialogProgram}, std::nullopt);
}

int EndRunThatCouldNotStart(const std::filesystem::path& exePath,
                            const std::vector<std::string>& args, int status, std::string_view what,
                            std::string_view why) noexcept {
  try {
    if (status == kExitExchangeFileFailed && !args.empty()) {
      GiveNothingToDraw(ExchangeFilePathFor(exePath));
    }
    NoteRunFailure(what, why);
    LogRunEnd(exePath, args, status);
  } catch (...) {
    // Memory ran out, say: the status stands.
  }
  return status;
}
