#include "tool/run_log.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <utility>

#include "os/file_system.h"
#include "os/own_file.h"
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

// Appends `line` to the log at `path` when the log is the user's own regular file or
// missing; anything else there is left alone.
bool AppendToLog(const std::filesystem::path& path, std::string_view line) {
  const FileOwnership ownership = OwnershipOf(path);
  if (ownership == FileOwnership::Other) return false;
  std::string existing;
  if (ownership == FileOwnership::Own) {
    // A log grown past the bound by other hands is read only this far: its oldest part
    // then stays, cut to the bound.
    BoundedRead read = ReadRegularFile(path, 2 * kRunLogBound);
    if (read.State == RegularFileReader::Outcome::Unreadable || read.ReadError) return false;
    existing = std::move(read.Bytes);
  }
  return ReplaceFileContents(path, LogWithLine(existing, line, kRunLogBound));
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

void NoteRunFailureWithSystemError(std::string_view what) {
  const std::error_code error = LastSystemError();
  NoteRunFailure(what, SystemErrorText(error));
}

std::string TakeRunFailures() {
  std::string joined;
  for (const std::string& note : Notes()) joined.append(joined.empty() ? "" : "; ").append(note);
  Notes().clear();
  return joined;
}

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

std::string LogWithLine(std::string_view existing, std::string_view line, std::size_t bound) {
  std::string log(existing);
  if (!log.empty() && log.back() != '\n') log += "\r\n";
  log += line;
  if (log.size() <= bound) return log;
  // The first line start from which the rest fits; the new line alone when none does.
  const std::size_t from = log.size() - bound;
  const std::size_t lineEnd = from == 0 ? 0 : log.find('\n', from - 1);
  if (lineEnd == std::string::npos || log.size() - (lineEnd + 1) < line.size()) {
    return std::string(line);
  }
  return log.substr(lineEnd + 1);
}

void LogRunEnd(const std::filesystem::path& exePath, const std::vector<std::string>& args,
               int status) noexcept {
  try {
    std::string reason = TakeRunFailures();
    if (status != 1 && status != 2) return;
    if (reason.empty()) reason = MeaningOf(status);
    AppendToLog(RunLogPathFor(exePath), FormatRunLogLine(LocalTimeNow(), status, args, reason));
  } catch (...) {
    // Out of memory, say: the run's outcome stands as it is.
  }
}
