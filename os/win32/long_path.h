#pragma once
// Paths in the form that lifts the 260-character limit (MAX_PATH): absolute, with `\\?\`
// before a drive path and `\\?\UNC\` in place of the `\\` of a network path. The system
// then neither shortens nor interprets them, so an exchange file whose own path is close
// to the limit still gets its longer temporary name beside it.
#include <filesystem>

// `path` made absolute against the working folder, with its `.` and `..` resolved and
// forward slashes turned, in the extended form. A path already in that form (or a device
// path) stays as it is, as does one the system cannot make absolute.
std::filesystem::path ExtendedPath(const std::filesystem::path& path);
