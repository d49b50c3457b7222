#include "platform/win32/executable_path.h"

#include <windows.h>

#include <string>

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
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return LongFormOf(std::filesystem::path(buffer));
    }
    buffer.resize(buffer.size() * 2);  // truncated: long path
  }
}
