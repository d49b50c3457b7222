#pragma once
// What the tool keeps only for the user who runs it (its log of failed runs) is never kept
// in another user's file, nor written through a link: anyone who may write the tool's folder
// could otherwise make a run append to a file of their choosing. The exchange and settings
// files follow the file layer's own rules instead (file_system.h).
#include <filesystem>
#include <string>
#include <system_error>

enum class FileOwnership {
  Missing,  // nothing there: a new file may be made
  Own,      // a regular file of the running user (on a file system without owners: any)
  Other,    // a link, anything but a regular file, another user's file, or unknown
};

FileOwnership OwnershipOf(const std::filesystem::path& path);

// The system's code for the last call of this thread that failed (errno; on Windows the
// thread's last error), taken at once after that call.
std::error_code LastSystemError();

// Forgets the thread's last error, so that LastSystemError after a call tells of that call
// alone.
void ClearSystemError();

// The system's own words for `error`, on one line; empty for no error.
std::string SystemErrorText(const std::error_code& error);
