#pragma once
// The running executable's path, as the settings file's name is derived from it.
#include <filesystem>

// The long form of `path` (each 8.3 short name, such as AUXLIN~1.EXE, in its full form);
// `path` itself where the system cannot tell.
std::filesystem::path LongFormOf(const std::filesystem::path& path);

// The executable's path from the system, in its long form: a copy started through its
// short path finds the same settings file as one started by its full name.
std::filesystem::path RunningExecutablePath();
