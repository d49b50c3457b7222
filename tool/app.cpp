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

bool DialogMayBeNeeded(const std::vector<std::string>& args) {
  return args.empty() || args[0] == "/R10";
}

bool TakesOverExchangeFile(const std::vector<std::string>& args) {
  return !args.empty() && args[0] == "/R10";
}

namespace {

// The run itself; RunAuxline logs why it failed.
int RunOnce(const std::vector<std::string>& args, const std::filesystem::path& exePath,
            const DialogWindowFactory& createDialogWindow,
            std::optional<ExchangeTakeover> takenOver) {
  // Once the close sequence has begun, the exchange file is its business.
  bool closing = false;
  try {
    // A run that opens the drawing dialog may be ended at any moment while it waits for the
    // user; its exchange file is taken over before any window exists. Runs without a dialog
    // end within milliseconds and write the file once, at their end.
    if (!takenOver && TakesOverExchangeFile(args)) {
      takenOver = TakeOverExchangeFile(ExchangeFilePathFor(exePath));
    }
    // A file that was not read to its end ends the run before any dialog (see FormShow).
    const bool dialogPossible = !takenOver || takenOver->ReadToItsEnd;

    std::unique_ptr<FormWindow> window;
    int status = kExitOk;
    if (DialogMayBeNeeded(args) && dialogPossible) {
      if (createDialogWindow) window = createDialogWindow();
      if (!window) status = kExitNoDialogWindow;
    }
    if (!window) window = std::make_unique<HeadlessWindow>();

    TForm1 form(*window, args, exePath, std::move(takenOver));
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
    if (!args.empty() && !closing) GiveNothingToDraw(ExchangeFilePathFor(exePath));
    return kExitExchangeFileFailed;
  }
}

}  // namespace

int RunAuxline(const std::vector<std::string>& args, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow,
               std::optional<ExchangeTakeover> takenOver) {
  const int status = RunOnce(args, exePath, createDialogWindow, std::move(takenOver));
  LogRunEnd(exePath, args, status);
  return status;
}
