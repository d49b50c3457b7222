// Linux program entry: the arguments and the executable's path come from the system.
#include <string>
#include <vector>

#include "platform/linux/dialog_loader.h"
#include "platform/linux/exe_path.h"
#include "tool/app.h"

namespace {
constexpr int kExitExchangeNotWritten = 1;
}

int main(int argc, char** argv) {
  try {
    const std::filesystem::path exePath = RunningExecutablePath();
    // Without its own location the tool cannot find the exchange file; it touches nothing
    // rather than guess from the working directory.
    if (exePath.empty()) return kExitExchangeNotWritten;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return RunAuxline(args, exePath, [&] { return LoadDialogWindow(exePath.parent_path()); });
  } catch (...) {
    return kExitExchangeNotWritten;
  }
}
