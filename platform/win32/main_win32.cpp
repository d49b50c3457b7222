// Windows program entry: UTF-16 arguments from the system, converted to the UTF-8 texts the
// tool works with; the executable's path (a wide std::filesystem::path in its long form) is
// taken by the run (platform/win32/executable_path.h).
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/executable_path.h"
#include "os/win32/wide_text.h"
#include "platform/win32/win32_form_window.h"
#include "tool/app.h"

// Arguments reach the tool as typed: the C runtime must not expand wildcards in them.
extern "C" {
int _dowildcard = 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) args.push_back(Utf8FromWide(__wargv[i]));
  // The run's status is the process's exit code: the C runtime passes wWinMain's result
  // to exit().
  return RunBesideExecutable(args, [instance]() -> std::unique_ptr<FormWindow> {
    return Win32FormWindow::Create(instance);
  });
}
