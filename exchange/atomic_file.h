#pragma once
// Replacing a file so that no reader ever sees half of it: the bytes go into a temporary
// file beside the target, which is flushed, closed and renamed over the target.
#include <filesystem>
#include <string_view>

// True when the target now holds exactly `bytes`. On failure the temporary file is removed
// and the target is left as it was (the old file, or none).
bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes);
