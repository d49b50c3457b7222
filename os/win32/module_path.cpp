#include "os/win32/module_path.h"

#include <windows.h>

#include "os/win32/file_calls.h"

std::wstring RunningModulePath() {
  // The system cuts a path that does not fit and says so only by filling the buffer: the
  // buffer grows until the answer leaves room, up to the longest path the system takes.
  constexpr std::size_t kLongestPath = 32768;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        FileCalls().GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) return {};
    path.resize(path.size() * 2);
  }
}
