#include "platform/linux/dialog_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "os/posix/file_calls.h"
#include "platform/linux/module_file_check.h"
#include "platform/linux/qt/dialog_module.h"
#include "tool/run_log.h"

namespace {

// The toolkit keeps argc and argv for the life of its application object, so they live as
// long as the process. It sees the program path only: the tool's own arguments must not be
// taken for toolkit options ("-platform", "-reverse", ...), which would change the dialog.
struct ToolkitArguments {
  std::string program;
  std::vector<char*> argv;
  int argc = 1;
};

std::string ProgramPathFromCommandLine(const std::filesystem::path& exeDir) {
  std::ifstream commandLine("/proc/self/cmdline", std::ios::binary);
  std::string first;
  if (commandLine) std::getline(commandLine, first, '\0');
  return first.empty() ? (exeDir / "auxline").string() : first;
}

ToolkitArguments& ArgumentsFor(const std::filesystem::path& exeDir) {
  static ToolkitArguments arguments;
  if (arguments.argv.empty()) {
    arguments.program = ProgramPathFromCommandLine(exeDir);
    arguments.argv = {arguments.program.data(), nullptr};
  }
  arguments.argc = 1;
  return arguments;
}

void NoteNotLoaded(const std::filesystem::path& modulePath, std::string_view why) {
  NoteRunFailure("the dialog module " + PathText(modulePath) + " could not be loaded", why);
}

DialogModuleFactory FindFactory(const std::filesystem::path& exeDir, uid_t installationOwner) {
  // A damaged module, or one that is not the installation's own, counts as missing.
  const std::filesystem::path modulePath = exeDir / kDialogModuleFileName;
  const int fd = OpenInstallationFile(modulePath, installationOwner, ProgramKind::SharedObject);
  if (fd < 0) {
    NoteNotLoaded(modulePath, WhyInstallationFileRefused(modulePath));
    return nullptr;
  }
  // Loaded through the open descriptor: the file checked is the one loaded. RTLD_NOW: a
  // module whose toolkit libraries are missing fails here, not in mid-run. The module is
  // never unloaded: a toolkit does not survive being unloaded.
  const std::string openFile = "/proc/self/fd/" + std::to_string(fd);
  void* module = dlopen(openFile.c_str(), RTLD_NOW | RTLD_LOCAL);
  FileCalls().close(fd);
  if (module == nullptr) {
    const char* why = dlerror();
    NoteNotLoaded(modulePath, why != nullptr ? why : "");
    return nullptr;
  }
  void* symbol = dlsym(module, kDialogModuleFactoryName);
  if (symbol == nullptr) NoteNotLoaded(modulePath, "it is not the dialog module");
  DialogModuleFactory factory = nullptr;
  static_assert(sizeof factory == sizeof symbol);
  if (symbol != nullptr) std::memcpy(&factory, &symbol, sizeof factory);
  return factory;
}

}  // namespace

std::unique_ptr<FormWindow> LoadDialogWindow(const std::filesystem::path& exeDir,
                                             uid_t installationOwner) {
  try {
    const DialogModuleFactory factory = FindFactory(exeDir, installationOwner);
    if (factory == nullptr) return nullptr;
    ToolkitArguments& arguments = ArgumentsFor(exeDir);
    std::unique_ptr<FormWindow> window(
        factory(kDialogModuleInterfaceVersion, &arguments.argc, arguments.argv.data()));
    if (!window) {
      const bool noDisplay =
          std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
      NoteRunFailure("the dialog window could not be opened",
                     noDisplay ? "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)"
                               : "the toolkit found no display it could use");
    }
    return window;
  } catch (...) {
    NoteRunFailure("the dialog window could not be opened", CurrentExceptionText());
    return nullptr;
  }
}
