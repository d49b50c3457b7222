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

}  // namespace

namespace {

// The run itself; RunAuxline logs why it failed.
int RunOnce(const RunMode& mode, const std::filesystem::path& exePath,
            const DialogWindowFactory& createDialogWindow,
            std::optional<ExchangeTakeover> takenOver) {
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
    const bool dialogPossible = !takenOver || takenOver->ReadToItsEnd;

    std::unique_ptr<FormWindow> window;
    int status = kExitOk;
    if (mode.MayShowDialog() && dialogPossible) {
      if (createDialogWindow) window = createDialogWindow();
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
    if (!form.ExchangeFileWritten() || form.ExchangeFileUnread()) return kExitExchangeFileFailed;
    return status;
  } catch (...) {
    NoteRunFailure("the run stopped", CurrentExceptionText());
    // Nothing is ever shown. A run with arguments that failed this way (memory ran out after
    // a large file was read) has not written its result, and the file still holds the host's
    // input, which the host would execute as commands.
    if (mode.HasArguments() && !closing) GiveNothingToDraw(ExchangeFilePathFor(exePath));
    return kExitExchangeFileFailed;
  }
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
  const int status = RunOnce(mode, exePath, createDialogWindow, std::move(takenOver));
  LogRunEnd(exePath, mode.Arguments(), status);
  return status;
}
