#pragma once
// For a run that may stay open for a long time (the "/R10" dialog): the exchange file is
// read whole and at once replaced by "nothing to draw", before any window exists. Whatever
// then ends the process (a kill, a logoff, a toolkit that aborts), the host finds "hq" and
// never its own input, which it would execute as commands.
#include <filesystem>
#include <string>

// The file's bytes as read; empty when it was missing or unreadable (which reads the same).
std::string TakeOverExchangeFile(const std::filesystem::path& path);
