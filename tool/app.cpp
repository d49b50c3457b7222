#include "tool/app.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "exchange/writing/exchange_takeover.h"
#include "tool/headless_window.h"
#include "tool/tform1.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitExchangeNotWritten = 1;
constexpr int kExitNoDialogWindow = 2;

}  // namespace

bool DialogMayBeNeeded(const std::vector<std::string>& args) {
  return args.empty() || args[0] == "/R10";
}

int RunAuxline(const std::vector<std::string>& args, const std::filesystem::path& exePath,
               const DialogWindowFactory& createDialogWindow) {
  try {
    // A run that opens the drawing dialog may be ended at any moment while it waits for the
    // user; its exchange file is taken over before any window exists. Runs without a dialog
    // end within milliseconds and write the file once, at their end.
    std::optional<std::string> exchangeReadAhead;
    if (!args.empty() && args[0] == "/R10") {
      exchangeReadAhead = TakeOverExchangeFile(ExchangeFilePathFor(exePath));
    }

    std::unique_ptr<FormWindow> window;
    int status = kExitOk;
    if (DialogMayBeNeeded(args)) {
      if (createDialogWindow) window = createDialogWindow();
      if (!window) status = kExitNoDialogWindow;
    }
    if (!window) window = std::make_unique<HeadlessWindow>();

    TForm1 form(*window, args, exePath, std::move(exchangeReadAhead));
    window->Run(form);
    if (!form.ExchangeFileWritten()) return kExitExchangeNotWritten;
    return status;
  } catch (...) {
    // Nothing is ever shown; a run that failed this way cannot have written its result.
    return kExitExchangeNotWritten;
  }
}
