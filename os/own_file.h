#pragma once
// The system's last error and its words: what a failed run puts in its log.
#include <string>
#include <system_error>

// The system's code for the last call of this thread that failed (errno; on Windows the
// thread's last error), taken at once after that call.
std::error_code LastSystemError();

// Forgets the thread's last error, so that LastSystemError after a call tells of that call
// alone.
void ClearSystemError();

// The system's own words for `error`, on one line; empty for no error.
std::string SystemErrorText(const std::error_code& error);
