#pragma once
// The full path of the running executable on Linux, from /proc/self/exe. The working
// directory plays no part: a tool started from anywhere finds the files beside itself.
#include <unistd.h>

#include <filesystem>
#include <string>

// Empty when the system cannot tell (no /proc, or the link cannot be read). Never throws.
inline std::filesystem::path RunningExecutablePath() noexcept {
  try {
    std::string buffer(256, '\0');
    for (;;) {
      const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
      if (length < 0) return {};
      // A result that fills the buffer may have been cut short: try again with more room.
      if (static_cast<std::size_t>(length) < buffer.size()) {
        buffer.resize(static_cast<std::size_t>(length));
        break;
      }
      if (buffer.size() >= (1u << 20)) return {};
      buffer.resize(buffer.size() * 2);
    }
    if (buffer.empty() || buffer.front() != '/') return {};
    return std::filesystem::path(std::move(buffer));
  } catch (...) {
    return {};
  }
}
