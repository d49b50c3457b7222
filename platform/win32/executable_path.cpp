#include "platform/win32/executable_path.h"

#include <windows.h>

#include "os/win32/module_path.h"

std::filesystem::path LongFormOf(const std::filesystem::path& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return path;
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::filesystem::path(buffer);
    }
    buffer.resize(length);  // the length asked for counts the terminating null
  }
}

std::filesystem::path RunningExecutablePath() {
  const std::wstring path = RunningModulePath();
  if (path.empty()) return {};
  return LongFormOf(std::filesystem::path(path));
}

int RunBesideExecutable(const std::vector<std::string>& args,
                        const DialogWindowFactory& createDialogWindow) {
  const std::filesystem::path exePath = RunningExecutablePath();
  if (exePath.empty() || !exePath.is_absolute()) return kExitWithoutOwnPath;
  return RunAuxline(args, exePath, createDialogWindow);
}
