// Linux program entry: the arguments and the executable's path come from the system.
#include <string>
#include <vector>

#include "platform/linux/dialog_loader.h"
#include "tool/app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const std::filesystem::path exePath = std::filesystem::read_symlink("/proc/self/exe");
  return RunAuxline(args, exePath, [&] { return LoadDialogWindow(exePath.parent_path()); });
}
