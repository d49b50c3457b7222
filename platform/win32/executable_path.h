#pragma once
// The running executable's path, from which the exchange and settings files are named, and
// the run that needs it.
#include <filesystem>
#include <string>
#include <vector>

#include "tool/app.h"

// The long form of `path` (each 8.3 short name, such as AUXLIN~1.EXE, in its full form);
// `path` itself where the system cannot tell.
std::filesystem::path LongFormOf(const std::filesystem::path& path);

// The executable's path from the system, in its long form: a copy started through its
// short path finds the same settings file as one started by its full name. Empty when the
// system cannot tell.
std::filesystem::path RunningExecutablePath();

// Status of a run that could not find its own path: as on Linux, its exchange file cannot
// be found, let alone read.
inline constexpr int kExitWithoutOwnPath = kExitExchangeFileFailed;

// The run of the Windows program with the executable's own path. Without it the tool could
// only guess its files from the working folder: it touches nothing and ends with
// kExitWithoutOwnPath.
int RunBesideExecutable(const std::vector<std::string>& args,
                        const DialogWindowFactory& createDialogWindow);
