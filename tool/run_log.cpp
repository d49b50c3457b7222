#include "tool/run_log.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "os/append_file.h"
#include "os/file_system.h"
#include "tool/settings_file.h"

namespace {

// A line names at most this many arguments, each cut to kArgumentLimit bytes; the reason is
// cut to kReasonLimit. Far below the bound, so that every line fits in the log.
constexpr std::size_t kArgumentCount = 16;
constexpr std::size_t kArgumentLimit = 256;
constexpr std::size_t kReasonLimit = 1024;

std::vector<std::string>& Notes() {
  static std::vector<std::string> notes;
  return notes;
}

// `text` cut to at most `limit` bytes, not inside a UTF-8 character, with "..." where it was
// cut.
std::string_view CutShort(std::string_view text, std::size_t limit, bool& cut) {
  cut = text.size() > limit;
  if (!cut) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

void AppendVisible(std::string& out, std::string_view text, bool quoted) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else if (quoted && (c == '"' || c == '\\')) {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
}

LocalTime LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

const char* MeaningOf(int status) {
  return status == 2 ? "the dialog window could not be shown"
                     : "the exchange file could not be read or written";
}

// Whether the log ends where a line ends (or is empty), as a run's whole write leaves it.
// One cut short (a full disk) or a log edited by hand may not: the new line then starts on a
// line of its own. A log that cannot be read is taken as it is.
bool EndsLine(AppendFile& log) {
  const std::optional<std::uint64_t> size = log.Size();
  std::string last;
  if (!size || *size == 0 || !log.ReadFrom(*size - 1, last, 1)) return true;
  return last.empty() || last == "\n";
}

// A log over the bound cut back in place to its newest whole lines; one that cannot be read
// is left as it is.
void CutBackIfOver(AppendFile& log) {
  const std::optional<std::uint64_t> size = log.Size();
  if (!size || *size <= kRunLogBound) return;
  std::string end;  // the byte before the bound's worth tells whether a whole line starts it
  if (log.ReadFrom(*size - kRunLogBound - 1, end, kRunLogBound + 1) &&
      end.size() == kRunLogBound + 1) {
    log.Rewrite(NewestLinesWithin(end, kRunLogBound));
  }
}

}  // namespace

std::filesystem::path RunLogPathFor(const std::filesystem::path& exePath) {
  return SettingsPathFor(exePath).replace_extension(".log");
}

void NoteRunFailure(std::string_view what, std::string_view why) {
  std::string note(what);
  if (!why.empty()) note.append(": ").append(why);
  Notes().push_back(std::move(note));
}

void NoteRunFailure(std::string_view what, const FileResult& why) {
  NoteRunFailure(what, FileResultText(why));
}

std::vector<std::string>& Repairs() {
  static std::vector<std::string> repairs;
  return repairs;
}

// The notes joined by "; "; they are forgotten.
std::string TakeJoined(std::vector<std::string>& notes) {
  std::string joined;
  for (const std::string& note : notes) joined.append(joined.empty() ? "" : "; ").append(note);
  notes.clear();
  return joined;
}

std::string TakeRunFailures() { return TakeJoined(Notes()); }

void NoteRunRepair(std::string_view what) { Repairs().emplace_back(what); }

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "memory ran out";
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "an unknown exception";
  }
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string FormatRunLogLine(const LocalTime& time, int status,
                             const std::vector<std::string>& args, std::string_view reason) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d status %d, ", time.Year,
                time.Month, time.Day, time.Hour, time.Minute, time.Second, status);
  std::string line = stamp;
  line += args.empty() ? "no arguments" : "arguments";
  for (std::size_t i = 0; i < args.size() && i < kArgumentCount; ++i) {
    bool cut = false;
    line += " \"";
    AppendVisible(line, CutShort(args[i], kArgumentLimit, cut), true);
    line += cut ? "...\"" : "\"";
  }
  if (args.size() > kArgumentCount) line += " ...";
  line += ": ";
  bool cut = false;
  AppendVisible(line, CutShort(reason, kReasonLimit, cut), false);
  if (cut) line += "...";
  line += "\r\n";
  return line;
}

std::string_view NewestLinesWithin(std::string_view log, std::size_t bound) {
  if (log.size() <= bound) return log;
  const std::size_t lineEnd = log.find('\n', log.size() - bound - 1);
  return lineEnd == std::string_view::npos ? std::string_view() : log.substr(lineEnd + 1);
}

// How runs share the log. A run holds the log's lock while it appends its line in one write
// and, where the log is then over its bound, cuts it back in place: the newest whole lines
// within the bound are written from the start and the rest cut off. The lock keeps each
// run's line whole, where the system's own appending does not (a network file system, or
// Wine's threads), and keeps every other run's line out of a log being cut back. The log
// stays one file throughout: a new file renamed over it would leave the runs that hold the
// old one open appending to a file no one sees again. Where no lock is had (a file system
// without locks, a stranger holding it for long) the line is still appended, but the log
// is not cut back, as it is not where the user may not read it: a log beyond its bound is
// better than a lost line, and an unread log cut back would keep the new line alone.
bool AppendLogLine(const std::filesystem::path& path, std::string_view line) {
  AppendFile log(path);
  if (!log.IsOpen()) return false;
  const bool locked = log.Lock();
  std::string bytes = EndsLine(log) ? "" : "\r\n";
  bytes += line;
  const bool written = log.Append(bytes);
  if (written && locked) CutBackIfOver(log);
  return written;  // the lock goes when the log is closed
}

void LogRunEnd(const std::filesystem::path& exePath, const std::vector<std::string>& args,
               int status) noexcept {
  try {
    std::string reason = TakeRunFailures();
    const std::string repairs = TakeJoined(Repairs());
    const std::filesystem::path log = RunLogPathFor(exePath);
    // Older versions replaced the log through a temporary file, which a killed run left
    // behind; it goes like the others, whether or not this run writes a line.
    RemoveAbandonedTemporariesOf(log);
    const bool failed = status == 1 || status == 2;
    if (!failed && repairs.empty()) return;
    if (failed && reason.empty()) reason = MeaningOf(status);
    if (!repairs.empty()) reason = reason.empty() ? repairs : repairs + "; " + reason;
    AppendLogLine(log, FormatRunLogLine(LocalTimeNow(), status, args, reason));
  } catch (...) {
    // Out of memory, say: the run's outcome stands as it is.
  }
}
