#pragma once
// Why a run drew nothing. The host only finds "hq" (or nothing new) and the tool never shows
// a message, so a run that ends with status 1 or 2 appends one line to its log beside the
// settings file (the executable's path with the extension ".log"): the local time, the
// status, the arguments, what failed and the system's words for it. A run that succeeds
// writes nothing there. The log is the user's own: it is never another user's file nor
// written through a link; it keeps the line of every run, however many fail at once, and
// its newest lines within kRunLogBound bytes; a log that cannot be written changes nothing
// else of the run.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "os/system_error.h"

inline constexpr std::size_t kRunLogBound = 64 * 1024;

// The executable's path with its extension replaced by ".log" (as for the settings file).
std::filesystem::path RunLogPathFor(const std::filesystem::path& exePath);

// Notes where this run failed: `what` failed (naming the file or program), `why` in the
// system's words (may be empty). Notes add up in their order, as one failure can lead to
// another (a file that could not be read cannot be written either).
void NoteRunFailure(std::string_view what, std::string_view why);
// The same for a file operation that failed: `why` names its failed step and the system's
// words for the code of that step's call.
void NoteRunFailure(std::string_view what, const FileResult& why);
// The notes made so far, joined by "; "; they are forgotten.
std::string TakeRunFailures();

// Notes what this run mended of an earlier run's damage (a settings file put back from its
// last copy): the user should know of it whatever the run's status, so it makes the run leave
// a line even when it succeeds.
void NoteRunRepair(std::string_view what);

// Inside a handler: the exception being handled, in words ("memory ran out").
std::string CurrentExceptionText();

// A path as UTF-8 text, for the log.
std::string PathText(const std::filesystem::path& path);

struct LocalTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// One line of the log, ending in CR LF:
//   2026-12-08 16:05:09 status 1, arguments "/R4" "45": <reason>
// Arguments are quoted with `"` and `\` escaped; control characters, in them and in the
// reason, are written as \xNN so that a line stays one line. Long arguments and reasons are
// cut short, so that one line never takes a large part of the log.
std::string FormatRunLogLine(const LocalTime& time, int status,
                             const std::vector<std::string>& args, std::string_view reason);

// The newest whole lines of `log` that hold at most `bound` bytes together: what follows
// the first line end that leaves no more than that, nothing where none does; all of `log`
// where it fits. `log` may be the end of a longer file, cut inside a line.
std::string_view NewestLinesWithin(std::string_view log, std::size_t bound);

// Appends `line` (one whole line) to the log at `path`, kept within kRunLogBound bytes
// (see run_log.cpp); many runs may do so at once and every line stays. False when the
// line could not be written; nothing else of the run changes then.
bool AppendLogLine(const std::filesystem::path& path, std::string_view line);

// The end of a run: with status 1 or 2, one line for the noted failures (or, where none
// was noted, the status's meaning) into the log beside `exePath`. The notes are forgotten
// in every case. Never throws.
void LogRunEnd(const std::filesystem::path& exePath, const std::vector<std::string>& args,
               int status) noexcept;
