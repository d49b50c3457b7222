#pragma once
// The full path of the running executable on Linux, from /proc/self/exe. The working
// directory plays no part: a tool started from anywhere finds the files beside itself.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "os/posix/file_calls.h"

// The link's text as the kernel gives it. When the executable file has been replaced or
// removed since the start (an update while the tool runs), the kernel appends
// " (deleted)"; the tool still belongs beside the original name.
inline std::string ExecutablePathFromLink(std::string target) {
  constexpr std::string_view kDeleted = " (deleted)";
  if (target.ends_with(kDeleted)) {
    std::error_code error;
    if (!std::filesystem::exists(target, error)) target.resize(target.size() - kDeleted.size());
  }
  return target;
}

// Empty when the system cannot tell (no /proc, or the link cannot be read). Never throws.
inline std::filesystem::path RunningExecutablePath() noexcept {
  try {
    std::string buffer(256, '\0');
    for (;;) {
      const ssize_t length =
          FileCalls().readlinkat(AT_FDCWD, "/proc/self/exe", buffer.data(), buffer.size());
      if (length < 0) return {};
      // A result that fills the buffer may have been cut short: try again with more room.
      if (static_cast<std::size_t>(length) < buffer.size()) {
        buffer.resize(static_cast<std::size_t>(length));
        break;
      }
      if (buffer.size() >= (std::size_t{1} << 20)) return {};
      buffer.resize(buffer.size() * 2);
    }
    if (buffer.empty() || buffer.front() != '/') return {};
    return std::filesystem::path(ExecutablePathFromLink(std::move(buffer)));
  } catch (...) {
    return {};
  }
}
