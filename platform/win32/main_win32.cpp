// Windows program entry: UTF-16 arguments and executable path from the system, converted
// to the UTF-8 texts the tool works with; the path stays a wide std::filesystem::path.
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_form_window.h"
#include "tool/app.h"

// Arguments reach the tool as typed: the C runtime must not expand wildcards in them.
extern "C" {
int _dowildcard = 0;
}

namespace {

std::filesystem::path ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::filesystem::path(buffer);
    }
    buffer.resize(buffer.size() * 2);  // truncated: long path
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) args.push_back(Utf8FromWide(__wargv[i]));
  return RunAuxline(args, ExecutablePath(),
                    [instance]() -> std::unique_ptr<FormWindow> { return Win32FormWindow::Create(instance); });
}
