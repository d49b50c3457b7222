#include "tool/settings_file.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "exchange/reading/line_end.h"
#include "exchange/writing/real_text.h"
#include "numeric/lenient_number.h"
#include "os/file_system.h"

namespace {

// Seven lines of the tool's own take well under a hundred bytes. Reading stops here, so no
// settings file of any size or kind can stop a run.
constexpr std::size_t kSettingsReadLimit = 4096;

template <typename Char>
bool IsSeparator(Char c) {
  if (c == Char('/')) return true;
#ifdef _WIN32
  if (c == Char('\\') || c == Char(':')) return true;
#endif
  return false;
}

// One line of `bytes` from `pos` on; moves `pos` past its line end.
std::string_view NextLine(std::string_view bytes, std::size_t& pos) {
  const LineAt line = LineEndingAt(bytes, pos, bytes.find('\n', pos));
  pos = line.Next;
  return line.Text;
}

void AppendLine(std::string& out, std::string_view text) {
  out.append(text);
  out.append("\r\n");
}

}  // namespace

std::filesystem::path SettingsPathFor(const std::filesystem::path& exePath) {
  auto text = exePath.native();
  using Char = typename decltype(text)::value_type;
  std::size_t nameStart = 0;
  for (std::size_t i = text.size(); i > 0; --i) {
    if (IsSeparator(text[i - 1])) {
      nameStart = i;
      break;
    }
  }
  const std::size_t dot = text.rfind(Char('.'));
  if (dot != decltype(text)::npos && dot >= nameStart) text.resize(dot);
  for (const char c : std::string_view(".dat")) text.push_back(Char(c));
  return std::filesystem::path(text);
}

std::string FormatSettings(const ToolSettings& settings) {
  std::string out;
  out.reserve(96);
  AppendLine(out, std::to_string(settings.PresetLayerGroup));
  AppendLine(out, std::to_string(settings.PresetLayer));
  AppendLine(out, std::to_string(settings.PresetLineType));
  AppendLine(out, std::to_string(settings.PresetLineWidth));
  AppendLine(out, RealToText(settings.Radius));
  AppendLine(out, RealToText(settings.Ratio));
  AppendLine(out, RealToText(settings.Angle));
  return out;
}

void ParseSettings(std::string_view bytes, bool complete, ToolSettings& settings) {
  std::int32_t* const integers[] = {&settings.PresetLayerGroup, &settings.PresetLayer,
                                    &settings.PresetLineType, &settings.PresetLineWidth};
  double* const reals[] = {&settings.Radius, &settings.Ratio, &settings.Angle};
  std::size_t pos = 0;
  for (int line = 0; line < 7; ++line) {
    // After a failed read only lines that ended in a line break are known to be whole.
    if (!complete && bytes.find('\n', pos) == std::string_view::npos) return;
    const std::string_view text = NextLine(bytes, pos);
    if (line < 4) {
      *integers[line] = LenientStrToInt(text);
    } else {
      *reals[line - 4] = LenientStrToFloat(text);
    }
  }
}

SettingsFileContents ReadSettingsFile(const std::filesystem::path& path) {
  SettingsFileContents contents;
  BoundedRead file = ReadRegularFile(path, kSettingsReadLimit);
  if (file.State != RegularFileReader::Outcome::Opened) {
    // A FIFO, a device, a folder or the executable itself in its place is no settings file.
    contents.Unreadable = file.State == RegularFileReader::Outcome::Unreadable;
    return contents;
  }
  contents.Unreadable = file.ReadError;
  // Lines after the seventh are never looked at; a file cut at the limit counts only the
  // lines that ended within it.
  const bool sevenLines = std::count(file.Bytes.begin(), file.Bytes.end(), '\n') >= 7;
  ParseSettings(file.Bytes, file.Complete || sevenLines, contents.Values);
  if (file.Complete) contents.WholeFile = std::move(file.Bytes);
  return contents;
}

// New settings are the user's choice: they reach the disk before the run ends, so a power
// loss right after cannot bring back an empty or old file. On failure the previous file
// stays as it was.
FileResult WriteSettingsFile(const std::filesystem::path& path, std::string_view bytes) {
  ReplaceOptions options;
  options.Durable = true;
  return ReplaceFileContents(path, bytes, options);
}

bool HoldsSevenWholeLines(std::string_view bytes) {
  for (int line = 0; line < 7; ++line) {
    const std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos || end == 0 || bytes[end - 1] != '\r') return false;
    bytes.remove_prefix(end + 1);
  }
  return bytes.empty();
}

std::optional<std::filesystem::path> RestoreSettingsFromLeftCopy(
    const std::filesystem::path& path) {
  if (RegularFileReader(path).State() != RegularFileReader::Outcome::Missing) return std::nullopt;
  for (const std::filesystem::path& copy : LeftCopiesOf(path)) {
    const BoundedRead file = ReadRegularFile(copy, kSettingsReadLimit);
    if (!file.Complete || !HoldsSevenWholeLines(file.Bytes)) continue;
    if (!WriteSettingsFile(path, file.Bytes)) return std::nullopt;
    return copy;
  }
  return std::nullopt;
}
